#include <gtest/gtest.h>

#include <string>

#include "views/PageHistory.h"
#include "views/ThumbnailCache.h"

namespace {

CachedThumbnail Pixels(std::size_t count) {
    CachedThumbnail thumbnail;
    thumbnail.pixels.assign(count, 0);
    return thumbnail;
}

}  // namespace

TEST(ThumbnailCache, TheLeastRecentlyDrawnGoFirstAndTheNewestAlwaysStays) {
    CThumbnailCache cache;
    cache.m_budget = 3 * (100 * 4 + 64);
    cache.Add("a", Pixels(100));
    cache.Add("b", Pixels(100));
    cache.Add("c", Pixels(100));
    ASSERT_NE(nullptr, cache.Use("a"));  // drawn again: b is now the oldest
    cache.Add("d", Pixels(100));
    EXPECT_TRUE(cache.Contains("a"));
    EXPECT_FALSE(cache.Contains("b"));
    EXPECT_TRUE(cache.Contains("c") && cache.Contains("d"));
    EXPECT_LE(cache.Bytes(), cache.m_budget);
    // Peeking does not count as drawing.
    ASSERT_NE(nullptr, cache.Peek("c"));
    cache.Add("e", Pixels(100));
    EXPECT_FALSE(cache.Contains("c"));
    // One larger than the whole budget is still held, alone, until the next comes.
    cache.Add("huge", Pixels(10000));
    EXPECT_TRUE(cache.Contains("huge"));
    EXPECT_EQ(cache.Bytes(), 10000u * 4 + 64);
    // A key held already keeps what it has, and is not counted twice.
    cache.Add("huge", Pixels(5));
    EXPECT_EQ(cache.Peek("huge")->pixels.size(), 10000u);
    EXPECT_EQ(cache.Bytes(), 10000u * 4 + 64);
}

TEST(PageHistory, BackAndForwardFindWhereEachStepWasLeft) {
    CPageHistory history;
    EXPECT_EQ(nullptr, history.Back(0, 0));
    EXPECT_EQ("", history.CurrentPath());
    history.Navigate("page.htm", 0, 0);
    history.Navigate("one.jpg", 0, 240);  // the page was left scrolled down
    const CPageHistory::Step* back = history.Back(5, 6);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ("page.htm", back->path);
    EXPECT_EQ(240, back->scrollY);
    const CPageHistory::Step* forward = history.Forward(0, 300);
    ASSERT_NE(nullptr, forward);
    EXPECT_EQ(6, forward->scrollY);
    EXPECT_EQ(nullptr, history.Forward(0, 0));
    // A new step from the middle drops those after it; the same path again stays, at the top.
    history.Back(0, 0);
    EXPECT_EQ(0, history.Navigate("page.htm", 0, 50).scrollY);
    EXPECT_EQ(1u, history.size()) << "the same path reloads in its step, those after it dropped";
    history.Navigate("two.jpg", 0, 0);
    EXPECT_EQ(2u, history.size());
    EXPECT_EQ("two.jpg", history.CurrentPath());
}
