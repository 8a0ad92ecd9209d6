#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/IniSettingsStore.h"
#include "model/Settings.h"

namespace {

class IniSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = ::testing::TempDir() + "plr_settings.ini";
        std::remove(m_path.c_str());
    }
    void TearDown() override { std::remove(m_path.c_str()); }
    void WriteFile(const std::string& text) { std::ofstream(m_path, std::ios::binary) << text; }
    std::string ReadFile() {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string m_path;
};

}  // namespace

TEST_F(IniSettingsStoreTest, AMissingFileOrValueGivesTheTablesDefaults) {
    CIniSettingsStore store(m_path);
    CSettings settings(store);
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 600);
    EXPECT_EQ(settings.GetInt(setting::ModType), 1);
    EXPECT_EQ(settings.GetString(setting::FileType), "BMP JPG HTML");
    WriteFile("[Option]\nModType=0\n");
    EXPECT_EQ(settings.GetInt(setting::ModType), 0);
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 600);
    EXPECT_EQ(settings.GetString(setting::EndFileName), "");
}

TEST_F(IniSettingsStoreTest, ReadsAsTheRegistryWouldAnswer) {
    WriteFile(
        "# written by hand\r\n"
        "[option]\r\n"
        "  changertype = 30 \r\n"
        "FileType=JPG PNG\r\n"
        "; a comment\r\n"
        "EndFileName=/home/u/end wall.png\r\n"
        "not a value\r\n"
        "ModType=random\r\n"
        "EndFileSetCheck=1\r\n"
        "EndFileSetCheck=0\r\n"
        "ViewSize=99999999999\r\n"
        "[Option\\Creater]\r\n"
        "Creater0000=someone\r\n");
    CIniSettingsStore store(m_path);
    CSettings settings(store);
    // Names compare without case; blanks around them and around values go.
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 30);
    EXPECT_EQ(settings.GetString(setting::FileType), "JPG PNG");
    EXPECT_EQ(settings.GetString(setting::EndFileName), "/home/u/end wall.png");
    // A value that is no number, or one beyond an int, is a wrong type: the default applies.
    EXPECT_EQ(settings.GetInt(setting::ModType), 1);
    EXPECT_EQ(settings.GetInt(setting::ViewSize), 150);
    EXPECT_EQ(settings.GetInt(setting::EndFileSetCheck), 0);  // the last one wins
    EXPECT_EQ(settings.GetString(setting::CreaterSlot(0)), "someone");
    EXPECT_EQ(settings.GetString(setting::CreaterSlot(1)), "");
    // Each read goes to the file: a change made meanwhile is seen at once.
    WriteFile("[Option]\nChangerType=45\n");
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 45);
}

TEST_F(IniSettingsStoreTest, AByteOrderMarkIsSkippedAndBadNumbersAreToldWithTheirLine) {
    WriteFile("\xEF\xBB\xBF[Option]\r\nChangerType=abc\r\nModType=0\r\nViewSize=0x10\r\n");
    CIniSettingsStore store(m_path);
    std::vector<std::string> told;
    store.SetBadValueSink([&](const std::string& message) { told.push_back(message); });
    CSettings settings(store);
    EXPECT_EQ(settings.GetInt(setting::ModType), 0);  // the marked first line opens [Option]
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 600);
    EXPECT_EQ(settings.GetInt(setting::ViewSize), 150);
    settings.GetInt(setting::Width);  // missing: nothing to tell
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], m_path + " line 2: ChangerType=abc is not a whole number; 600 is used");
    EXPECT_EQ(told[1], m_path + " line 4: ViewSize=0x10 is not a whole number; 150 is used");
    // Written again, the file keeps no mark and the values stay readable.
    settings.WriteInt(setting::ChangerType, 30);
    EXPECT_EQ(ReadFile().compare(0, 8, "[Option]"), 0);
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 30);
}

TEST_F(IniSettingsStoreTest, NumbersParseWhole) {
    int value = 7;
    EXPECT_TRUE(CIniSettingsStore::ParseInt("-12", value));
    EXPECT_EQ(value, -12);
    EXPECT_TRUE(CIniSettingsStore::ParseInt("2147483647", value));
    EXPECT_EQ(value, 2147483647);
    value = 7;
    for (const char* bad : {"", "12x", "x12", " 12", "2147483648", "-2147483649", "1.5"}) {
        EXPECT_FALSE(CIniSettingsStore::ParseInt(bad, value)) << bad;
        EXPECT_EQ(value, 7) << bad;
    }
}

TEST_F(IniSettingsStoreTest, WritesKeepTheOtherValuesAndTheirSpelling) {
    WriteFile("[Option]\nfiletype=JPG\nChangerType=30\n\n[FileInfoView]\nWidth=100\n");
    CIniSettingsStore store(m_path);
    CSettings settings(store);
    settings.WriteInt(setting::ChangerType, 120);
    settings.WriteString(setting::EndFileName, "/a b/c.png");
    settings.WriteInt(setting::CreaterCount, 2);
    EXPECT_EQ(settings.GetInt(setting::ChangerType), 120);
    EXPECT_EQ(settings.GetString(setting::EndFileName), "/a b/c.png");
    EXPECT_EQ(settings.GetString(setting::FileType), "JPG");
    EXPECT_EQ(settings.GetInt(setting::Width), 100);
    EXPECT_EQ(ReadFile(),
              "[FileInfoView]\nWidth=100\n\n"
              "[Option]\nChangerType=120\nEndFileName=/a b/c.png\nfiletype=JPG\n\n"
              "[Option\\Creater]\nCreaterCount=2\n");
    // A value that would become two lines is refused and changes nothing.
    EXPECT_FALSE(store.WriteString("Option", "FileType", "JPG\n[Evil]"));
    EXPECT_EQ(settings.GetString(setting::FileType), "JPG");
    std::ifstream leftover(m_path + ".new");
    EXPECT_FALSE(leftover.good());
}

TEST_F(IniSettingsStoreTest, TheFirstWriteCreatesTheFile) {
    CIniSettingsStore store(m_path);
    EXPECT_TRUE(store.WriteInt("Option", "ModType", 0));
    EXPECT_EQ(ReadFile(), "[Option]\nModType=0\n");
    EXPECT_TRUE(store.WriteInt("Option", "ModType", 1));  // and the next ones replace it
    EXPECT_EQ(ReadFile(), "[Option]\nModType=1\n");
}
