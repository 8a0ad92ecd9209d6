// The cells of the thumbnail layout preview: where each "CG" thumbnail of the chosen size,
// margin and border is drawn in the preview's client area. Portable.
#pragma once

#include <vector>

struct LayoutRect {
    long long left, top, right, bottom;
};

struct LayoutSizes {
    unsigned border = 0, width = 0, height = 0, marginHeight = 0, marginWidth = 0;
};

struct LayoutCell {
    LayoutRect outer;   // filled with the window colour
    LayoutRect border;  // inside the margins: filled with the text colour
    LayoutRect inner;   // inside the border: the window colour and the text "CG"
};

// Cells start at the client's left and top and step by width + 2 × (border + margin) across and
// height + 2 × (border + margin) down while the position is at most the client's width
// (height); a cell itself is one border and one margin wider than the picture. A step of 0
// (every size 0) gives a single column or row. At most maxCells cells are returned.
std::vector<LayoutCell> LayoutPreviewCells(const LayoutRect& client, const LayoutSizes& sizes,
                                           std::size_t maxCells = 100000);
