// The text conversions plr makes on Linux, through the C library's iconv.
#pragma once

#include <cstddef>
#include <string>

// The length of the well-formed UTF-8 character at text[i] (no overlong form, no surrogate,
// nothing past U+10FFFF), or 0 when the byte there starts none.
std::size_t Utf8Length(const std::string& text, std::size_t i);
// Whether text is well-formed UTF-8 (as Linux file names and terminals have it).
bool IsUtf8Text(const std::string& text);
// The whole text from one encoding into another; false when a character has no spelling there.
bool ConvertText(const char* to, const char* from, const std::string& text, std::string& out);
