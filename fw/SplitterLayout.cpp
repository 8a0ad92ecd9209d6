#include "fw/SplitterLayout.h"

#include <algorithm>

void LayoutSplitterPanes(std::vector<SplitterPane>& panes, int total, int bar) {
    if (panes.empty()) return;
    int remaining = std::max(total, 0);
    for (std::size_t i = 0; i + 1 < panes.size(); ++i) {
        SplitterPane& pane = panes[i];
        int size = pane.ideal < pane.min ? 0 : pane.ideal;
        size = std::min(size, std::max(remaining - bar, 0));
        pane.current = size;
        remaining = std::max(remaining - size - bar, 0);
    }
    panes.back().current = remaining;
}

int SplitterPaneStart(const std::vector<SplitterPane>& panes, int index, int bar) {
    int start = 0;
    for (int i = 0; i < index && i < static_cast<int>(panes.size()); ++i) {
        start += panes[i].current + bar;
    }
    return start;
}

int SplitterHitBar(const std::vector<SplitterPane>& panes, int position, int bar) {
    for (int i = 0; i + 1 < static_cast<int>(panes.size()); ++i) {
        int start = SplitterPaneStart(panes, i, bar) + panes[i].current;
        if (position >= start && position < start + bar) return i;
    }
    return -1;
}

void SplitterDragBar(std::vector<SplitterPane>& panes, int index, int position, int total,
                     int bar) {
    if (index < 0 || index + 1 >= static_cast<int>(panes.size())) return;
    int start = SplitterPaneStart(panes, index, bar);
    // Keep room for the bars after this one.
    int barsAfter = (static_cast<int>(panes.size()) - 2 - index) * bar;
    int limit = std::max(total - start - bar - barsAfter, 0);
    panes[index].ideal = std::clamp(position - start, 0, limit);
}
