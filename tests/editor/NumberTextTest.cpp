#include <gtest/gtest.h>

#include <climits>

#include "fw/NumberText.h"

TEST(NumberText, AcceptsWholeIntegersWithBlanksAroundThem) {
    long long v = -1;
    EXPECT_TRUE(ParseFieldInteger("600", false, 0, UINT_MAX, v));
    EXPECT_EQ(v, 600);
    EXPECT_TRUE(ParseFieldInteger("  42\t", false, 0, UINT_MAX, v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseFieldInteger("+7", false, 0, UINT_MAX, v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ParseFieldInteger("-12", true, INT_MIN, INT_MAX, v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(ParseFieldInteger("0", false, 0, 0, v));
    EXPECT_EQ(v, 0);
}

TEST(NumberText, RejectsEverythingElseAndLeavesTheValue) {
    long long v = 99;
    for (const char* bad : {"", "   ", "-", "+", "12a", "a12", "1 2", "1.5", "0x10", "１２"}) {
        EXPECT_FALSE(ParseFieldInteger(bad, true, INT_MIN, INT_MAX, v)) << bad;
    }
    EXPECT_FALSE(ParseFieldInteger("-1", false, 0, UINT_MAX, v));  // no sign for unsigned fields
    EXPECT_FALSE(ParseFieldInteger("2147483648", true, INT_MIN, INT_MAX, v));
    EXPECT_FALSE(ParseFieldInteger("4294967296", false, 0, UINT_MAX, v));
    EXPECT_FALSE(ParseFieldInteger("99999999999999999999999", false, 0, UINT_MAX, v));
    EXPECT_EQ(v, 99);
    EXPECT_TRUE(ParseFieldInteger("4294967295", false, 0, UINT_MAX, v));
    EXPECT_TRUE(ParseFieldInteger("-2147483648", true, INT_MIN, INT_MAX, v));
}

TEST(NumberText, FormatsTheRangeMessage) {
    EXPECT_EQ(FormatMessage2("%1 から %2 までの整数を入力してください。", "1", "10"),
              "1 から 10 までの整数を入力してください。");
    EXPECT_EQ(FormatMessage2("%2-%1-%3%", "a", "b"), "b-a-%3%");
}

TEST(NumberText, GroupsACountsDigitsByThrees) {
    EXPECT_EQ(GroupDigits(0), "0");
    EXPECT_EQ(GroupDigits(999), "999");
    EXPECT_EQ(GroupDigits(1000), "1,000");
    EXPECT_EQ(GroupDigits(96150), "96,150");
    EXPECT_EQ(GroupDigits(123456789), "123,456,789");
    EXPECT_EQ(GroupDigits(18446744073709551615ull), "18,446,744,073,709,551,615");
}
