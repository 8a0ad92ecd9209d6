// CP932 (Shift-JIS) aware helpers for paths and names.
// The second byte of a double-byte character may be '\\' or an ASCII letter, so paths
// must never be scanned or lower-cased byte by byte without knowing where characters start.
#pragma once

#include <cstddef>
#include <string>

namespace mbcs {

// True when the byte starts a double-byte character in code page 932.
inline bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Index where the last path component starts ('\\', '/' and a drive colon separate).
std::size_t LastComponentStart(const std::string& path);

// The extension of the last component, from its last dot (dot included); empty when none.
std::string Extension(const std::string& path);

// The last path component (file name with extension).
std::string FileName(const std::string& path);

// ASCII letters lower-cased; double-byte characters are left alone.
std::string ToLower(const std::string& text);

}  // namespace mbcs
