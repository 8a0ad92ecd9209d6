#include <gtest/gtest.h>

#include <set>

#include "model/Settings.h"
#include "model/SettingsStore.h"

TEST(SettingsTable, NamesAreUniqueAndReadsFallBackToTheTablesDefaults) {
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

// The stored names are read by earlier installations' registries: a misspelling, a wrong
// section or a changed default would silently lose users' settings.
TEST(SettingsTable, EveryStoredValue) {
    struct Expected {
        const char* section;
        const char* name;
        SettingType type;
        int intDefault;
        const char* stringDefault;
        DefaultSource source;
    };
    const auto I = SettingType::Int;
    const auto S = SettingType::String;
    const auto C = DefaultSource::Constant;
    const auto F = DefaultSource::DialogFont;
    const auto D = DefaultSource::DesktopRect;
    const Expected expected[] = {
        {"Option", "FileType", S, 0, "BMP JPG HTML", C},
        {"Option", "ModType", I, 1, "", C},
        {"Option", "ChangerType", I, 600, "", C},
        {"Option", "EndFileName", S, 0, "", C},
        {"Option", "EndFileSetCheck", I, 0, "", C},
        {"Option", "ExecuteRadio", I, 0, "", C},
        {"Option", "ExecuteFile", S, 0, "", DefaultSource::RecentFile1},
        {"Option", "ExeCuteCheck", I, 0, "", C},
        {"Option", "CheckDispFileInfo", I, 1, "", C},
        {"Option", "FileInfoBackColor", I, 0, "", DefaultSource::WindowColor},
        {"Option", "FileInfoFontColor", I, 0, "", DefaultSource::WindowTextColor},
        {"Option", "CheckDispFileName", I, 1, "", C},
        {"Option", "CheckDispFindAttr", I, 1, "", C},
        {"Option", "CheckDispCreater", I, 1, "", C},
        {"Option", "CheckDispComment", I, 1, "", C},
        {"Option", "lfHeight", I, 0, "", F},
        {"Option", "lfWidth", I, 0, "", F},
        {"Option", "lfEscapement", I, 0, "", F},
        {"Option", "lfOrientation", I, 0, "", F},
        {"Option", "lfWeight", I, 0, "", F},
        {"Option", "lfItalic", I, 0, "", F},
        {"Option", "lfUnderline", I, 0, "", F},
        {"Option", "lfStrikeOut", I, 0, "", F},
        {"Option", "lfCharSet", I, 0, "", F},
        {"Option", "lfOutPrecision", I, 0, "", F},
        {"Option", "lfClipPrecision", I, 0, "", F},
        {"Option", "lfQuality", I, 0, "", F},
        {"Option", "lfPitchAndFamily", I, 0, "", F},
        {"Option", "lfFaceName", S, 0, "", F},
        {"Option", "TreeSize", I, 150, "", C},
        {"Option", "ViewSize", I, 150, "", C},
        {"Option", "ImageViewSize", I, 150, "", C},
        {"Option", "ViewType", I, 59411, "", C},
        {"Option", "ViewBordar", I, 1, "", C},
        {"Option", "ViewWhiDth", I, 120, "", C},
        {"Option", "ViewHeight", I, 160, "", C},
        {"Option", "ViewMarjinWidth", I, 10, "", C},
        {"Option", "ViewMarjinHeight", I, 10, "", C},
        {"Option\\Creater", "CreaterCount", I, 0, "", C},
        {"FileInfoView", "LeftPosition", I, 0, "", D},
        {"FileInfoView", "TopPosition", I, 0, "", D},
        {"FileInfoView", "Width", I, 0, "", D},
        {"FileInfoView", "Height", I, 0, "", D},
        {"Option", "FitType", I, 0, "", C},
        {"Option", "CheckTrayIcon", I, 0, "", C},
        {"Option", "CheckFullScreenQuiet", I, 0, "", C},
        {"Option", "CheckPerMonitor", I, 0, "", C},
        {"Option", "Column-00", I, 100, "", C},
        {"Option", "Column-01", I, 100, "", C},
        {"Option", "Column-02", I, 100, "", C},
        {"Option", "Column-03", I, 100, "", C},
        {"Option", "Column-04", I, 100, "", C},
        {"Option", "Column-05", I, 100, "", C},
    };
    const auto& all = setting::All();
    ASSERT_EQ(all.size(), sizeof expected / sizeof expected[0]);
    for (const Expected& e : expected) {
        const SettingDef* found = nullptr;
        for (const auto& d : all) {
            if (std::string(d.name) == e.name) found = &d;
        }
        ASSERT_NE(found, nullptr) << e.name;
        EXPECT_STREQ(found->section, e.section) << e.name;
        EXPECT_EQ(found->type, e.type) << e.name;
        EXPECT_EQ(found->source, e.source) << e.name;
        if (e.source == DefaultSource::Constant) {
            EXPECT_EQ(found->intDefault, e.intDefault) << e.name;
            EXPECT_STREQ(found->stringDefault, e.stringDefault) << e.name;
        }
    }
}
