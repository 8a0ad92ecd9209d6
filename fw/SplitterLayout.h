// How a static splitter shares one axis between its panes. Portable, so that the rules are
// tested without windows.
#pragma once

#include <vector>

struct SplitterPane {
    int ideal = 0;    // the size asked for; the user's drag changes it
    int min = 0;      // below this the pane is hidden (size 0) rather than squeezed
    int current = 0;  // the size the last layout gave
};

// Every pane but the last gets its ideal size (0 when that is below its minimum), as far as
// the space allows; the last pane takes whatever remains. bar pixels separate neighbours.
void LayoutSplitterPanes(std::vector<SplitterPane>& panes, int total, int bar);

// Start of pane index after a layout.
int SplitterPaneStart(const std::vector<SplitterPane>& panes, int index, int bar);

// The bar under position, or -1. Bar i lies between pane i and pane i + 1.
int SplitterHitBar(const std::vector<SplitterPane>& panes, int position, int bar);

// Moves bar i so that it starts at position: pane i's ideal size becomes what lies between
// its start and the bar, never less than 0 and never past the space of the panes after it.
void SplitterDragBar(std::vector<SplitterPane>& panes, int index, int position, int total, int bar);
