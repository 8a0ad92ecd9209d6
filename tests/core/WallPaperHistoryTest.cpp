#include <gtest/gtest.h>

#include "changer/WallPaperHistory.h"

TEST(WallPaperHistory, KeepsTheNewest101OldestFirst) {
    CWallPaperHistory history;
    EXPECT_EQ(history.GetCount(), 0u);
    EXPECT_EQ(history.GetAt(0), "");
    for (int i = 1; i <= 101; ++i) history.Record("p" + std::to_string(i));
    EXPECT_EQ(history.GetCount(), 101u);
    EXPECT_EQ(history.GetAt(0), "p1");
    history.Record("p102");  // the 102nd drops the oldest
    EXPECT_EQ(history.GetCount(), 101u);
    EXPECT_EQ(history.GetAt(0), "p2");
    EXPECT_EQ(history.GetAt(100), "p102");
    EXPECT_EQ(history.GetAt(101), "");
    for (int i = 0; i < 1000; ++i) history.Record("same");
    EXPECT_EQ(history.GetCount(), 101u);
    EXPECT_EQ(history.GetAt(0), "same");  // the same path twice is recorded twice
}
