// The thumbnail page: its text, written from the paths of the selected file rows, read back
// by the pane that shows it, and the flow of its thumbnails in a pane of a given width.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

class CSettings;
class IFileSystem;

// The five sizes of every thumbnail, read from the settings at the start of each page.
struct ThumbnailSizes {
    int width = 120;
    int height = 160;
    int hspace = 10;
    int vspace = 10;
    int border = 1;
};
ThumbnailSizes ReadThumbnailSizes(const CSettings& settings);

// Set by the user-interface thread to end a page early; null when nobody can ask.
using StopRequest = std::atomic<int>;
// Asked by a page being built whether it should end early; empty when nobody can ask.
using StopCheck = std::function<bool()>;

// What a page reads of the settings, read when the page starts.
struct PageSettings {
    ThumbnailSizes sizes;
    std::string fileTypes;  // FileType
};
PageSettings ReadPageSettings(const CSettings& settings);

extern const char kThumbnailPageFileName[];  // "PelorandHtmlTemp.html"

// The paths in order of first appearance, each once (byte-for-byte comparison). Stops after
// the path at which the stop request is found set.
std::vector<std::string> CollectUniquePaths(const std::vector<std::string>& pending,
                                            const StopRequest* stop);
std::vector<std::string> CollectUniquePaths(const std::vector<std::string>& pending,
                                            const StopCheck& stop);

// One thumbnail line, CR LF included, appended to page.
void AppendThumbnailLine(std::string& page, const std::string& path, const ThumbnailSizes& sizes);

// The whole page for paths: a plain file gives its own line; a directory (or a path that
// cannot be examined) gives a line per file whose extension is one of FileType's tokens, read
// again for each directory, in the file system's order. The stop request ends the page early
// but it is still closed.
std::string BuildThumbnailPageText(const std::vector<std::string>& paths,
                                   const ThumbnailSizes& sizes, const CSettings& settings,
                                   const IFileSystem& fs, const StopRequest* stop);
// The same with the file types read beforehand (a page built away from the settings store).
std::string BuildThumbnailPageText(const std::vector<std::string>& paths,
                                   const ThumbnailSizes& sizes, const std::string& fileTypes,
                                   const IFileSystem& fs, const StopCheck& stop);

// One thumbnail of a page, as the pane reads it back.
struct PageItem {
    std::string href;
    std::string src;
    std::string alt;
    ThumbnailSizes sizes;
};

// The largest size the pane honours; a setting beyond it is drawn at this size.
constexpr int kMaxThumbnailSide = 4096;

// Reads a page of ours. False for anything else (the pane then shows nothing); sizes are
// clamped to 0 .. kMaxThumbnailSide. A reader that is no longer wanted can end a long page
// early through stop (asked every few thousand lines); the result is then false.
bool ParseThumbnailPage(const std::string& text, std::vector<PageItem>& items,
                        const std::function<bool()>& stop = nullptr);

struct PageRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The thumbnails flowed as inline images: left to right from the page margin, a new row when
// the next would cross the pane's right margin (a row always takes at least one), each image
// with its border inside its spacing.
struct PageLayout {
    static constexpr int kMargin = 8;
    std::vector<PageRect> images;   // the picture itself, WIDTH x HEIGHT
    std::vector<PageRect> borders;  // the picture with its border: the link's area
    int width = 0;                  // of the whole page, margins included
    int height = 0;
};
// margin: the page's margin in the pane's pixels (kMargin at 96 DPI, more on a denser screen).
PageLayout LayoutThumbnails(const std::vector<PageItem>& items, int paneWidth,
                            int margin = PageLayout::kMargin);

// The item whose link area holds the page point, or -1.
int HitTestThumbnail(const PageLayout& layout, int x, int y);
