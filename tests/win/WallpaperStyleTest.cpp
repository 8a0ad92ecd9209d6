// The fit the user chose, as the wallpaper setter leaves it for the shell.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "changer/WallpaperStyle_win.h"
#include "win/Handles.h"

namespace {

std::string DesktopValue(const char* name) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return value;
}

void SetDesktopValue(const char* name, const std::string& value) {
    CUniqueKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, key.Put(), nullptr));
    if (value == "<none>") {
        RegDeleteValueA(key.Get(), name);
    } else {
        RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
}

// A real 1x1 BMP: 24 bits, one blue pixel.
std::string OnePixelBmp() {
    const unsigned char bytes[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0,   54, 0, 0, 0,  40,
                                   0,   0,   0,  1, 0, 0, 0, 1, 0, 0,   0,  1, 0, 24, 0,
                                   0,   0,   0,  0, 4, 0, 0, 0, 0, 0,   0,  0, 0, 0,  0,
                                   0,   0,   0,  0, 0, 0, 0, 0, 0, 255, 0,  0, 0};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

class WallpaperStyleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        style = DesktopValue("WallpaperStyle");
        tile = DesktopValue("TileWallpaper");
        wallpaper = DesktopValue("Wallpaper");
    }
    void TearDown() override {
        SetWallpaperFitSource(nullptr);
        SetDesktopValue("WallpaperStyle", style);
        SetDesktopValue("TileWallpaper", tile);
        if (wallpaper != "<none>") {
            SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(wallpaper.c_str()),
                                  SPIF_UPDATEINIFILE);
        }
        if (!picture.empty()) DeleteFileA(picture.c_str());
    }
    std::string style, tile, wallpaper, picture;
};

}  // namespace

TEST_F(WallpaperStyleTest, EachFitWritesItsValuesAndUnchangedWritesNothing) {
    int fit = 0;
    SetWallpaperFitSource([&] { return fit; });
    const struct {
        int fit;
        const char* style;
        const char* tile;
    } cases[] = {{2, "0", "1"}, {4, "6", "0"}, {5, "10", "0"}, {3, "2", "0"}, {1, "0", "0"}};
    for (const auto& c : cases) {
        fit = c.fit;
        ApplyWallpaperStyle();
        EXPECT_EQ(c.style, DesktopValue("WallpaperStyle")) << c.fit;
        EXPECT_EQ(c.tile, DesktopValue("TileWallpaper")) << c.fit;
    }
    // The user's own style stays when the choice is "変更しない" (or there is no program to ask).
    SetDesktopValue("WallpaperStyle", "22");
    SetDesktopValue("TileWallpaper", "7");
    fit = 0;
    ApplyWallpaperStyle();
    SetWallpaperFitSource(nullptr);
    ApplyWallpaperStyle();
    EXPECT_EQ("22", DesktopValue("WallpaperStyle"));
    EXPECT_EQ("7", DesktopValue("TileWallpaper"));

    // The Active Desktop record: only a choice replaces the style the shell gave.
    DWORD record = 9;
    ApplyWallpaperStyle(record);
    EXPECT_EQ(9u, record);
    SetWallpaperFitSource([] { return 5; });
    ApplyWallpaperStyle(record);
    EXPECT_EQ(4u, record);  // WPSTYLE_CROPTOFIT
}

TEST_F(WallpaperStyleTest, TheSetterAppliesTheFitReadAtEachChange) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    picture = std::string(temp) + "fit-test.bmp";
    std::ofstream(picture, std::ios::binary) << OnePixelBmp();
    int fit = 4;
    SetWallpaperFitSource([&] { return fit; });
    CWallPaperHistory history;
    ASSERT_TRUE(SetDesktopWallpaper(picture, history));
    EXPECT_EQ("6", DesktopValue("WallpaperStyle"));
    fit = 2;
    ASSERT_TRUE(SetDesktopWallpaper(picture, history));
    EXPECT_EQ("0", DesktopValue("WallpaperStyle"));
    EXPECT_EQ("1", DesktopValue("TileWallpaper"));
    EXPECT_EQ(picture, DesktopValue("Wallpaper"));
}
