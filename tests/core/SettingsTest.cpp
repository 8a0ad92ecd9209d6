#include <gtest/gtest.h>

#include <set>

#include "app/Settings.h"
#include "app/SettingsStore.h"

TEST(SettingsTable, NamesAreUniqueAndDefaultsAsDocumented) {
    std::set<std::pair<std::string, std::string>> seen;
    for (const auto& d : setting::All()) {
        EXPECT_TRUE(seen.insert({d.section, d.name}).second) << d.name;
    }
    CMemorySettingsStore store;
    CSettings s(store);
    EXPECT_EQ(s.GetString(setting::FileType), "BMP JPG HTML");
    EXPECT_EQ(s.GetInt(setting::ModType), 1);
    EXPECT_EQ(s.GetInt(setting::ChangerType), 600);
    EXPECT_EQ(s.GetInt(setting::ExeCuteCheck), 0);
    EXPECT_EQ(s.GetInt(setting::TreeSize), 150);
    EXPECT_EQ(s.GetInt(setting::ViewType), 59411);
    EXPECT_EQ(s.GetInt(setting::ViewWhiDth), 120);
    EXPECT_EQ(s.GetInt(setting::ViewHeight), 160);
    EXPECT_EQ(s.GetInt(setting::CheckDispFileInfo), 1);
    EXPECT_EQ(s.GetString(setting::EndFileName), "");
    EXPECT_EQ(s.GetInt(setting::CreaterCount), 0);
    EXPECT_STREQ(setting::Column(0).name, "Column-00");
    EXPECT_STREQ(setting::Column(5).name, "Column-05");
    EXPECT_EQ(s.GetInt(setting::Column(3)), 100);
    EXPECT_STREQ(setting::CreaterSlot(12).name, "Creater0012");
    EXPECT_STREQ(setting::CreaterSlot(12).section, "Option\\Creater");
    EXPECT_STREQ(setting::RecentFile(1).name, "File1");
    EXPECT_STREQ(setting::RecentFile(1).section, "Recent File List");
    EXPECT_STREQ(setting::LeftPosition.section, "FileInfoView");
}

TEST(Settings, ExecuteFileDefaultsToTheFirstRecentFile) {
    CMemorySettingsStore store;
    CSettings s(store);
    EXPECT_EQ(s.GetString(setting::ExecuteFile), "");
    s.WriteString(setting::RecentFile(1), "C:\\a.plr");
    EXPECT_EQ(s.GetString(setting::ExecuteFile), "C:\\a.plr");
    s.WriteString(setting::ExecuteFile, "C:\\b.plr");
    EXPECT_EQ(s.GetString(setting::ExecuteFile), "C:\\b.plr");
}

TEST(Settings, ComputedDefaultsComeFromHooksAtEachRead) {
    CMemorySettingsStore store;
    int window = 0x112233;
    SettingHooks hooks;
    hooks.windowColor = [&] { return window; };
    hooks.windowTextColor = [] { return 0x010203; };
    hooks.desktop = [] { return DesktopRect{0, 0, 1024, 768}; };
    hooks.dialogFont = [] {
        FontRecord f;
        f.height = -12;
        f.weight = 400;
        f.charSet = 128;
        f.faceName = "ＭＳ Ｐゴシック";
        return f;
    };
    CSettings s(store, hooks);
    EXPECT_EQ(s.GetInt(setting::FileInfoBackColor), 0x112233);
    window = 0x445566;  // never cached
    EXPECT_EQ(s.GetInt(setting::FileInfoBackColor), 0x445566);
    EXPECT_EQ(s.GetInt(setting::FileInfoFontColor), 0x010203);
    EXPECT_EQ(s.GetInt(setting::LeftPosition), 1024 - 102);
    EXPECT_EQ(s.GetInt(setting::TopPosition), 768 - 76);
    EXPECT_EQ(s.GetInt(setting::Width), 102);
    EXPECT_EQ(s.GetInt(setting::Height), 76);
    FontRecord f = s.GetFont();
    EXPECT_EQ(f.height, -12);
    EXPECT_EQ(f.charSet, 128);
    EXPECT_EQ(f.faceName, "ＭＳ Ｐゴシック");
    EXPECT_FALSE(store.Has("Option", "lfHeight"));  // reading never writes
}

TEST(Settings, InfoWindowDefaultTruncatesTowardZero) {
    DesktopRect d{-100, -50, 1005, 759};
    EXPECT_EQ(InfoWindowDefault(setting::Width, d), 110);
    EXPECT_EQ(InfoWindowDefault(setting::Height, d), 80);
    EXPECT_EQ(InfoWindowDefault(setting::LeftPosition, d), 1005 - 110);
    EXPECT_EQ(InfoWindowDefault(setting::TopPosition, d), 759 - 80);
}

TEST(Settings, FontRoundTripCutsLongFaceNamesWithoutSplittingCharacters) {
    CMemorySettingsStore store;
    CSettings s(store);
    FontRecord f;
    f.height = -16;
    f.italic = 1;
    f.pitchAndFamily = 0x131;  // byte fields keep their low byte
    // 16 double-byte characters: 32 bytes, one too many for the face field.
    f.faceName = "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰ";
    s.WriteFont(f);
    FontRecord g = s.GetFont();
    EXPECT_EQ(g.height, -16);
    EXPECT_EQ(g.italic, 1);
    EXPECT_EQ(g.pitchAndFamily, 0x31);
    EXPECT_EQ(g.faceName.size(), 30u);
    EXPECT_EQ(g.faceName, f.faceName.substr(0, 30));
    store.WriteString("Option", "lfFaceName", std::string(40, 'x'));
    EXPECT_EQ(s.GetFont().faceName, std::string(31, 'x'));
}
