#include <gtest/gtest.h>

#include "fw/SplitterLayout.h"

namespace {
constexpr int kBar = 6;

std::vector<SplitterPane> Panes(std::initializer_list<std::pair<int, int>> idealMin) {
    std::vector<SplitterPane> panes;
    for (auto [ideal, min] : idealMin) panes.push_back({ideal, min, 0});
    return panes;
}
}  // namespace

TEST(SplitterLayout, FirstPanesTakeTheirIdealSizeAndTheLastTakesTheRest) {
    auto panes = Panes({{150, 10}, {999, 10}});
    LayoutSplitterPanes(panes, 800, kBar);
    EXPECT_EQ(panes[0].current, 150);
    EXPECT_EQ(panes[1].current, 800 - 150 - kBar);
    EXPECT_EQ(SplitterPaneStart(panes, 1, kBar), 150 + kBar);

    auto rows = Panes({{150, 10}, {150, 10}});
    LayoutSplitterPanes(rows, 600, kBar);
    EXPECT_EQ(rows[0].current, 150);
    EXPECT_EQ(rows[1].current, 600 - 150 - kBar);  // the stored height does not count
}

TEST(SplitterLayout, AnIdealBelowTheMinimumHidesThePane) {
    auto panes = Panes({{9, 10}, {0, 10}});
    LayoutSplitterPanes(panes, 500, kBar);
    EXPECT_EQ(panes[0].current, 0);
    EXPECT_EQ(panes[1].current, 500 - kBar);
    // The bar stays where it can be grabbed to open the pane again.
    EXPECT_EQ(SplitterHitBar(panes, 0, kBar), 0);
    EXPECT_EQ(SplitterHitBar(panes, kBar, kBar), -1);
}

TEST(SplitterLayout, PanesNeverOverflowASmallWindow) {
    auto panes = Panes({{400, 10}, {300, 10}, {0, 0}});
    LayoutSplitterPanes(panes, 200, kBar);
    EXPECT_EQ(panes[0].current, 200 - kBar);
    EXPECT_EQ(panes[1].current, 0);
    EXPECT_EQ(panes[2].current, 0);
    LayoutSplitterPanes(panes, 0, kBar);
    for (const auto& p : panes) EXPECT_EQ(p.current, 0);
    LayoutSplitterPanes(panes, -5, kBar);
    for (const auto& p : panes) EXPECT_GE(p.current, 0);
}

TEST(SplitterLayout, DraggingABarSetsTheIdealSizeWithinTheWindow) {
    auto panes = Panes({{150, 10}, {0, 10}});
    LayoutSplitterPanes(panes, 800, kBar);
    ASSERT_EQ(SplitterHitBar(panes, 152, kBar), 0);
    SplitterDragBar(panes, 0, 260, 800, kBar);
    LayoutSplitterPanes(panes, 800, kBar);
    EXPECT_EQ(panes[0].current, 260);
    SplitterDragBar(panes, 0, 5000, 800, kBar);
    EXPECT_EQ(panes[0].ideal, 800 - kBar);
    SplitterDragBar(panes, 0, -40, 800, kBar);
    EXPECT_EQ(panes[0].ideal, 0);
    // Dragged below its minimum the pane closes.
    SplitterDragBar(panes, 0, 4, 800, kBar);
    LayoutSplitterPanes(panes, 800, kBar);
    EXPECT_EQ(panes[0].current, 0);
    // There is no bar after the last pane.
    SplitterDragBar(panes, 1, 100, 800, kBar);
    EXPECT_EQ(panes[1].ideal, 0);
}

TEST(SplitterLayout, TheMiddleBarOfThreePanesMeasuresFromItsOwnPane) {
    auto panes = Panes({{100, 10}, {100, 10}, {0, 0}});
    LayoutSplitterPanes(panes, 500, kBar);
    int second = SplitterPaneStart(panes, 1, kBar);
    EXPECT_EQ(SplitterHitBar(panes, second + 100, kBar), 1);
    SplitterDragBar(panes, 1, second + 50, 500, kBar);
    EXPECT_EQ(panes[1].ideal, 50);
    SplitterDragBar(panes, 1, 10000, 500, kBar);
    EXPECT_EQ(panes[1].ideal, 500 - second - kBar);
}
