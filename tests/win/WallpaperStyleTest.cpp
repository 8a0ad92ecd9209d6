// The fit the user chose, as the wallpaper setter leaves it for the shell.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "changer/WallpaperStyle_win.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

std::string DesktopValue(const char* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", ToWide(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return UiFromWide(value);
}

void SetDesktopValue(const char* name, const std::string& value) {
    CUniqueKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, key.Put(), nullptr));
    if (value == "<none>") {
        RegDeleteValueW(key.Get(), ToWide(name).c_str());
    } else {
        const std::wstring wide = ToWide(value);
        RegSetValueExW(key.Get(), ToWide(name).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
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
            std::wstring wide = ToWide(wallpaper);
            SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &wide[0],
                                  SPIF_UPDATEINIFILE);
        }
        if (!picture.empty()) DeleteFileW(ToWide(picture).c_str());
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
    const std::string temp = TempFolderPath();
    picture = temp + "fit-test.bmp";
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
