// The text-to-number rules of dialog fields, and the texts of their messages. Portable.
#pragma once

#include <string>

// Reads a whole decimal integer as a dialog field holds it: blanks around it are allowed,
// a sign is allowed only when allowNegative, nothing else may follow. False when the text is
// no such number or it does not fit [min, max] of its type.
bool ParseFieldInteger(const std::string& text, bool allowNegative, long long min, long long max,
                       long long& value);

// A count as people read it, with a comma between groups of three digits ("96,150").
std::string GroupDigits(unsigned long long count);

// Replaces "%1" and "%2" in pattern by first and second.
std::string FormatMessage2(const std::string& pattern, const std::string& first,
                           const std::string& second);
