#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "changer/CrtRandom.h"
#include "changer/DirectorySearch.h"
#include "tests/core/ChangerFakes.h"

namespace {

constexpr int kReach = 2097;  // a time sum: the modulus of the draws

// The search as first described: every attempt lists the whole directory and steps `drawn`
// times round the matches. The real search must always agree with it.
bool PlainSearch(const IFileSystem& fs, const std::string& dir,
                 const std::vector<std::string>& tokens, int drawn, CCrtRandom& random,
                 DirectoryMatch& match) {
    for (int attempt = 0; attempt < drawn; ++attempt) {
        const std::string& token = tokens[random.Next() % static_cast<int>(tokens.size())];
        std::vector<std::string> matches;
        fs.Enumerate(dir, "*." + token, [&](const std::string& name) {
            matches.push_back(name);
            return true;
        });
        if (matches.empty()) continue;
        std::size_t next = 0;
        std::string reached;
        for (int step = 1; step <= drawn; ++step) {
            reached = matches[next];
            next = (next + 1) % matches.size();
        }
        if (reached == "." || reached == "..") continue;
        match.name = reached;
        match.path = dir + fs.Separator() + reached;
        return true;
    }
    return false;
}

}  // namespace

TEST(DirectorySearch, AgreesWithThePlainSearchOverManyDirectoriesAndSeeds) {
    const std::vector<std::string> pool = {".",     "..",    "a.JPG", "b.jpg",  "c.BMP",
                                           "d.txt", "e.htm", "f.JPG", "g.html", "noext"};
    const std::vector<std::string> typePool = {"JPG", "BMP", "HTML", "GIF", "*", "", "htm"};
    int found = 0, cases = 0;
    for (std::uint32_t seed = 1; seed <= 4000; ++seed) {
        CCrtRandom setup;
        setup.Seed(seed * 7919u);
        FakeFileSystem fs;
        auto& names = fs.dirs["D:\\x"];
        const int nameCount = setup.Next() % 12;
        for (int i = 0; i < nameCount; ++i) names.push_back(pool[setup.Next() % pool.size()]);
        std::vector<std::string> tokens;
        const int tokenCount = 1 + setup.Next() % 4;
        for (int i = 0; i < tokenCount; ++i)
            tokens.push_back(typePool[setup.Next() % typePool.size()]);
        const int drawn = (seed % 50 == 0) ? setup.Next() % 2097 : setup.Next() % 40;

        CCrtRandom fast, plain;
        fast.Seed(seed);
        plain.Seed(seed);
        DirectoryMatch fastMatch, plainMatch;
        const bool fastFound =
            SearchDirectory(fs, "D:\\x", tokens, tokens.size(), drawn, kReach, fast, fastMatch);
        const bool plainFound = PlainSearch(fs, "D:\\x", tokens, drawn, plain, plainMatch);
        ASSERT_EQ(fastFound, plainFound) << "seed " << seed;
        if (fastFound) {
            ++found;
            ASSERT_EQ(fastMatch.name, plainMatch.name) << "seed " << seed;
            ASSERT_EQ(fastMatch.path, plainMatch.path) << "seed " << seed;
        }
        ++cases;
    }
    // Both outcomes must have been exercised for the comparison to mean anything.
    EXPECT_GT(found, cases / 5);
    EXPECT_LT(found, cases - cases / 5);
}

TEST(DirectorySearch, ListsTheFolderOnceAndStepsRoundIt) {
    FakeFileSystem fs;
    auto& names = fs.dirs["D:\\big"];
    for (int i = 0; i < 1000; ++i) names.push_back("p" + std::to_string(i) + ".jpg");
    CCrtRandom random;
    DirectoryMatch match;
    // The whole list is read: only its length tells whether the draw can reach every match.
    ASSERT_TRUE(SearchDirectory(fs, "D:\\big", {"JPG"}, 1, 10, kReach, random, match));
    EXPECT_EQ(match.name, "p9.jpg");
    EXPECT_EQ(match.path, "D:\\big\\p9.jpg");
    EXPECT_EQ(fs.namesVisited, 1000);
    // More steps than matches: the whole list, once, and a landing that wrapped round.
    fs.namesVisited = 0;
    ASSERT_TRUE(SearchDirectory(fs, "D:\\big", {"JPG"}, 1, 1500, kReach, random, match));
    EXPECT_EQ(match.name, "p499.jpg");
    EXPECT_EQ(fs.namesVisited, 1000);
}

TEST(DirectorySearch, OneSeparatorBetweenTheDirectoryAndTheName) {
    FakeFileSystem fs;
    fs.dirs["D:\\"] = {"x.JPG"};
    fs.dirs["D:\\a/"] = {"y.jpg"};
    fs.dirs["C:\\表"] = {"z.jpg"};  // ends in the trail byte 0x5C, which is no separator
    CCrtRandom random;
    DirectoryMatch match;
    ASSERT_TRUE(SearchDirectory(fs, "D:\\", {"JPG"}, 1, 1, kReach, random, match));
    EXPECT_EQ(match.path, "D:\\x.JPG");
    ASSERT_TRUE(SearchDirectory(fs, "D:\\a/", {"JPG"}, 1, 1, kReach, random, match));
    EXPECT_EQ(match.path, "D:\\a/y.jpg");
    ASSERT_TRUE(SearchDirectory(fs, "C:\\表", {"JPG"}, 1, 1, kReach, random, match));
    EXPECT_EQ(match.path, "C:\\表\\z.jpg");
}

TEST(DirectorySearch, NoAttemptWithoutDrawOrToken) {
    FakeFileSystem fs;
    fs.dirs["D:\\x"] = {"a.jpg"};
    CCrtRandom random;
    DirectoryMatch match;
    EXPECT_FALSE(SearchDirectory(fs, "D:\\x", {"JPG"}, 1, 0, kReach, random, match));
    EXPECT_FALSE(SearchDirectory(fs, "D:\\x", {}, 0, 100, kReach, random, match));
    EXPECT_TRUE(fs.listings.empty());
}

// A stopped changer must not go on listing a slow share: 401 file types over a large folder
// took a quarter of a minute a tick.
TEST(DirectorySearch, AStopEndsTheSearchBetweenListingsAndWithinOne) {
    FakeFileSystem fs;
    auto& names = fs.dirs["D:\\big"];
    for (int i = 0; i < 100000; ++i) names.push_back("p" + std::to_string(i) + ".jpg");
    std::vector<std::string> tokens;
    for (int i = 0; i < 401; ++i) tokens.push_back("T" + std::to_string(i));
    CCrtRandom random;
    DirectoryMatch match;
    // Stopped after the first listing: the other types are never listed.
    auto stopAfterOneListing = [&] { return !fs.listings.empty(); };
    EXPECT_FALSE(SearchDirectory(fs, "D:\\big", tokens, tokens.size(), 2000, kReach, random,
                                 match, stopAfterOneListing));
    EXPECT_EQ(1u, fs.listings.size());
    // Stopped while a listing runs: it ends there, and what it found is not used.
    fs.listings.clear();
    fs.namesVisited = 0;
    auto stopMidway = [&] { return fs.namesVisited > 1000; };
    EXPECT_FALSE(SearchDirectory(fs, "D:\\big", {"JPG"}, 1, 5, kReach, random, match,
                                 stopMidway));
    EXPECT_LT(fs.namesVisited, 2000);
}

namespace {

// Lists as Windows does: a name is found when its long name or its short (8.3) name matches.
class ShortNameFileSystem : public FakeFileSystem {
  public:
    void Enumerate(const std::string& dir, const std::string& pattern,
                   const std::function<bool(const std::string&)>& onName) const override {
        auto found = dirs.find(dir);
        if (found == dirs.end()) return;
        for (const auto& name : found->second) {
            auto shortName = shortNames.find(name);
            const bool matches =
                MatchesWildcard(name, pattern) ||
                (shortName != shortNames.end() && MatchesWildcard(shortName->second, pattern));
            if (matches && !onName(name)) return;
        }
    }
    std::map<std::string, std::string> shortNames;
};

}  // namespace

TEST(DirectorySearch, NamesFoundThroughTheirShortNamesDoNotCount) {
    ShortNameFileSystem fs;
    fs.dirs["D:\\x"] = {"a.jpgx", "b.jpg", "c.jpeg~", "d.JPG"};
    fs.shortNames = {{"a.jpgx", "A~1.JPG"}, {"c.jpeg~", "C~1.JPG"}};
    DirectoryMatch match;
    // Stepping 1, 2, 3, ... times lands on b.jpg, d.JPG, b.jpg, ...: never on a stray name.
    for (int drawn = 1; drawn <= 6; ++drawn) {
        CCrtRandom random;
        ASSERT_TRUE(SearchDirectory(fs, "D:\\x", {"JPG"}, 1, drawn, kReach, random, match))
            << drawn;
        EXPECT_EQ(match.name, drawn % 2 ? "b.jpg" : "d.JPG") << drawn;
    }
    // A directory whose only matches are short names has no file of that type.
    fs.dirs["D:\\y"] = {"only.jpgx"};
    fs.shortNames["only.jpgx"] = "ONLY~1.JPG";
    CCrtRandom random;
    EXPECT_FALSE(SearchDirectory(fs, "D:\\y", {"JPG"}, 1, 5, kReach, random, match));
}

// More matches than the draw can reach: each landing is drawn anew over the whole list, every
// name about equally often, and the same generator state lands on the same name.
TEST(DirectorySearch, AFolderBeyondTheReachOfTheDrawIsCoveredEvenly) {
    FakeFileSystem fs;
    auto& names = fs.dirs["D:\\many"];
    constexpr int kNames = 60, kReachSmall = 40;
    for (int i = 0; i < kNames; ++i) names.push_back("p" + std::to_string(i) + ".jpg");
    names.push_back("readme.txt");
    std::vector<int> hits(kNames);
    constexpr int kRuns = 60000;
    for (int run = 0; run < kRuns; ++run) {
        CCrtRandom random;
        random.Seed(static_cast<std::uint32_t>(run) * 2654435761u);
        DirectoryMatch match;
        const int drawn = 1 + run % kReachSmall;
        ASSERT_TRUE(
            SearchDirectory(fs, "D:\\many", {"TXT", "JPG"}, 2, drawn, kReachSmall, random, match))
            << run;
        if (match.name == "readme.txt") continue;  // one match: within reach, stepped as ever
        ++hits[std::stoi(match.name.substr(1))];
    }
    const int total = [&] {
        int sum = 0;
        for (int h : hits) sum += h;
        return sum;
    }();
    ASSERT_GT(total, kRuns / 3);
    for (int i = 0; i < kNames; ++i) {
        // Within a quarter of the even share: far beyond chance for a fair draw.
        EXPECT_NEAR(hits[i], total / kNames, total / kNames / 4) << "p" << i;
    }
    CCrtRandom a, b;
    a.Seed(77);
    b.Seed(77);
    DirectoryMatch first, second;
    ASSERT_TRUE(SearchDirectory(fs, "D:\\many", {"JPG"}, 1, 5, kReachSmall, a, first));
    ASSERT_TRUE(SearchDirectory(fs, "D:\\many", {"JPG"}, 1, 5, kReachSmall, b, second));
    EXPECT_EQ(first.name, second.name);
}
