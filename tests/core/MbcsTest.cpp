#include <gtest/gtest.h>

#include "model/Wildcard.h"
#include "model/Mbcs.h"

namespace {
// The core's tests use CP932 names and Windows paths, as the program meets them on a Japanese
// system; the tests of other rules set them themselves and put these back.
class Cp932Rules : public ::testing::Environment {
  public:
    void SetUp() override {
        mbcs::SetLeadBytes(mbcs::IsCp932LeadByte);
        mbcs::SetWindowsPaths(true);
    }
};
::testing::Environment* const kCp932Rules = ::testing::AddGlobalTestEnvironment(new Cp932Rules);

struct ScopedLeadBytes {
    explicit ScopedLeadBytes(bool (*isLead)(unsigned char)) { mbcs::SetLeadBytes(isLead); }
    ~ScopedLeadBytes() {
        mbcs::SetLeadBytes(mbcs::IsCp932LeadByte);
        mbcs::SetWindowsPaths(true);
    }
};

// The rules of a POSIX system: UTF-8 names, '/' the only separator.
struct ScopedPosixRules : ScopedLeadBytes {
    ScopedPosixRules() : ScopedLeadBytes(nullptr) { mbcs::SetWindowsPaths(false); }
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

TEST(Mbcs, OnPosixABackslashBelongsToTheName) {
    ScopedPosixRules posix;
    EXPECT_EQ(mbcs::FileName("/walls/a\\b.jpg"), "a\\b.jpg");
    EXPECT_EQ(mbcs::LastComponentStart("/walls/a\\b.jpg"), 7u);
    EXPECT_EQ(mbcs::FileName("a\\b\\"), "a\\b\\");
    // Names written in CP932 whose second byte is 0x5C, read as bytes: nothing to split.
    EXPECT_EQ(mbcs::FileName("/w/表示.jpg"), "表示.jpg");
    EXPECT_EQ(mbcs::FileName("能力"), "能力");
    EXPECT_EQ(mbcs::FileName("/w/ソ\\x/能.JPG"), "能.JPG");
    // A colon is no drive on POSIX.
    EXPECT_EQ(mbcs::FileName("C:name.bmp"), "C:name.bmp");
    EXPECT_EQ(mbcs::Extension("/w/a.d\\noext"), ".d\\noext");
}

TEST(Mbcs, OnWindowsBothSeparateAndTrailBytesDoNot) {
    // The rules in force here are Windows' (see Cp932Rules), whichever build runs them.
    EXPECT_TRUE(mbcs::WindowsPaths());
    EXPECT_EQ(mbcs::FileName("C:\\walls\\a\\b.jpg"), "b.jpg");
    EXPECT_EQ(mbcs::FileName("C:\\walls/a/b.jpg"), "b.jpg");
    EXPECT_EQ(mbcs::FileName("C:\\w\\ソ\\能力.JPG"), "能力.JPG");
    EXPECT_EQ(mbcs::FileName("C:\\w\\表示"), "表示");
}

TEST(Mbcs, TheSystemRulesOfEachBuild) {
    ScopedLeadBytes restore(nullptr);
    mbcs::UseSystemCodePage();
#ifdef _WIN32
    EXPECT_TRUE(mbcs::WindowsPaths());
    EXPECT_EQ(mbcs::FileName("C:\\walls\\b.jpg"), "b.jpg");
#else
    EXPECT_FALSE(mbcs::WindowsPaths());
    EXPECT_EQ(mbcs::FileName("/walls/a\\b.jpg"), "a\\b.jpg");
    for (int c = 0; c < 256; ++c)
        EXPECT_FALSE(mbcs::IsLeadByte(static_cast<unsigned char>(c))) << c;
#endif
}
