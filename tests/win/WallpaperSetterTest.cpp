#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>

#include "changer/CrtRandom.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "fw/Handles.h"

namespace {

std::string StoredWallpaper() {
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return value;
}

// Sets wallpapers for real, so the user's own wallpaper is put back afterwards.
class WallpaperSetterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = StoredWallpaper();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        picture = std::string(temp) + "壁紙テスト.bmp";
        std::ofstream(picture, std::ios::binary) << "BM";
    }
    void TearDown() override {
        if (previous != "<none>") {
            SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(previous.c_str()),
                                  SPIF_UPDATEINIFILE);
        }
        DeleteFileA(picture.c_str());
    }

    std::string previous;
    std::string picture;
    CWallPaperHistory history;
};

}  // namespace

TEST_F(WallpaperSetterTest, SetsTheWallpaperAndRecordsItWithOrWithoutCom) {
    // Without COM the shell object cannot be made; with it, Wine's answers E_NOTIMPL. Both
    // must end with the wallpaper set by the system and recorded once.
    ASSERT_TRUE(SetDesktopWallpaper(picture, history));
    EXPECT_EQ(StoredWallpaper(), picture);
    ASSERT_EQ(history.GetCount(), 1u);
    EXPECT_EQ(history.GetAt(0), picture);

    {
        CComInit com;
        ASSERT_TRUE(SUCCEEDED(com.Result()));
        CWallpaperSetter setter(history);
        EXPECT_TRUE(setter.SetDesktopWallpaper(""));  // an empty path is passed on as it is
        EXPECT_EQ(StoredWallpaper(), "");
        EXPECT_TRUE(setter.SetDesktopWallpaper(picture));
        EXPECT_EQ(StoredWallpaper(), picture);
    }
    ASSERT_EQ(history.GetCount(), 3u);
    EXPECT_EQ(history.GetAt(1), "");
    EXPECT_EQ(history.GetAt(2), picture);
}

TEST(CrtRandomOnWindows, AgreesWithTheCLibrarysRand) {
    for (unsigned seed : {0u, 1u, 1765000000u, 0xFFFFFFFFu}) {
        std::srand(seed);
        CCrtRandom ours;
        ours.Seed(seed);
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(ours.Next(), std::rand()) << seed << " " << i;
    }
}
