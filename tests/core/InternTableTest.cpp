#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/Block.h"
#include "model/InternTable.h"

namespace {

struct Record {
    std::string text;
    std::uint64_t hash;
};

// Hashes that fall into few slots, so that runs wrap round the end of the table and removal
// has to move records back into the hole it leaves.
std::uint64_t Crowded(const std::string& text) {
    return intern::Hash(text) % 5 + (text.size() % 2 ? 60 : 0);
}

// Every record is found while it is in, none after it went, whatever the order of the
// insertions and removals and however the hashes crowd.
TEST(InternTable, FindsExactlyTheRecordsInAcrossGrowthAndRemoval) {
    for (bool crowded : {true, false}) {
        intern::CTable<Record> table;
        std::vector<std::unique_ptr<Record>> records;
        for (int i = 0; i < 3000; ++i) {
            const std::string text = "C:\\dir" + std::to_string(i) + "\\";
            records.push_back(std::make_unique<Record>(
                Record{text, crowded ? Crowded(text) : intern::Hash(text)}));
        }
        auto find = [&](const Record& r) {
            return table.Find(r.hash, [&](const Record* in) { return in->text == r.text; });
        };
        std::vector<bool> in(records.size(), false);
        std::mt19937 random(crowded ? 7 : 11);
        for (int step = 0; step < 12000; ++step) {
            const std::size_t i = random() % records.size();
            if (in[i]) {
                table.Erase(records[i]->hash, records[i].get());
            } else {
                ASSERT_EQ(find(*records[i]), nullptr);
                table.Insert(records[i]->hash, records[i].get());
            }
            in[i] = !in[i];
            if (step % 1000 == 999 || step < 200) {
                for (std::size_t j = 0; j < records.size(); ++j) {
                    ASSERT_EQ(find(*records[j]), in[j] ? records[j].get() : nullptr)
                        << "record " << j << " at step " << step;
                }
            }
        }
        EXPECT_EQ(table.Count(), static_cast<std::size_t>(std::count(in.begin(), in.end(), true)));
    }
}

TEST(InternTable, HashTellsApartTextsOfEveryLengthAndSeed) {
    // Texts differing in one byte or one length, in the short tails read without a loop.
    std::vector<std::uint64_t> seen;
    const std::string base = "abcdefghijklmnopq";
    for (std::size_t n = 0; n <= base.size(); ++n) {
        seen.push_back(intern::Hash(base.substr(0, n)));
        if (n) seen.push_back(intern::Hash(base.substr(0, n - 1) + "Z"));
        seen.push_back(intern::Hash(base.substr(0, n), 1));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    EXPECT_EQ(intern::Hash("same"), intern::Hash(std::string("same")));
}

// The numbers entries name their texts by are given back and used again; entries keep their
// texts through it, across many blocks of numbers.
TEST(BlockTexts, EntriesKeepTheirTextsWhileOthersComeAndGo) {
    auto texts = [](int i) {
        return std::make_pair("a" + std::to_string(i % 37), "c" + std::to_string(i));
    };
    std::vector<std::unique_ptr<CBlock>> entries;
    for (int i = 0; i < 10000; ++i) {
        entries.push_back(std::make_unique<CBlock>());
        entries.back()->SetTexts(texts(i).first, texts(i).second, nullptr);
    }
    for (int i = 0; i < 10000; i += 2) entries[i].reset();
    for (int i = 0; i < 10000; i += 2) {
        entries[i] = std::make_unique<CBlock>();
        entries[i]->SetTexts(texts(i + 20000).first, texts(i + 20000).second, nullptr);
    }
    for (int i = 0; i < 10000; ++i) {
        const int made = i % 2 ? i : i + 20000;
        ASSERT_EQ(entries[i]->Author(), texts(made).first) << i;
        ASSERT_EQ(entries[i]->Comment(), texts(made).second) << i;
    }
    // A record shared by two entries stays while either holds it.
    CBlock other;
    other.SetTexts(entries[1]->Author(), entries[1]->Comment(), nullptr);
    EXPECT_EQ(&other.Comment(), &entries[1]->Comment());
    entries[1].reset();
    EXPECT_EQ(other.Comment(), texts(1).second);
    // A new entry starts with the default texts.
    CBlock fresh;
    EXPECT_EQ(fresh.Author(), "?");
    EXPECT_EQ(fresh.Comment(), "?");
}

}  // namespace
