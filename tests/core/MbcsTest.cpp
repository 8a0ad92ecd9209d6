#include <gtest/gtest.h>

#include "model/Mbcs.h"

// "表" (0x95 0x5C) and "ソ" (0x83 0x5C) end in a backslash byte; "能" (0x94 0x5C) too.
TEST(Mbcs, TrailBackslashIsNotASeparator) {
    EXPECT_EQ(mbcs::FileName("C:\\壁紙\\表示.JPG"), "表示.JPG");
    EXPECT_EQ(mbcs::FileName("C:\\ソフト\\a.bmp"), "a.bmp");
    EXPECT_EQ(mbcs::FileName("ソ"), "ソ");
    EXPECT_EQ(mbcs::FileName("dir/能.html"), "能.html");
    EXPECT_EQ(mbcs::FileName("C:name.bmp"), "name.bmp");
}

TEST(Mbcs, ExtensionOfLastComponentOnly) {
    EXPECT_EQ(mbcs::Extension("C:\\a.b\\noext"), "");
    EXPECT_EQ(mbcs::Extension("C:\\x\\archive.tar.GZ"), ".GZ");
    EXPECT_EQ(mbcs::Extension("能.html"), ".html");
    EXPECT_EQ(mbcs::Extension("表示.JPG"), ".JPG");
    EXPECT_EQ(mbcs::Extension(""), "");
}

TEST(Mbcs, LowerCasesAsciiButNotTrailBytes) {
    // "ア" in CP932 is 0x83 0x41: its trail byte looks like 'A' and must stay.
    const std::string katakanaA = "\x83\x41";
    EXPECT_EQ(mbcs::ToLower(katakanaA + "ABC"), katakanaA + "abc");
    EXPECT_EQ(mbcs::ToLower("表示.JPG"), "表示.jpg");
    // A lone lead byte at the end does not swallow past the string.
    EXPECT_EQ(mbcs::ToLower("A\x83"), "a\x83");
}
