#include <gtest/gtest.h>
#include <windows.h>

#include "app/RegistrySettingsStore_win.h"
#include "model/Settings.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

// Each test works under its own application key so that no other state leaks in.
class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TesmarinTest"); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TesmarinTest"); }
    static bool KeyExists(const char* path) {
        CUniqueKey key;
        return RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(path).c_str(), 0, KEY_READ, key.Put()) ==
               ERROR_SUCCESS;
    }
    CRegistrySettingsStore store{"TesmarinTest", "Pelorand"};
};

}  // namespace

TEST_F(RegistryStoreTest, FreshProfileGivesEveryDefault) {
    CSettings s(store);
    for (const auto& d : setting::All()) {
        if (d.source != DefaultSource::Constant) continue;
        if (d.type == SettingType::Int) {
            EXPECT_EQ(s.GetInt(d), d.intDefault) << d.name;
        } else {
            EXPECT_EQ(s.GetString(d), d.stringDefault) << d.name;
        }
    }
    EXPECT_EQ(s.GetString(setting::ExecuteFile), "");
    EXPECT_FALSE(KeyExists("Software\\TesmarinTest"));  // reading creates nothing
}

TEST_F(RegistryStoreTest, FirstWriteCreatesTheKeyAndValuesRoundTrip) {
    CSettings s(store);
    s.WriteInt(setting::ViewType, 59410);
    EXPECT_TRUE(KeyExists("Software\\TesmarinTest\\Pelorand\\Option"));
    EXPECT_EQ(s.GetInt(setting::ViewType), 59410);
    s.WriteInt(setting::FileInfoBackColor, -1);
    EXPECT_EQ(s.GetInt(setting::FileInfoBackColor), -1);
    s.WriteString(setting::FileType, "JPG \"表示\" ソフト");
    EXPECT_EQ(s.GetString(setting::FileType), "JPG \"表示\" ソフト");
    s.WriteString(setting::CreaterSlot(0), "");
    EXPECT_EQ(store.GetString("Option\\Creater", "Creater0000", "x"), "");
    EXPECT_TRUE(KeyExists("Software\\TesmarinTest\\Pelorand\\Option\\Creater"));
    // A value of the wrong type reads as missing.
    EXPECT_EQ(store.GetInt("Option", "FileType", 77), 77);
}

TEST_F(RegistryStoreTest, ClearSectionRemovesAllValuesWhateverTheLengthOfTheirNames) {
    CSettings s(store);
    s.WriteString(setting::RecentFile(1), "C:\\a.plr");
    s.WriteString(setting::RecentFile(2), "C:\\b.plr");
    // Names past 255 characters, up to the registry's limit, once ended the enumeration.
    const std::string longName(300, 'n'), longestName(16383, 'm');
    ASSERT_TRUE(store.WriteString("Recent File List", longName, "C:\\c.plr"));
    ASSERT_TRUE(store.WriteString("Recent File List", longestName, "C:\\d.plr"));
    ASSERT_EQ(store.GetString("Recent File List", longestName, ""), "C:\\d.plr");
    s.WriteString(setting::RecentFile(3), "C:\\e.plr");
    EXPECT_TRUE(store.ClearSection("Recent File List"));
    EXPECT_EQ(s.GetString(setting::RecentFile(1)), "");
    EXPECT_EQ(s.GetString(setting::RecentFile(2)), "");
    EXPECT_EQ(s.GetString(setting::RecentFile(3)), "");
    EXPECT_EQ(store.GetString("Recent File List", longName, ""), "");
    EXPECT_EQ(store.GetString("Recent File List", longestName, ""), "");
}

TEST_F(RegistryStoreTest, TextsOfEarlierVersionsReadBackTheSameAndNewOnesReadOnAnySystem) {
    // An earlier version wrote through the multibyte calls on a Japanese system; on purpose
    // the same here.
    ASSERT_TRUE(store.WriteInt("Option", "lfHeight", 1));
    const std::string path = store.KeyPath("Option");
    const std::string old = "C:\\壁紙\\表示.bmp";
    {
        CUniqueKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, key.Put()),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.Get(), "EndFileName", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(old.c_str()),
                                 static_cast<DWORD>(old.size() + 1)),
                  ERROR_SUCCESS);
    }
    EXPECT_EQ(store.GetString("Option", "EndFileName", ""), old);

    // Written now, the value is the text itself in UTF-16, as any program reads it.
    ASSERT_TRUE(store.WriteString("Option", "lfFaceName", "ＭＳ Ｐゴシック"));
    wchar_t stored[64] = L"";
    DWORD size = sizeof stored;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, ToWide(path).c_str(), L"lfFaceName", RRF_RT_REG_SZ,
                           nullptr, stored, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(stored, L"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af");
    EXPECT_EQ(store.GetString("Option", "lfFaceName", ""), "ＭＳ Ｐゴシック");
}

TEST(AnsiCodePage, IsJapanese) {
    // Everything else assumes CP932; a wrong Wine locale would silently break it.
    EXPECT_EQ(GetACP(), 932u);
}
