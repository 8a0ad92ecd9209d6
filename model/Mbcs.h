// Multibyte-aware helpers for paths and names, following the code page and the path rules of
// the platform the program runs on: CP932 (Shift-JIS) on Windows, whatever the system's own
// code page, UTF-8 on Linux, whose characters never hide a separator or a letter in a
// later byte. On Windows '\\' and '/' separate path components (and a drive's colon ends
// one); on POSIX systems only '/' does, and a backslash is an ordinary byte of a name.
// In CP932 the second byte of a double-byte character may be '\\' or an ASCII letter, so
// paths must never be scanned or lower-cased byte by byte without knowing where characters
// start.
#pragma once

#include <cstddef>
#include <string>

namespace mbcs {

// The lead bytes of code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

namespace detail {
struct LeadByteTable {
    bool lead[256];
    bool windowsPaths;
    // Constant-initialised, so that the rules hold before any other initialiser runs.
    constexpr LeadByteTable() : lead(), windowsPaths(false) {
#ifdef _WIN32
        for (int c = 0; c < 256; ++c) lead[c] = IsCp932LeadByte(static_cast<unsigned char>(c));
        windowsPaths = true;
#endif
    }
};
extern LeadByteTable g_leadBytes;
}  // namespace detail

// True when the byte starts a double-byte character under the rules in force.
inline bool IsLeadByte(unsigned char c) {
    return detail::g_leadBytes.lead[c];
}

// Sets the rules: isLead tells the bytes that start a double-byte character; null for a code
// page without any (UTF-8, single-byte code pages). Until set: CP932 in the Windows build,
// none elsewhere.
void SetLeadBytes(bool (*isLead)(unsigned char));

// Whether '\\' separates path components besides '/', and a drive's colon ends the first one
// (Windows), or only '/' separates (POSIX). Until set: Windows rules in the Windows build,
// POSIX rules elsewhere.
inline bool WindowsPaths() {
    return detail::g_leadBytes.windowsPaths;
}
void SetWindowsPaths(bool windows);

// True when the byte, standing where a character starts, separates path components.
inline bool IsSeparator(unsigned char c) {
    return c == '/' || (c == '\\' && WindowsPaths());
}

// Sets the rules of the running system, code page and path separators (platform part;
// programs call it as they start).
void UseSystemCodePage();

// Index where the last path component starts (see WindowsPaths for what separates).
std::size_t LastComponentStart(const std::string& path);

// The extension of the last component, from its last dot (dot included); empty when none.
std::string Extension(const std::string& path);

// The last path component (file name with extension).
std::string FileName(const std::string& path);

// ASCII letters lower-cased; double-byte characters are left alone.
std::string ToLower(const std::string& text);

}  // namespace mbcs
