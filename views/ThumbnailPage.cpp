#include "views/ThumbnailPage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "model/FileSystem.h"
#include "model/Mbcs.h"
#include "model/Settings.h"
#include "model/ShellText.h"
#include "model/TokenList.h"

const char kThumbnailPageFileName[] = "PelorandHtmlTemp.html";

namespace {

const char kPageHead[] = "<HTML>\r\n";
const char kPageTail[] = "</HTML>\r\n";
const char kLineHref[] = "<A HREF=\"";
const char kLineSrc[] = "\"><IMG SRC=\"";
const char kLineAlt[] = "\" ALT= \"";
const char kLineSizes[] =
    "\" HEIGHT=\"%d\" WIDTH=\"%d\" HSPACE=\"%d\" VSPACE=\"%d\" BORDER = \"%d\"></A>\r\n";

bool StopRequested(const StopCheck& stop) {
    return stop && stop();
}

StopCheck CheckOf(const StopRequest* stop) {
    if (!stop) return nullptr;
    return [stop] { return stop->load() != 0; };
}

// True when the path ends in a separator (not the trail byte of a double-byte character).
bool EndsInSeparator(const std::string& path) {
    if (path.empty() || mbcs::LastComponentStart(path) != path.size()) return false;
    return path.back() == '\\' || path.back() == '/';
}

void AppendDirectory(std::string& page, const std::string& dir, const ThumbnailSizes& sizes,
                     std::string fileTypes, const IFileSystem& fs, const StopCheck& stop) {
    std::vector<std::string> tokens;
    const std::size_t tokenCount = SplitTokens(fileTypes, tokens);
    // The search joins its root and pattern with a separator; a root that has one already
    // ("C:\") is handed over without it, and its names are joined without a second one.
    const bool hasSeparator = EndsInSeparator(dir);
    const std::string root = hasSeparator ? dir.substr(0, dir.size() - 1) : dir;
    const std::string prefix = hasSeparator ? dir : dir + fs.Separator();
    std::vector<std::string> lowerTokens;
    lowerTokens.reserve(tokenCount);
    for (std::size_t i = 0; i < tokenCount; ++i)
        lowerTokens.push_back(mbcs::ToLower("." + tokens[i]));
    fs.Enumerate(root, "*.*", [&](const std::string& name) {
        const std::string full = prefix + name;
        // The found name's own extension decides: a search may also match a short (8.3) name,
        // which for "x.jpgx" ends in ".JPG".
        const std::string extension = mbcs::ToLower(mbcs::Extension(full));
        // A type named twice gives the file twice, as the list asks.
        for (const std::string& token : lowerTokens) {
            if (token == extension) AppendThumbnailLine(page, full, sizes);
        }
        return !StopRequested(stop);
    });
}

// A decimal number of the page; false for anything else. Clamped to 0 .. kMaxThumbnailSide.
bool ParseSize(std::string_view text, int& value) {
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 11) return false;
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (negative) number = 0;
    value = static_cast<int>(std::min<long long>(number, kMaxThumbnailSide));
    return true;
}

// Takes `literal` from the front of text; false when text does not start with it.
bool Take(std::string_view& text, std::string_view literal) {
    if (text.substr(0, literal.size()) != literal) return false;
    text.remove_prefix(literal.size());
    return true;
}

// Takes the text up to `until` (which is taken too) into field.
bool TakeUntil(std::string_view& text, std::string_view until, std::string& field) {
    const std::size_t at = text.find(until);
    if (at == std::string_view::npos) return false;
    field.assign(text.data(), at);
    text.remove_prefix(at + until.size());
    return true;
}

bool TakeNumber(std::string_view& text, std::string_view until, int& value) {
    const std::size_t at = text.find(until);
    if (at == std::string_view::npos || !ParseSize(text.substr(0, at), value)) return false;
    text.remove_prefix(at + until.size());
    return true;
}

bool ParseLine(std::string_view line, PageItem& item) {
    return Take(line, kLineHref) && TakeUntil(line, kLineSrc, item.href) &&
           TakeUntil(line, kLineAlt, item.src) && TakeUntil(line, "\" HEIGHT=\"", item.alt) &&
           TakeNumber(line, "\" WIDTH=\"", item.sizes.height) &&
           TakeNumber(line, "\" HSPACE=\"", item.sizes.width) &&
           TakeNumber(line, "\" VSPACE=\"", item.sizes.hspace) &&
           TakeNumber(line, "\" BORDER = \"", item.sizes.vspace) &&
           TakeNumber(line, "\"></A>", item.sizes.border) && line.empty();
}

}  // namespace

ThumbnailSizes ReadThumbnailSizes(const CSettings& settings) {
    ThumbnailSizes sizes;
    sizes.width = settings.GetInt(setting::ViewWhiDth);
    sizes.height = settings.GetInt(setting::ViewHeight);
    sizes.hspace = settings.GetInt(setting::ViewMarjinWidth);
    sizes.vspace = settings.GetInt(setting::ViewMarjinHeight);
    sizes.border = settings.GetInt(setting::ViewBordar);
    return sizes;
}

std::vector<std::string> CollectUniquePaths(const std::vector<std::string>& pending,
                                            const StopRequest* stop) {
    return CollectUniquePaths(pending, CheckOf(stop));
}

std::vector<std::string> CollectUniquePaths(const std::vector<std::string>& pending,
                                            const StopCheck& stop) {
    std::vector<std::string> unique;
    // Views into pending, which nobody changes while a page is being collected.
    std::unordered_set<std::string_view> seen;
    seen.reserve(pending.size());
    for (const std::string& path : pending) {
        if (seen.insert(path).second) unique.push_back(path);
        if (StopRequested(stop)) break;
    }
    return unique;
}

PageSettings ReadPageSettings(const CSettings& settings) {
    PageSettings page;
    page.sizes = ReadThumbnailSizes(settings);
    page.fileTypes = settings.GetString(setting::FileType);
    return page;
}

void AppendThumbnailLine(std::string& page, const std::string& path, const ThumbnailSizes& sizes) {
    char numbers[sizeof kLineSizes + 5 * 12];
    const int length = std::snprintf(numbers, sizeof numbers, kLineSizes, sizes.height, sizes.width,
                                     sizes.hspace, sizes.vspace, sizes.border);
    page.append(kLineHref).append(path).append(kLineSrc).append(path).append(kLineAlt);
    page.append(path).append(numbers, static_cast<std::size_t>(length));
}

namespace {
std::string BuildPage(const std::vector<std::string>& paths, const ThumbnailSizes& sizes,
                      const std::function<std::string()>& fileTypes, const IFileSystem& fs,
                      const StopCheck& stop) {
    std::string page = kPageHead;
    for (const std::string& path : paths) {
        const PathAttributes attributes = fs.GetAttributes(path);
        // A path that cannot be examined is searched as a directory, and so finds nothing.
        if (!attributes.readable || attributes.isDirectory) {
            AppendDirectory(page, path, sizes, fileTypes(), fs, stop);
        } else {
            AppendThumbnailLine(page, path, sizes);
        }
        if (StopRequested(stop)) break;
    }
    page += kPageTail;
    return page;
}
}  // namespace

std::string BuildThumbnailPageText(const std::vector<std::string>& paths,
                                   const ThumbnailSizes& sizes, const CSettings& settings,
                                   const IFileSystem& fs, const StopRequest* stop) {
    // FileType read again for each directory.
    return BuildPage(
        paths, sizes, [&] { return settings.GetString(setting::FileType); }, fs, CheckOf(stop));
}

std::string BuildThumbnailPageText(const std::vector<std::string>& paths,
                                   const ThumbnailSizes& sizes, const std::string& fileTypes,
                                   const IFileSystem& fs, const StopCheck& stop) {
    return BuildPage(
        paths, sizes, [&] { return fileTypes; }, fs, stop);
}

bool ParseThumbnailPage(const std::string& text, std::vector<PageItem>& items,
                        const std::function<bool()>& stop) {
    items.clear();
    std::string_view rest = text;
    if (!Take(rest, kPageHead)) return false;
    items.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        if (end == std::string_view::npos) return false;
        if (stop && items.size() % 4096 == 4095 && stop()) {
            items.clear();
            return false;
        }
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 2);
        if (line == "</HTML>") return rest.empty();
        items.emplace_back();
        if (!ParseLine(line, items.back())) {
            items.clear();
            return false;
        }
    }
    return false;  // never closed
}

PageLayout LayoutThumbnails(const std::vector<PageItem>& items, int paneWidth, int margin) {
    PageLayout layout;
    const int right = paneWidth - margin;
    int x = margin, y = margin, rowHeight = 0, widest = 0;
    layout.images.reserve(items.size());
    layout.borders.reserve(items.size());
    for (const PageItem& item : items) {
        const ThumbnailSizes& s = item.sizes;
        const int boxWidth = s.width + 2 * (s.border + s.hspace);
        const int boxHeight = s.height + 2 * (s.border + s.vspace);
        if (x > margin && x + boxWidth > right) {
            y += rowHeight;
            x = margin;
            rowHeight = 0;
        }
        PageRect border;
        border.left = x + s.hspace;
        border.top = y + s.vspace;
        border.right = border.left + s.width + 2 * s.border;
        border.bottom = border.top + s.height + 2 * s.border;
        PageRect image = border;
        image.left += s.border;
        image.top += s.border;
        image.right -= s.border;
        image.bottom -= s.border;
        layout.borders.push_back(border);
        layout.images.push_back(image);
        x += boxWidth;
        widest = std::max(widest, x);
        rowHeight = std::max(rowHeight, boxHeight);
    }
    layout.width = widest + margin;
    layout.height = items.empty() ? 0 : y + rowHeight + margin;
    return layout;
}

int HitTestThumbnail(const PageLayout& layout, int x, int y) {
    const auto& borders = layout.borders;
    for (std::size_t i = 0; i < borders.size(); ++i) {
        if (borders[i].Contains(x, y)) return static_cast<int>(i);
    }
    return -1;
}
