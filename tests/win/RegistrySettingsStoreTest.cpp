#include <gtest/gtest.h>
#include <windows.h>

#include "app/RegistrySettingsStore_win.h"
#include "app/Settings.h"

namespace {

// Each test works under its own application key so that no other state leaks in.
class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TesmarinTest"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TesmarinTest"); }
    static bool KeyExists(const char* path) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
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

TEST_F(RegistryStoreTest, ClearSectionRemovesAllValues) {
    CSettings s(store);
    s.WriteString(setting::RecentFile(1), "C:\\a.plr");
    s.WriteString(setting::RecentFile(2), "C:\\b.plr");
    EXPECT_TRUE(store.ClearSection("Recent File List"));
    EXPECT_EQ(s.GetString(setting::RecentFile(1)), "");
    EXPECT_EQ(s.GetString(setting::RecentFile(2)), "");
}

TEST(AnsiCodePage, IsJapanese) {
    // Everything else assumes CP932; a wrong Wine locale would silently break it.
    EXPECT_EQ(GetACP(), 932u);
}
