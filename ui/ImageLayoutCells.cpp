#include "ui/ImageLayoutCells.h"

std::vector<LayoutCell> LayoutPreviewCells(const LayoutRect& client, const LayoutSizes& s,
                                           std::size_t maxCells) {
    std::vector<LayoutCell> cells;
    const long long b = s.border, w = s.width, h = s.height;
    const long long mw = s.marginWidth, mh = s.marginHeight;
    const long long stepX = w + 2 * (b + mw);
    const long long stepY = h + 2 * (b + mh);
    // The bounds compare a position with the client's size, not its right edge; for a client
    // at the origin these are the same.
    const long long limitX = client.right - client.left;
    const long long limitY = client.bottom - client.top;
    for (long long x = client.left; x <= limitX; x += stepX) {
        for (long long y = client.top; y <= limitY; y += stepY) {
            if (cells.size() >= maxCells) return cells;
            LayoutCell cell;
            cell.outer = {x, y, x + b + w + mw, y + b + h + mh};
            cell.border = {cell.outer.left + mw, cell.outer.top + mh, cell.outer.right - mw,
                           cell.outer.bottom - mh};
            cell.inner = {cell.border.left + b, cell.border.top + b, cell.border.right - b,
                          cell.border.bottom - b};
            cells.push_back(cell);
            if (stepY == 0) break;  // all sizes 0: one row, not an endless loop
        }
        if (stepX == 0) break;
    }
    return cells;
}
