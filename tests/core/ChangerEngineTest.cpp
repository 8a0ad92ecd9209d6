#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "changer/ChangerEngine.h"
#include "changer/CrtRandom.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "model/ShellText.h"
#include "tests/core/ChangerFakes.h"

namespace {

constexpr int kSum = 2097;  // the fake clock's time sum
constexpr std::uint32_t kBaseSeed = 1000000000;

CBlock* Add(CBlock& parent, const std::string& name, bool folder, short priority = 2,
            bool enabled = true) {
    CBlock* entry = new CBlock;
    entry->m_strName = name;
    entry->m_bFolder = folder ? 1 : 0;
    entry->m_nPriority = priority;
    entry->m_bChangerEnabled = enabled ? 1 : 0;
    entry->m_pParent = &parent;
    parent.m_Children.AddTail(entry);
    return entry;
}

// The first seed from `from` on whose first draw modulo the time sum satisfies the test.
std::uint32_t SeedWhoseFirstDraw(const std::function<bool(int)>& test,
                                 std::uint32_t from = kBaseSeed) {
    for (std::uint32_t seed = from;; ++seed) {
        CCrtRandom r;
        r.Seed(seed);
        if (test(r.Next() % kSum)) return seed;
    }
}

class ChangerTest : public ::testing::Test {
  protected:
    ChangerTest() { root.m_bFolder = 1; }

    CBlock* Folder(CBlock& parent, const std::string& name, bool enabled = true) {
        return Add(parent, name, true, 2, enabled);
    }
    CBlock* File(CBlock& parent, const std::string& path, short priority = 2, bool enabled = true) {
        fs.files[path] = true;
        return Add(parent, path, false, priority, enabled);
    }
    void InTurn() { settings.WriteInt(setting::ModType, 0); }
    std::string LastShownName() const { return info.shown.empty() ? "" : info.shown.back().name; }

    // Runs one tick at the given moment; the path set, or "-" when nothing was set.
    std::string TickAt(std::uint32_t seconds) {
        clock.reading.secondsSince1970 = seconds;
        std::size_t before = setter.paths.size();
        last = engine.Tick();
        return setter.paths.size() > before ? setter.paths.back() : "-";
    }

    CMemorySettingsStore store;
    CSettings settings{store};
    FakeClock clock;
    FakeFileSystem fs;
    FakeDisplayName names;
    FakeInfoSink info;
    FakeSetter setter;
    CBlock root;
    CChangerEngine engine{settings, clock, fs, names, setter};
    TickEnd last = TickEnd::Applied;
};

}  // namespace

TEST(CrtRandom, MatchesTheCLibrarySequence) {
    CCrtRandom r;
    EXPECT_EQ(r.Next(), 41);  // unseeded, the C library starts as if seeded with 1
    r.Seed(1);
    for (int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(r.Next(), expected);
    r.Seed(0);
    EXPECT_EQ(r.Next(), 38);
    r.Seed(0xFFFFFFFFu);  // the state wraps at 32 bits
    EXPECT_EQ(r.Next(), static_cast<int>(((0xFFFFFFFFull * 214013 + 2531011) >> 16) & 0x7FFF));
}

TEST(ChangerDetails, TimeSumAddsTheLocalFields) {
    EXPECT_EQ(TimeSum(LocalTimeFields{2026, 12, 1, 6, 14, 2, 36}), 2097);
}

TEST(ChangerDetails, InheritanceFromFolderFileAndAllInheritChains) {
    CBlock top;  // the changer's fresh root: flags clear, "?" and level 2
    CBlock* g = Add(top, "G", true, 3);
    g->SetTexts("Y", "from G", nullptr);
    CBlock* f = Add(*g, "F", true, 1);
    f->SetTexts("FA", "from F", nullptr);
    CBlock* e = Add(*f, "e.jpg", false, 4);
    e->SetTexts("X", "own", nullptr);

    EXPECT_EQ(&InheritedDetails(*e), e);  // no flags: its own
    f->m_bInherit = 1;
    EXPECT_EQ(&InheritedDetails(*e), g);  // the folder inherits: above the folder
    f->m_bInherit = 0;
    e->m_bInherit = 1;
    EXPECT_EQ(&InheritedDetails(*e), f);  // only the file: its folder
    f->m_bInherit = 1;
    g->m_bInherit = 1;
    EXPECT_EQ(&InheritedDetails(*e), &top);  // the fresh root stops an all-inherit walk
    top.m_bInherit = 1;
    EXPECT_EQ(&InheritedDetails(*e), e);  // past the top: its own again
}

TEST(ChangerDetails, AcceptanceModulusStaysWithinTheLevels) {
    EXPECT_EQ(AcceptanceModulus(0), 2);
    EXPECT_EQ(AcceptanceModulus(4), 6);
    EXPECT_EQ(AcceptanceModulus(-2), 2);
    EXPECT_EQ(AcceptanceModulus(-32768), 2);
    EXPECT_EQ(AcceptanceModulus(32767), 6);
}

TEST_F(ChangerTest, RotationTakesEnabledFoldersInPreOrderAndWraps) {
    InTurn();
    CBlock* a = Folder(root, "A");
    CBlock* a1 = Folder(*a, "A1");
    CBlock* off = Folder(root, "Off", false);
    CBlock* b = Folder(root, "B");
    File(*a, "a.jpg");
    File(*a1, "a1.jpg");
    File(*off, "off.jpg");
    File(*b, "b.jpg");
    engine.BuildRotationList(root);
    EXPECT_EQ(engine.RotationList(), (std::vector<CBlock*>{a, a1, off, b}));
    std::vector<std::string> got;
    for (int i = 0; i < 7; ++i) got.push_back(TickAt(kBaseSeed + i));
    EXPECT_EQ(got, (std::vector<std::string>{"a.jpg", "a1.jpg", "b.jpg", "a.jpg", "a1.jpg", "b.jpg",
                                             "a.jpg"}));

    engine.ClearRotationList();
    EXPECT_EQ(TickAt(kBaseSeed), "-");
    EXPECT_EQ(last, TickEnd::NoFolder);
    engine.BuildRotationList(root);  // a new start begins at the first folder again
    EXPECT_EQ(TickAt(kBaseSeed), "a.jpg");
    for (CBlock* folder : {a, a1, b}) folder->m_bChangerEnabled = 0;
    EXPECT_EQ(TickAt(kBaseSeed), "-");
    EXPECT_EQ(last, TickEnd::NoFolder);
}

TEST_F(ChangerTest, InTurnShowsFilesOneAfterAnotherSkippingDisabledOnes) {
    InTurn();
    CBlock* f = Folder(root, "F");
    File(*f, "A");
    File(*f, "off", 2, false);
    CBlock* sub = Folder(*f, "Sub");  // skipped in F's turns, has turns of its own
    File(*f, "B");
    File(*f, "C");
    File(*sub, "s1");
    File(*sub, "s2");
    engine.BuildRotationList(root);  // F, Sub: each folder keeps its own cursor
    std::vector<std::string> got;
    for (int i = 0; i < 9; ++i) got.push_back(TickAt(kBaseSeed + i));
    EXPECT_EQ(got, (std::vector<std::string>{"A", "s1", "B", "s2", "C", "s1", "A", "s2", "B"}));
}

TEST_F(ChangerTest, FoldersWithoutFilesChangeNothingInBothModes) {
    CBlock* empty = Folder(root, "Empty");
    CBlock* onlySubs = Folder(root, "OnlySubs");
    CBlock* sub = Folder(*onlySubs, "Sub");
    File(*sub, "s.jpg");
    CBlock* offOnly = Folder(root, "OffOnly");
    File(*offOnly, "x", 2, false);
    File(*offOnly, "y", 2, false);
    for (int mode : {0, 1}) {
        settings.WriteInt(setting::ModType, mode);
        engine.BuildRotationList(root);  // Empty, OnlySubs, Sub, OffOnly
        EXPECT_EQ(TickAt(kBaseSeed), "-") << mode;
        EXPECT_EQ(last, TickEnd::NoEntry);
        EXPECT_EQ(TickAt(kBaseSeed + 1), "-") << mode;  // sub-folders only
        EXPECT_EQ(last, TickEnd::NoEntry);
        EXPECT_EQ(TickAt(kBaseSeed + 2), "s.jpg") << mode;  // the next tick moves on
        for (std::uint32_t s = 0; s < 50; ++s) {  // disabled entries only: never shown, no hang
            engine.BuildRotationList(root);
            for (int i = 0; i < 3; ++i) TickAt(kBaseSeed + s);
            EXPECT_EQ(TickAt(kBaseSeed + s), "-");
        }
    }
    EXPECT_EQ(empty->GetChangerPos(), nullptr);
}

TEST_F(ChangerTest, RandomDrawsInTheFixedOrderForEachSeed) {
    // Expected picks worked out by hand from the generator for these seeds and a sum of 2097.
    CBlock* f = Folder(root, "F");
    File(*f, "A", 0);
    File(*f, "B", 2);
    File(*f, "C", 4);
    CBlock* g = Folder(root, "G");
    File(*g, "GA", 3);
    File(*g, "GD", 2, false);
    Folder(*g, "GSub");
    File(*g, "GB", 1);

    const char* expectF[] = {"B", "A", "A", "B", "A", "A"};
    const char* expectG[] = {"GB", "GA", "GB", "GA", "GB", "GA"};
    for (int i = 0; i < 6; ++i) {
        engine.BuildRotationList(root);
        EXPECT_EQ(TickAt(kBaseSeed + i), expectF[i]) << i;
        EXPECT_EQ(TickAt(kBaseSeed + i), expectG[i]) << i;
    }
}

TEST_F(ChangerTest, RandomEndingOnAFolderOrDisabledEntryChangesNothing) {
    // A folder of a sub-folder, a disabled file and one file: the counter can run out on a
    // draw that is no candidate. Expected outcomes worked out by hand for these seeds.
    CBlock* f = Folder(root, "F");
    File(*f, "D", 2, false);
    Folder(*f, "Sub");
    File(*f, "A", 4);
    const char* expected[] = {"-", "-", "-", "-", "A", "-"};
    for (int i = 0; i < 6; ++i) {
        engine.BuildRotationList(root);
        EXPECT_EQ(TickAt(kBaseSeed + i), expected[i]) << i;
        if (std::string(expected[i]) == "-") {
            EXPECT_EQ(last, TickEnd::NoEntry);
        }
    }
}

TEST_F(ChangerTest, RandomSingleFileIsShownAtEveryTurnAcceptedOrNot) {
    File(*Folder(root, "F"), "only.jpg", 4);
    engine.BuildRotationList(root);
    for (std::uint32_t i = 0; i < 500; ++i) ASSERT_EQ(TickAt(kBaseSeed + i * 7), "only.jpg") << i;
}

TEST_F(ChangerTest, RandomAcceptsLevelZeroThreeTimesAsOftenAsLevelFour) {
    // Both files inherit the folder's level 0 for the window; the draw still uses their own.
    engine.SetInfoSink(&info);
    CBlock* f = Folder(root, "F");
    f->m_nPriority = 0;
    File(*f, "fav", 0)->m_bInherit = 1;
    File(*f, "meh", 4)->m_bInherit = 1;
    engine.BuildRotationList(root);
    std::map<std::string, int> count;
    for (std::uint32_t i = 0; i < 30000; ++i) ++count[TickAt(kBaseSeed + i)];
    ASSERT_GT(count["meh"], 0);
    const double ratio = static_cast<double>(count["fav"]) / count["meh"];
    EXPECT_GT(ratio, 2.7);
    EXPECT_LT(ratio, 3.3);
    EXPECT_EQ(count["fav"] + count["meh"], 30000);  // two files: some file every time
    ASSERT_EQ(info.shown.size(), 30000u);
    for (const auto& shown : info.shown) ASSERT_EQ(shown.priority, GetPriorityLabel(0));
}

TEST_F(ChangerTest, ForeignPrioritiesAndModesNeverDivideByZero) {
    CBlock* f = Folder(root, "F");
    File(*f, "minus2", -2);
    File(*f, "minus1", -1);
    File(*f, "huge", 32767);
    File(*f, "lowest", -32768);
    engine.BuildRotationList(root);
    for (int mode : {1, 2, -1, 99}) {  // anything but 0 draws at random
        settings.WriteInt(setting::ModType, mode);
        for (std::uint32_t i = 0; i < 200; ++i) ASSERT_NE(TickAt(kBaseSeed + i), "-");
    }
}

TEST_F(ChangerTest, EveryModeButZeroDrawsTheSameAsRandom) {
    CBlock* f = Folder(root, "F");
    for (const char* name : {"A", "B", "C", "D", "E"}) File(*f, name, 4);
    engine.BuildRotationList(root);
    auto picks = [&](int mode) {
        settings.WriteInt(setting::ModType, mode);
        std::string seen;
        for (std::uint32_t i = 0; i < 20; ++i) seen += TickAt(kBaseSeed + 7 * i);
        return seen;
    };
    const std::string random = picks(1);
    EXPECT_NE(random, "ABCDEABCDEABCDEABCDE");  // in turn, whatever the seed
    for (int mode : {2, 3, -1, 99, 1 << 20}) EXPECT_EQ(picks(mode), random) << mode;
}

TEST_F(ChangerTest, SettingsAreReadAtEveryTick) {
    CBlock* f = Folder(root, "F");
    File(*f, "A", 4);
    File(*f, "B", 4);
    File(*f, "C", 4);
    engine.BuildRotationList(root);
    InTurn();
    EXPECT_EQ(TickAt(kBaseSeed), "A");
    EXPECT_EQ(TickAt(kBaseSeed), "B");
    settings.WriteInt(setting::ModType, 1);
    EXPECT_EQ(TickAt(kBaseSeed), "B");  // the first random pick for this seed (see above)
    InTurn();
    EXPECT_EQ(TickAt(kBaseSeed), "C");  // random mode left the folder's cursor alone
}

TEST_F(ChangerTest, DisabledAncestorSilencesTheFolderButKeepsItsTurn) {
    InTurn();
    CBlock* off = Folder(root, "Off", false);
    File(*Folder(*off, "On"), "inside.jpg");
    File(*Folder(root, "Next"), "next.jpg");
    engine.BuildRotationList(root);  // Off (skipped), On, Next
    EXPECT_EQ(TickAt(kBaseSeed), "-");
    EXPECT_EQ(last, TickEnd::DisabledAncestor);
    EXPECT_EQ(TickAt(kBaseSeed), "next.jpg");
    root.m_bChangerEnabled = 0;         // the check goes up to the root itself
    EXPECT_EQ(TickAt(kBaseSeed), "-");  // On, still silenced by Off
    EXPECT_EQ(TickAt(kBaseSeed), "-");  // Next: only the root is off above it
    EXPECT_EQ(last, TickEnd::DisabledAncestor);
}

TEST_F(ChangerTest, InformationWindowGetsInheritedDetailsWithTheShownName) {
    InTurn();
    engine.SetInfoSink(&info);
    CBlock* g = Folder(root, "G");
    g->SetTexts("Y", "G's comment", nullptr);
    g->m_nPriority = 0;
    CBlock* f = Folder(*g, "F");
    f->m_bInherit = 1;
    CBlock* e = File(*f, "C:\\pics\\e.jpg", 4);
    e->SetTexts("X", "own", nullptr);
    engine.BuildRotationList(root);     // G, F
    EXPECT_EQ(TickAt(kBaseSeed), "-");  // G holds no file
    EXPECT_EQ(TickAt(kBaseSeed), "C:\\pics\\e.jpg");
    ASSERT_EQ(info.shown.size(), 1u);
    EXPECT_EQ(info.shown[0].name, "shown:e.jpg");
    EXPECT_EQ(info.shown[0].author, "Y");
    EXPECT_EQ(info.shown[0].comment, "G's comment");
    EXPECT_EQ(info.shown[0].priority, GetPriorityLabel(0));

    engine.SetInfoSink(nullptr);  // no window: nothing asked of the shell
    names.calls = 0;
    TickAt(kBaseSeed);
    EXPECT_EQ(TickAt(kBaseSeed), "C:\\pics\\e.jpg");
    EXPECT_EQ(names.calls, 0);
}

TEST_F(ChangerTest, PlainFileIsSetAsItIsAndAFailedApplyIsReported) {
    InTurn();
    engine.SetInfoSink(&info);
    settings.WriteString(setting::FileType, "JPG");  // matters only inside directories
    CBlock* f = Folder(root, "F");
    File(*f, "C:\\a.jpg");
    File(*f, "C:\\page.html");
    engine.BuildRotationList(root);
    EXPECT_EQ(TickAt(kBaseSeed), "C:\\a.jpg");
    ASSERT_EQ(info.shown.size(), 1u);
    setter.succeed = false;
    EXPECT_EQ(TickAt(kBaseSeed), "C:\\page.html");
    EXPECT_EQ(last, TickEnd::ApplyFailed);
    // The window still describes the wallpaper on the desktop, not the one that failed.
    EXPECT_EQ(info.shown.size(), 1u);
    EXPECT_EQ(LastShownName(), "shown:a.jpg");
    setter.succeed = true;
    TickAt(kBaseSeed);
    EXPECT_EQ(last, TickEnd::Applied);
    EXPECT_EQ(info.shown.size(), 2u);
}

TEST_F(ChangerTest, DirectoryEntryLandsByTheParityOfTheDraw) {
    InTurn();  // the draw is then the tick's first one
    engine.SetInfoSink(&info);
    settings.WriteString(setting::FileType, "JPG");
    File(*Folder(root, "F"), "D:\\wall");
    fs.files.erase("D:\\wall");
    fs.dirs["D:\\wall"] = {".", "..", "x.JPG", "notes.txt", "y.JPG"};
    engine.BuildRotationList(root);

    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r % 2 == 1; })), "D:\\wall\\x.JPG");
    EXPECT_EQ(LastShownName(), "x.JPG");
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r > 0 && r % 2 == 0; })),
              "D:\\wall\\y.JPG");
    EXPECT_EQ(LastShownName(), "y.JPG");
    const std::size_t shown = info.shown.size();
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r == 0; })), "-");
    EXPECT_EQ(last, TickEnd::NothingFound);
    EXPECT_EQ(info.shown.size(), shown);  // the window keeps the wallpaper it describes
}

TEST_F(ChangerTest, DirectorySearchFailsOnDotsAndMissingPaths) {
    InTurn();
    settings.WriteString(setting::FileType, "*");  // "*.*" lists "." and ".." too
    CBlock* f = Folder(root, "F");
    File(*f, "D:\\wall");
    fs.files.erase("D:\\wall");
    fs.dirs["D:\\wall"] = {".", "..", "x.JPG"};
    engine.BuildRotationList(root);
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r % 3 == 1; })), "-");  // "."
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r % 3 == 2; })), "-");  // ".."
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r > 0 && r % 3 == 0; })),
              "D:\\wall\\x.JPG");

    f->m_Children.GetAtIndex(0)->m_strName = "D:\\gone";  // unreadable: searched, finds nothing
    EXPECT_EQ(TickAt(kBaseSeed + 5), "-");
    EXPECT_EQ(last, TickEnd::NothingFound);
}

TEST_F(ChangerTest, DirectorySearchListsEachTokenOnceAndSurvivesNoTokens) {
    InTurn();
    settings.WriteString(setting::FileType, "BMP HTML BMP");
    File(*Folder(root, "F"), "D:\\wall");
    fs.files.erase("D:\\wall");
    fs.dirs["D:\\wall"] = {"x.JPG"};
    engine.BuildRotationList(root);
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r > 1000; })), "-");
    EXPECT_EQ(fs.listings.size(), 2u);
    for (const auto& listing : fs.listings) EXPECT_EQ(listing.second, 1) << listing.first.second;

    // An empty option still splits into one empty token: "*." finds names without a dot.
    fs.dirs["D:\\wall"].push_back("noext");
    settings.WriteString(setting::FileType, "");
    EXPECT_EQ(TickAt(SeedWhoseFirstDraw([](int r) { return r > 0; })), "D:\\wall\\noext");
    settings.WriteString(setting::FileType, "/");  // "*./" matches nothing
    EXPECT_EQ(TickAt(kBaseSeed + 3), "-");
    EXPECT_EQ(last, TickEnd::NothingFound);
}

TEST_F(ChangerTest, RandomModeSearchesTheDirectoryWithTheLastDraw) {
    // One directory entry: the tick draws R once at the start, then again for the index; the
    // search must use the second. For this seed the two differ in parity.
    settings.WriteString(setting::FileType, "JPG");
    File(*Folder(root, "F"), "D:\\wall");
    fs.files.erase("D:\\wall");
    fs.dirs["D:\\wall"] = {"x.JPG", "y.JPG"};
    engine.BuildRotationList(root);
    CCrtRandom r;
    r.Seed(kBaseSeed);
    const int first = r.Next() % kSum;
    const int second = r.Next() % kSum;
    ASSERT_NE(first % 2, second % 2);
    EXPECT_EQ(TickAt(kBaseSeed), "D:\\wall\\x.JPG");
}

TEST_F(ChangerTest, NoLocalTimeChangesNothing) {
    File(*Folder(root, "F"), "a.jpg");
    engine.BuildRotationList(root);
    clock.reading.local = LocalTimeFields{};
    EXPECT_EQ(TickAt(kBaseSeed), "-");
    EXPECT_EQ(last, TickEnd::NoTime);
}

TEST_F(ChangerTest, TheTickInStepsMakesTheSameChangesAsTheWholeTick) {
    // Two engines over equal collections, one ticking whole, one in the three steps the window
    // runs apart (the disk work on another thread), must set the same wallpapers in the same
    // order, show the same texts and keep the same cursors: files, a directory entry, a
    // disabled file, an empty folder, both orders.
    auto build = [](CBlock& top, FakeFileSystem& disk) {
        top.m_bFolder = 1;
        CBlock* f = Add(top, "F", true);
        for (const char* p : {"a.jpg", "b.jpg", "c.jpg"}) {
            disk.files[p] = true;
            Add(*f, p, false, 1);
        }
        Add(*f, "off.jpg", false, 0, false);
        Add(*f, "D:\\wall", false, 0);
        disk.dirs["D:\\wall"] = {"x.JPG", ".", "y.JPG", "z.BMP"};
        Add(top, "Empty", true);
        CBlock* g = Add(top, "G", true);
        g->m_bInherit = 1;
        disk.files["g.jpg"] = true;
        Add(*g, "g.jpg", false, 4);
    };
    for (int mode : {0, 1}) {
        CMemorySettingsStore otherStore;
        CSettings otherSettings{otherStore};
        for (CSettings* s : {&settings, &otherSettings}) {
            s->WriteInt(setting::ModType, mode);
            s->WriteString(setting::FileType, "JPG BMP");
        }
        CBlock whole, stepped;
        FakeFileSystem wholeDisk, steppedDisk;
        build(whole, wholeDisk);
        build(stepped, steppedDisk);
        FakeSetter wholeSetter, steppedSetter;
        FakeInfoSink wholeInfo, steppedInfo;
        CChangerEngine a{settings, clock, wholeDisk, names, wholeSetter};
        CChangerEngine b{otherSettings, clock, steppedDisk, names, steppedSetter};
        a.SetInfoSink(&wholeInfo);
        b.SetInfoSink(&steppedInfo);
        a.BuildRotationList(whole);
        b.BuildRotationList(stepped);
        for (std::uint32_t t = 0; t < 60; ++t) {
            clock.reading.secondsSince1970 = kBaseSeed + t * 7919;
            const TickEnd wholeEnd = a.Tick();
            TickSearch search;
            TickEnd steppedEnd = TickEnd::Applied;
            if (b.Prepare(search, steppedEnd)) {
                steppedEnd = b.Finish(CChangerEngine::Search(steppedDisk, names, search));
            }
            ASSERT_EQ(wholeEnd, steppedEnd) << "mode " << mode << " tick " << t;
            EXPECT_EQ((a.CurrentEntry() ? a.CurrentEntry()->m_strName.str() : "-"),
                      (b.CurrentEntry() ? b.CurrentEntry()->m_strName.str() : "-"));
        }
        EXPECT_EQ(wholeSetter.paths, steppedSetter.paths);
        EXPECT_GT(wholeSetter.paths.size(), 10u);
        ASSERT_EQ(wholeInfo.shown.size(), steppedInfo.shown.size());
        for (std::size_t i = 0; i < wholeInfo.shown.size(); ++i) {
            EXPECT_EQ(wholeInfo.shown[i].name, steppedInfo.shown[i].name);
            EXPECT_EQ(wholeInfo.shown[i].author, steppedInfo.shown[i].author);
            EXPECT_EQ(wholeInfo.shown[i].priority, steppedInfo.shown[i].priority);
        }
    }
}

TEST_F(ChangerTest, AFailedSetShowsNothingAndKeepsTheCurrentEntry) {
    CBlock* f = Folder(root, "F");
    File(*f, "a.jpg");
    File(*f, "b.jpg");
    InTurn();
    engine.SetInfoSink(&info);
    engine.BuildRotationList(root);
    EXPECT_EQ(TickAt(kBaseSeed), "a.jpg");
    ASSERT_NE(engine.CurrentEntry(), nullptr);
    EXPECT_EQ(engine.CurrentEntry()->m_strName, "a.jpg");
    setter.succeed = false;
    TickAt(kBaseSeed + 1);
    EXPECT_EQ(last, TickEnd::ApplyFailed);
    EXPECT_EQ(info.shown.size(), 1u);
    EXPECT_EQ(engine.CurrentEntry()->m_strName, "a.jpg");
    // The changer goes on: the next tick sets the next file.
    setter.succeed = true;
    EXPECT_EQ(TickAt(kBaseSeed + 2), "a.jpg");
    EXPECT_EQ(info.shown.size(), 2u);
    engine.ClearRotationList();
    EXPECT_EQ(engine.CurrentEntry(), nullptr);
}

namespace {
// A setter in two halves, as the window's own: Apply on the worker, Record back on the window's
// thread. It refuses one path, as a file that turned out not to be a picture.
class HalvesSetter : public IWallpaperSetter {
  public:
    bool SetDesktopWallpaper(const std::string& path) override {
        if (!Apply(path)) return false;
        Record(path);
        return true;
    }
    bool Apply(const std::string& path) override {
        applied.push_back(path);
        return path != refused;
    }
    void Record(const std::string& path) override { recorded.push_back(path); }
    std::string refused;
    std::vector<std::string> applied, recorded;
};
}  // namespace

TEST_F(ChangerTest, TheSettingApartFromTheWindowMakesTheSameChangesAndRecordsOnlyWhatWasSet) {
    // One engine ticks whole; the other as the window does, with the search and the setting
    // on the worker (Search, Set) and the rest back on the window's thread (Conclude).
    auto build = [](CBlock& top, FakeFileSystem& disk) {
        top.m_bFolder = 1;
        CBlock* f = Add(top, "F", true);
        for (const char* p : {"a.jpg", "b.jpg", "c.jpg"}) {
            disk.files[p] = true;
            Add(*f, p, false, 1);
        }
        Add(*f, "D:\\wall", false, 0);
        disk.dirs["D:\\wall"] = {"x.JPG", "b.jpg", "y.JPG"};
        Add(top, "Empty", true);
    };
    for (int mode : {0, 1}) {
        settings.WriteInt(setting::ModType, mode);
        settings.WriteString(setting::FileType, "JPG");
        CBlock whole, apart;
        FakeFileSystem wholeDisk, apartDisk;
        build(whole, wholeDisk);
        build(apart, apartDisk);
        HalvesSetter wholeSetter, apartSetter;
        wholeSetter.refused = apartSetter.refused = "b.jpg";
        FakeInfoSink wholeInfo, apartInfo;
        CChangerEngine a{settings, clock, wholeDisk, names, wholeSetter};
        CChangerEngine b{settings, clock, apartDisk, names, apartSetter};
        a.SetInfoSink(&wholeInfo);
        b.SetInfoSink(&apartInfo);
        a.BuildRotationList(whole);
        b.BuildRotationList(apart);
        int failed = 0;
        for (std::uint32_t t = 0; t < 60; ++t) {
            clock.reading.secondsSince1970 = kBaseSeed + t * 7919;
            const TickEnd wholeEnd = a.Tick();
            TickSearch search;
            TickEnd apartEnd = TickEnd::Applied;
            if (b.Prepare(search, apartEnd)) {
                TickFound found = CChangerEngine::Search(apartDisk, names, search);
                CChangerEngine::Set(apartSetter, found);
                apartEnd = b.Conclude(found);
            }
            ASSERT_EQ(wholeEnd, apartEnd) << "mode " << mode << " tick " << t;
            if (apartEnd == TickEnd::ApplyFailed) ++failed;
            EXPECT_EQ((a.CurrentEntry() ? a.CurrentEntry()->m_strName.str() : "-"),
                      (b.CurrentEntry() ? b.CurrentEntry()->m_strName.str() : "-"));
        }
        EXPECT_GT(failed, 0) << mode;
        EXPECT_EQ(wholeSetter.applied, apartSetter.applied);
        EXPECT_EQ(wholeSetter.recorded, apartSetter.recorded);
        EXPECT_EQ(apartSetter.applied.size(), apartSetter.recorded.size() + failed);
        for (const std::string& path : apartSetter.recorded) EXPECT_NE(path, "b.jpg");
        ASSERT_EQ(wholeInfo.shown.size(), apartInfo.shown.size());
        EXPECT_EQ(apartInfo.shown.size(), apartSetter.recorded.size());
        for (std::size_t i = 0; i < apartInfo.shown.size(); ++i)
            EXPECT_EQ(wholeInfo.shown[i].name, apartInfo.shown[i].name);
    }
}

namespace {

// FNV-1a over the paths a run of ticks set, "-" for a tick that set nothing.
std::uint64_t Digest(const std::vector<std::string>& picks) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const std::string& pick : picks) {
        for (unsigned char c : pick + "\n") hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

}  // namespace

// A disk folder of up to the time sum's count of matches lands exactly where it always did, in
// both modes and with tokens that miss: the values were taken before big folders were spread.
TEST_F(ChangerTest, SmallDirectoryOutcomesAreUnchanged) {
    struct Case {
        int names;
        const char* fileType;
        int mode;
        std::uint64_t digest;
    };
    const Case cases[] = {
        {5, "JPG", 0, 15068820054323207819ull},    {5, "JPG", 1, 15622523723983394700ull},
        {300, "JPG", 0, 17299541576122000759ull},  {300, "BMP JPG PNG", 1, 15103266328373823113ull},
        {kSum, "JPG", 0, 14549854080725312773ull}, {kSum, "GIF JPG", 1, 14931374696179961003ull},
    };
    for (const Case& c : cases) {
        CBlock fresh;
        fresh.m_bFolder = 1;
        File(*Folder(fresh, "F"), "D:\\wall");
        fs.files.erase("D:\\wall");
        auto& names = fs.dirs["D:\\wall"];
        names.clear();
        for (int i = 0; i < c.names; ++i) {
            names.push_back("p" + std::to_string(i) + (i % 7 == 3 ? ".png" : ".jpg"));
            if (i % 50 == 0) names.push_back("notes" + std::to_string(i) + ".txt");
        }
        settings.WriteInt(setting::ModType, c.mode);
        settings.WriteString(setting::FileType, c.fileType);
        engine.BuildRotationList(fresh);
        std::vector<std::string> picks;
        for (std::uint32_t k = 0; k < 400; ++k) picks.push_back(TickAt(kBaseSeed + k * 7919));
        engine.ClearRotationList();
        EXPECT_EQ(Digest(picks), c.digest) << c.names << " " << c.fileType << " " << c.mode;
        EXPECT_GT(std::set<std::string>(picks.begin(), picks.end()).size(), 3u);
    }
}

// A disk folder of more pictures than the time sum: every one of them can come up, in both
// modes, not only the first time sum's worth in the order the folder is read.
TEST_F(ChangerTest, ABigDirectoryReachesEveryPartOfTheFolder) {
    settings.WriteString(setting::FileType, "JPG");
    File(*Folder(root, "F"), "D:\\big");
    fs.files.erase("D:\\big");
    auto& names = fs.dirs["D:\\big"];
    for (int i = 0; i < 6000; ++i) names.push_back("p" + std::to_string(i) + ".jpg");
    engine.BuildRotationList(root);
    for (int mode : {0, 1}) {
        settings.WriteInt(setting::ModType, mode);
        int late = 0, applied = 0, highest = 0;
        for (std::uint32_t k = 0; k < 600; ++k) {
            const std::string path = TickAt(kBaseSeed + k * 7919);
            if (path == "-") continue;
            ++applied;
            const int index = std::stoi(path.substr(std::string("D:\\big\\p").size()));
            highest = std::max(highest, index);
            if (index >= 3000) ++late;
        }
        EXPECT_GT(applied, 500) << mode;
        // Half the names lie past the 3,000th; a fair draw lands there about half the time.
        EXPECT_GT(late, applied * 2 / 5) << mode;
        EXPECT_GT(highest, 5800) << mode;
    }
}

// A collection folder of more file entries than the time sum: the random pick reaches all of
// them, not only the first time sum's worth.
TEST_F(ChangerTest, RandomPicksReachEveryEntryOfABigFolder) {
    CBlock* folder = Folder(root, "F");
    for (int i = 0; i < 6000; ++i) File(*folder, "C:\\p" + std::to_string(i) + ".jpg", 0);
    engine.BuildRotationList(root);
    int late = 0, applied = 0, highest = 0;
    for (std::uint32_t k = 0; k < 600; ++k) {
        const std::string path = TickAt(kBaseSeed + k * 7919);
        if (path == "-") continue;
        ++applied;
        const int index = std::stoi(path.substr(std::string("C:\\p").size()));
        highest = std::max(highest, index);
        if (index >= 3000) ++late;
    }
    EXPECT_GT(applied, 500);
    EXPECT_GT(late, applied * 2 / 5);
    EXPECT_GT(highest, 5800);
}

namespace {
// A desktop with a picture per monitor: what each monitor was given, what was recorded, and a
// monitor that is gone by the time the pictures are set.
class FakeMonitorSetter : public IWallpaperSetter {
  public:
    bool SetDesktopWallpaper(const std::string& path) override { return Apply(path); }
    bool Apply(const std::string& path) override {
        applied.push_back("all:" + path);
        return true;
    }
    void Record(const std::string& path) override { recorded.push_back(path); }
    std::vector<bool> ApplyEach(const std::vector<MonitorPath>& paths) override {
        std::vector<bool> set;
        for (const MonitorPath& each : paths) {
            const bool there = each.monitor != gone;
            if (there) applied.push_back(std::to_string(each.monitor) + ":" + each.path);
            set.push_back(there);
        }
        return set;
    }
    std::vector<std::string> applied, recorded;
    std::size_t gone = 99;
};

// One tick for `monitors` monitors, as the window runs it; monitor 0's end.
TickEnd TickEach(CChangerEngine& engine, const IFileSystem& disk, const IDisplayName& names,
                 IWallpaperSetter& setter, std::size_t monitors) {
    std::vector<MonitorPick> picks = engine.PrepareEach(monitors);
    std::vector<TickFound> found(picks.size());
    for (std::size_t i = 0; i < picks.size(); ++i) {
        if (picks[i].searching) found[i] = CChangerEngine::Search(disk, names, picks[i].search);
    }
    CChangerEngine::SetEach(setter, found);
    const TickEnd end = engine.ConcludeEach(found);
    return picks[0].searching ? end : picks[0].end;
}
}  // namespace

TEST_F(ChangerTest, OneMonitorOfThePerMonitorTickChoosesExactlyAsTheSingleTick) {
    // The same collection, clock and seeds: the tick for each monitor with one monitor must set,
    // show and end as the single picture always did, in both orders, over files, a directory, a
    // disabled entry, an empty folder and an inheriting one.
    auto build = [](CBlock& top, FakeFileSystem& disk) {
        top.m_bFolder = 1;
        CBlock* f = Add(top, "F", true);
        for (const char* p : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
            disk.files[p] = true;
            Add(*f, p, false, static_cast<short>(p[0] - 'a'));
        }
        Add(*f, "off.jpg", false, 0, false);
        Add(*f, "D:\\wall", false, 0);
        disk.dirs["D:\\wall"] = {"x.JPG", ".", "y.JPG", "z.BMP", "w.JPG"};
        Add(top, "Empty", true);
        CBlock* g = Add(top, "G", true);
        g->m_bInherit = 1;
        disk.files["g.jpg"] = true;
        Add(*g, "g.jpg", false, 4);
    };
    for (int mode : {0, 1}) {
        settings.WriteInt(setting::ModType, mode);
        settings.WriteString(setting::FileType, "JPG BMP");
        CBlock single, each;
        FakeFileSystem singleDisk, eachDisk;
        build(single, singleDisk);
        build(each, eachDisk);
        FakeMonitorSetter singleSetter, eachSetter;
        FakeInfoSink singleInfo, eachInfo;
        CChangerEngine a{settings, clock, singleDisk, names, singleSetter};
        CChangerEngine b{settings, clock, eachDisk, names, eachSetter};
        a.SetInfoSink(&singleInfo);
        b.SetInfoSink(&eachInfo);
        a.BuildRotationList(single);
        b.BuildRotationList(each);
        for (std::uint32_t t = 0; t < 80; ++t) {
            clock.reading.secondsSince1970 = kBaseSeed + t * 7919;
            clock.reading.local.second = static_cast<int>(t % 60);
            TickSearch search;
            TickEnd singleEnd = TickEnd::Applied;
            if (a.Prepare(search, singleEnd)) {
                TickFound found = CChangerEngine::Search(singleDisk, names, search);
                CChangerEngine::Set(singleSetter, found);
                singleEnd = a.Conclude(found);
            }
            ASSERT_EQ(singleEnd, TickEach(b, eachDisk, names, eachSetter, 1))
                << "mode " << mode << " tick " << t;
        }
        EXPECT_EQ(singleSetter.recorded, eachSetter.recorded);
        EXPECT_GT(singleSetter.recorded.size(), 20u);
        std::vector<std::string> shownA, shownB;
        for (const WallpaperInfo& i : singleInfo.shown) shownA.push_back(i.name + i.priority);
        for (const WallpaperInfo& i : eachInfo.shown) shownB.push_back(i.name + i.priority);
        EXPECT_EQ(shownA, shownB);
    }
}

TEST_F(ChangerTest, EachMonitorTakesTheNextFolderWithDrawsOfItsOwn) {
    // Three folders, in turn: monitor 0 takes the folder a single picture would, the others the
    // folders after it, and the rotation goes on from there at the next tick.
    InTurn();
    for (const char* name : {"A", "B", "C"}) {
        CBlock* folder = Folder(root, name);
        File(*folder, std::string(name) + "1.jpg");
        File(*folder, std::string(name) + "2.jpg");
    }
    FakeMonitorSetter monitors;
    CChangerEngine engine3{settings, clock, fs, names, monitors};
    engine3.SetInfoSink(&info);
    engine3.BuildRotationList(root);
    EXPECT_EQ(TickEach(engine3, fs, names, monitors, 2), TickEnd::Applied);
    EXPECT_EQ(TickEach(engine3, fs, names, monitors, 3), TickEnd::Applied);
    EXPECT_EQ(monitors.applied, (std::vector<std::string>{"0:A1.jpg", "1:B1.jpg", "0:C1.jpg",
                                                          "1:A2.jpg", "2:B2.jpg"}));
    EXPECT_EQ(monitors.recorded,
              (std::vector<std::string>{"A1.jpg", "B1.jpg", "C1.jpg", "A2.jpg", "B2.jpg"}));
    // The window describes the primary monitor's picture only.
    ASSERT_EQ(info.shown.size(), 2u);
    EXPECT_EQ(info.shown[1].name, "shown:C1.jpg");
    EXPECT_EQ(engine3.CurrentEntry()->m_strName.str(), "C1.jpg");

    // A monitor gone between the count and the set keeps nothing and records nothing; a
    // primary that is gone leaves the window as it was.
    monitors.applied.clear();
    monitors.recorded.clear();
    monitors.gone = 0;
    EXPECT_EQ(TickEach(engine3, fs, names, monitors, 2), TickEnd::ApplyFailed);
    EXPECT_EQ(monitors.applied, (std::vector<std::string>{"1:A1.jpg"}));
    EXPECT_EQ(monitors.recorded, (std::vector<std::string>{"A1.jpg"}));
    EXPECT_EQ(info.shown.size(), 2u);
    EXPECT_EQ(engine3.CurrentEntry()->m_strName.str(), "C1.jpg");

    // One folder of many pictures, at random, the same second for every monitor: had they one
    // seed, both monitors would show the same picture at every tick.
    settings.WriteInt(setting::ModType, 1);
    CBlock many;
    many.m_bFolder = 1;
    CBlock* big = Add(many, "Big", true);
    for (int i = 0; i < 40; ++i) File(*big, "p" + std::to_string(i) + ".jpg");
    engine3.BuildRotationList(many);
    monitors.gone = 99;
    int same = 0;
    for (std::uint32_t t = 0; t < 12; ++t) {
        clock.reading.secondsSince1970 = kBaseSeed + t;
        monitors.applied.clear();
        TickEach(engine3, fs, names, monitors, 2);
        ASSERT_EQ(monitors.applied.size(), 2u);
        if (monitors.applied[0].substr(2) == monitors.applied[1].substr(2)) ++same;
    }
    EXPECT_LT(same, 3);
}
