#include <gtest/gtest.h>

#include "model/ShellText.h"
#include "model/TokenList.h"

TEST(ShellText, PriorityLabels) {
    EXPECT_EQ(GetPriorityLabel(0), "萌え萌え！");
    EXPECT_EQ(GetPriorityLabel(2), "OKだよ");
    EXPECT_EQ(GetPriorityLabel(4), "たまに見るのも良いかな");
    EXPECT_EQ(GetPriorityLabel(5), "");
    EXPECT_EQ(GetPriorityLabel(-1), "");
    // The labels are CP932 bytes: "萌" is 0x96 0x47.
    EXPECT_EQ(GetPriorityLabel(0).substr(0, 2), "\x96\x47");
}

TEST(ShellText, YesNo) {
    EXPECT_EQ(GetYesNoLabel(0), "No");
    EXPECT_EQ(GetYesNoLabel(1), "Yes");
    EXPECT_EQ(GetYesNoLabel(-5), "Yes");
}

TEST(ShellText, MatchesFileTypeWithTheDefaultOption) {
    std::string option = "BMP JPG HTML";
    CTokenList tokens(option);
    auto matchesAny = [&](const std::string& path) {
        for (int i = 0; i < tokens.GetCount(); ++i) {
            if (MatchesFileType(path, tokens.Token(i))) return true;
        }
        return false;
    };
    EXPECT_TRUE(matchesAny("C:\\pics\\photo.JPG"));
    EXPECT_TRUE(matchesAny("C:\\pics\\page.html"));
    EXPECT_TRUE(matchesAny("C:\\壁紙\\表示.JPG"));
    EXPECT_TRUE(matchesAny("C:\\ソフト\\a.bmp"));
    EXPECT_TRUE(matchesAny("能.html"));
    EXPECT_FALSE(matchesAny("C:\\pics\\photo.jpeg"));
    EXPECT_FALSE(matchesAny("C:\\pics\\page.htm"));
    EXPECT_FALSE(matchesAny("C:\\pics\\nodot"));
    EXPECT_FALSE(matchesAny("C:\\pics.jpg\\nodot"));  // only the last component counts
}

TEST(ShellText, OddTokens) {
    EXPECT_FALSE(MatchesFileType("a.bmp", ".bmp"));  // two leading dots
    EXPECT_FALSE(MatchesFileType("a.bmp", ""));
    EXPECT_FALSE(MatchesFileType("nodot", ""));
    EXPECT_TRUE(MatchesFileType("a.", ""));  // a bare trailing dot is the extension "."
}

TEST(ShellText, DoubleByteExtensionsAreNotCaseFolded) {
    // "ア" is 0x83 0x41; lower-casing its trail byte would make it "0x83 0x61" ("ャ"-like).
    EXPECT_FALSE(MatchesFileType("x.\x83\x61", "\x83\x41"));
    EXPECT_TRUE(MatchesFileType("x.\x83\x41", "\x83\x41"));
    // A trail byte 0x2E would never occur, but a trail byte 0x5C must not end the name.
    EXPECT_TRUE(MatchesFileType("C:\\能\\x.JPG", "jpg"));
}

TEST(ShellText, TempCollectionPath) {
    EXPECT_EQ(MakeTempCollectionPath("C:\\Temp\\"), "C:\\Temp\\PelorandTemp.plt");
}
