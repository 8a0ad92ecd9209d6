#include <gtest/gtest.h>

#include "model/Wildcard.h"
#include "model/Mbcs.h"

namespace {
// The core's tests use CP932 names, as the program meets them on a Japanese system; the
// tests of other code pages set their rules themselves and put these back.
class Cp932Rules : public ::testing::Environment {
  public:
    void SetUp() override { mbcs::SetLeadBytes(mbcs::IsCp932LeadByte); }
};
::testing::Environment* const kCp932Rules = ::testing::AddGlobalTestEnvironment(new Cp932Rules);

struct ScopedLeadBytes {
    explicit ScopedLeadBytes(bool (*isLead)(unsigned char)) { mbcs::SetLeadBytes(isLead); }
    ~ScopedLeadBytes() { mbcs::SetLeadBytes(mbcs::IsCp932LeadByte); }
};
}  // namespace

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

TEST(Mbcs, TheLastLeadBytesOfCp932HideABackslashToo) {
    // 0xFA-0xFC lead user-defined and IBM characters such as "\xFA\x5C".
    for (unsigned char lead : {0xFA, 0xFB, 0xFC}) {
        const std::string name = std::string(1, static_cast<char>(lead)) + "\x5C" + "x.JPG";
        EXPECT_EQ(mbcs::FileName("C:\\d\\" + name), name) << int(lead);
        EXPECT_EQ(mbcs::ToLower(name), name.substr(0, 2) + "x.jpg");
    }
    EXPECT_FALSE(mbcs::IsLeadByte(0xFD));
    EXPECT_FALSE(mbcs::IsLeadByte(0xA0));
    EXPECT_FALSE(mbcs::IsLeadByte(0x80));
}

TEST(Mbcs, Utf8NamesFollowTheirOwnRules) {
    // "\xE3\x81\x82" is a UTF-8 character; under CP932 rules its 0x82 would swallow the dot.
    const std::string a = "\xE3\x81\x82";
    EXPECT_FALSE(MatchesWildcard(a + ".jpg", "*.JPG"));  // CP932 rules misread it
    ScopedLeadBytes utf8(nullptr);
    EXPECT_TRUE(MatchesWildcard(a + ".jpg", "*.JPG"));
    EXPECT_EQ(mbcs::Extension(a + ".jpg"), ".jpg");
    EXPECT_EQ(mbcs::FileName("/photos/" + a + "/pic.jpg"), "pic.jpg");
    EXPECT_EQ(mbcs::ToLower(a + "A.JPG"), a + "a.jpg");
}

#ifndef _WIN32
TEST(Mbcs, TheLinuxSystemCodePageIsUtf8) {
    ScopedLeadBytes restore(nullptr);
    mbcs::SetLeadBytes(mbcs::IsCp932LeadByte);
    mbcs::UseSystemCodePage();
    for (int c = 0; c < 256; ++c)
        EXPECT_FALSE(mbcs::IsLeadByte(static_cast<unsigned char>(c))) << c;
}
#endif
