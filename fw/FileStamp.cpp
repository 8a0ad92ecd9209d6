#include "fw/FileStamp.h"

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <io.h>

#include "win/Strconv.h"

namespace {

// FNV-1a over 64 bits: it is there to notice another writer, not to resist a forger, and with
// the size beside it an accidental match is out of reach.
constexpr std::uint64_t kFnvOffset = 1469598103934665603ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

}  // namespace

bool StampOpenFile(std::FILE* file, FileStamp& stamp) {
    stamp = FileStamp();
    if (!file) return false;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    std::uint64_t digest = kFnvOffset;
    std::uint64_t size = 0;
    char buffer[64 * 1024];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            digest ^= static_cast<unsigned char>(buffer[i]);
            digest *= kFnvPrime;
        }
        size += got;
    }
    if (std::ferror(file)) return false;
    stamp.known = true;
    stamp.size = size;
    stamp.lastWrite = (std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
                      info.ftLastWriteTime.dwLowDateTime;
    stamp.digest = digest;
    return true;
}

bool StampFile(const std::string& path, FileStamp& stamp) {
    stamp = FileStamp();
    std::FILE* file = _wfopen(ToWide(path).c_str(), L"rb");
    if (!file) return false;
    const bool read = StampOpenFile(file, stamp);
    std::fclose(file);
    return read;
}
