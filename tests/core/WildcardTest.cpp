#include <gtest/gtest.h>

#include "model/Wildcard.h"

TEST(Wildcard, ExtensionPatternsAsTheDirectorySearchUsesThem) {
    EXPECT_TRUE(MatchesWildcard("x.JPG", "*.JPG"));
    EXPECT_TRUE(MatchesWildcard("x.jpg", "*.JPG"));  // letters without case
    EXPECT_TRUE(MatchesWildcard("a.b.jpg", "*.jpg"));
    EXPECT_FALSE(MatchesWildcard("x.jpeg", "*.jpg"));
    EXPECT_FALSE(MatchesWildcard("xjpg", "*.jpg"));
    EXPECT_FALSE(MatchesWildcard("x.jpg.txt", "*.jpg"));
    EXPECT_TRUE(MatchesWildcard(".", "*.*"));
    EXPECT_TRUE(MatchesWildcard("..", "*.*"));
    EXPECT_TRUE(MatchesWildcard("noext", "*.*"));
    EXPECT_TRUE(MatchesWildcard("x.", "*."));
    EXPECT_TRUE(MatchesWildcard("noext", "*."));
    EXPECT_TRUE(MatchesWildcard(".", "*."));
    EXPECT_TRUE(MatchesWildcard("..", "*."));
    EXPECT_FALSE(MatchesWildcard("x.jpg", "*."));
    EXPECT_FALSE(MatchesWildcard("x", "*.JPG"));
    EXPECT_TRUE(MatchesWildcard("x.JPG", "*.J?G"));
    EXPECT_TRUE(MatchesWildcard("", "*"));
    EXPECT_FALSE(MatchesWildcard("", "?"));
}

TEST(Wildcard, DoubleByteCharactersAreOneCharacterAndKeepTheirCase) {
    // 表, ソ and 能 end in the byte of '\\'; ア ends in that of 'A'.
    EXPECT_TRUE(MatchesWildcard("表.jpg", "?.JPG"));
    EXPECT_FALSE(MatchesWildcard("表.jpg", "??.JPG"));
    EXPECT_TRUE(MatchesWildcard("ソフト.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesWildcard("x.能力", "*.能力"));
    EXPECT_TRUE(MatchesWildcard("表表.表.jpg", "*表.JPG"));  // a star backing up over them
    EXPECT_FALSE(MatchesWildcard("表表.jpg", "*ソ.JPG"));
    // The trail byte of ア must not be lower-cased into a match.
    EXPECT_FALSE(MatchesWildcard("x.ア", std::string("*.\x83"
                                                     "a")));
    EXPECT_TRUE(MatchesWildcard("x.ア", std::string("*.\x83"
                                                    "A")));
}
