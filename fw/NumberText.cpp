#include "fw/NumberText.h"

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

bool ParseFieldInteger(const std::string& text, bool allowNegative, long long min, long long max,
                       long long& value) {
    std::size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        if (negative && !allowNegative) return false;
        ++i;
    }
    if (i == end) return false;
    unsigned long long magnitude = 0;
    for (; i < end; ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (magnitude > (1ULL << 40)) return false;  // far beyond any field's range
    }
    long long result =
        negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (result < min || result > max) return false;
    value = result;
    return true;
}

std::string FormatMessage2(const std::string& pattern, const std::string& first,
                           const std::string& second) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string GroupDigits(unsigned long long count) {
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}
