#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "fw/ProfileStore.h"
#include "fw/RecentFileList.h"

namespace {

class MemoryProfile : public IProfileStore {
  public:
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def) const override {
        auto found = values.find({section, name});
        return found == values.end() ? def : found->second;
    }
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override {
        values[{section, name}] = value;
        return true;
    }
    bool ClearSection(const std::string&) override { return false; }
    bool Has(const std::string& section, const std::string& name) const {
        return values.count({section, name}) != 0;
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
};

}  // namespace

TEST(RecentFileList, NewestFirstWithoutDuplicatesAndBounded) {
    CRecentFileList list("Recent File List", "File%d", 3);
    list.Add("C:\\a.plr");
    list.Add("C:\\b.plr");
    list.Add("C:\\A.PLR");  // the same file in other letters moves to the top
    ASSERT_EQ(list.Items().size(), 2u);
    EXPECT_EQ(list.Items()[0], "C:\\A.PLR");
    EXPECT_EQ(list.Items()[1], "C:\\b.plr");
    list.Add("C:\\c.plr");
    list.Add("C:\\d.plr");
    ASSERT_EQ(list.Items().size(), 3u);
    EXPECT_EQ(list.Items()[0], "C:\\d.plr");
    EXPECT_EQ(list.Items()[2], "C:\\A.PLR");
    list.Add("");
    EXPECT_EQ(list.Items().size(), 3u);
    list.Remove(1);
    list.Remove(7);
    ASSERT_EQ(list.Items().size(), 2u);
    EXPECT_EQ(list.Items()[1], "C:\\A.PLR");
}

TEST(RecentFileList, DoubleByteNamesAreNotFoldedIntoEachOther) {
    // Lower-cased byte by byte, ア (0x83 0x41) would become ヂ (0x83 0x61).
    CRecentFileList list("Recent File List", "File%d", 8);
    list.Add("C:\\ア.plr");
    list.Add("C:\\ヂ.plr");
    list.Add("C:\\表示.plr");
    list.Add("C:\\ア.PLR");
    ASSERT_EQ(list.Items().size(), 3u);
    EXPECT_EQ(list.Items()[0], "C:\\ア.PLR");
    EXPECT_EQ(list.Items()[2], "C:\\ヂ.plr");
}

TEST(RecentFileList, RoundTripsThroughTheStoreAsFile1ToFileN) {
    MemoryProfile store;
    CRecentFileList list("Recent File List", "File%d", 8);
    list.Add("C:\\old.plr");
    list.Add("C:\\new.plr");
    list.WriteList(store);
    EXPECT_EQ(store.GetString("Recent File List", "File1", ""), "C:\\new.plr");
    EXPECT_EQ(store.GetString("Recent File List", "File2", ""), "C:\\old.plr");
    EXPECT_FALSE(store.Has("Recent File List", "File3"));

    store.WriteString("Recent File List", "File4", "C:\\gap.plr");
    store.WriteString("Recent File List", "File9", "C:\\beyond.plr");
    CRecentFileList read("Recent File List", "File%d", 8);
    read.ReadList(store);
    ASSERT_EQ(read.Items().size(), 3u);
    EXPECT_EQ(read.Items()[2], "C:\\gap.plr");
}

TEST(RecentFileList, MenuTextNumbersTheEntryAndDoublesAmpersands) {
    EXPECT_EQ(CRecentFileList::MenuText(0, "C:\\R&D\\a.plr"), "&1 C:\\R&&D\\a.plr");
    EXPECT_EQ(CRecentFileList::MenuText(7, "C:\\表示.plr"), "&8 C:\\表示.plr");
}
