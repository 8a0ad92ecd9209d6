#include <gtest/gtest.h>

#include <string>

#include "changer/WallpaperFit.h"

TEST(WallpaperFitTest, EachChoiceStoresTheShellsOwnValuesAndUnchangedStoresNone) {
    struct Case {
        int stored;
        const char* label;
        const char* style;
        const char* tile;
        unsigned long activeDesktop;
    };
    // The numbers the shell reads: a wrong one shows the picture in another way.
    const Case cases[] = {
        {1, "中央に表示", "0", "0", 0},      {2, "並べて表示", "0", "1", 1},
        {3, "拡大して表示", "2", "0", 2},    {4, "画面に合わせる", "6", "0", 3},
        {5, "画面全体に表示", "10", "0", 4},
    };
    for (const Case& c : cases) {
        const WallpaperFit fit = ToWallpaperFit(c.stored);
        EXPECT_STREQ(WallpaperFitLabel(fit), c.label);
        std::string style = "x", tile = "x";
        ASSERT_TRUE(WallpaperStyleValues(fit, style, tile)) << c.label;
        EXPECT_EQ(style, c.style) << c.label;
        EXPECT_EQ(tile, c.tile) << c.label;
        unsigned long number = 99;
        ASSERT_TRUE(ActiveDesktopStyle(fit, number));
        EXPECT_EQ(number, c.activeDesktop) << c.label;
    }
    // The default, and anything edited into the registry outside the list, leaves the
    // system's style alone.
    for (int stored : {0, -1, 6, 1000}) {
        const WallpaperFit fit = ToWallpaperFit(stored);
        EXPECT_EQ(fit, WallpaperFit::Unchanged);
        EXPECT_STREQ(WallpaperFitLabel(fit), "変更しない");
        std::string style = "kept", tile = "kept";
        EXPECT_FALSE(WallpaperStyleValues(fit, style, tile));
        EXPECT_EQ(style, "kept");
        unsigned long number = 99;
        EXPECT_FALSE(ActiveDesktopStyle(fit, number));
        EXPECT_EQ(number, 99u);
    }
}
