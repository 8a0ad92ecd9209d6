#include "views/PageFile.h"

#include <windows.h>

#include <algorithm>

#include "win/Handles.h"
#include "win/Strconv.h"

namespace {
const char kPageHead[] = "<HTML>\r\n";
// Larger files are neither pages of ours nor pictures the pane would show.
constexpr LONGLONG kMaxFileBytes = 512ll * 1024 * 1024;
}  // namespace

FileKind ReadPageFile(const std::string& path, std::vector<PageItem>& items,
                  const std::function<bool()>& stop) {
    CUniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FileKind::Unreadable;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileBytes)
        return FileKind::Unreadable;
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    const std::size_t head = sizeof kPageHead - 1;
    DWORD got = 0;
    if (text.size() < head) return FileKind::Other;
    if (!ReadFile(file.Get(), &text[0], static_cast<DWORD>(head), &got, nullptr) || got != head) {
        return FileKind::Unreadable;
    }
    if (text.compare(0, head, kPageHead) != 0) return FileKind::Other;
    std::size_t done = head;
    while (done < text.size()) {
        if (stop()) return FileKind::Unreadable;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
        if (!ReadFile(file.Get(), &text[done], chunk, &got, nullptr) || got == 0) {
            return FileKind::Unreadable;
        }
        done += got;
    }
    return ParseThumbnailPage(text, items, stop) ? FileKind::Page : FileKind::NotPage;
}

