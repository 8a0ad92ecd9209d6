#include "model/Wildcard.h"

#include <cstddef>

#include "model/Mbcs.h"

namespace {

// The character starting at byte i as one code: a lower-cased single byte, or lead << 8 | trail
// (never below 0x8100, so it cannot be mistaken for a single byte). Returns the next index.
std::size_t Next(const std::string& text, std::size_t i, unsigned& code) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (mbcs::IsLeadByte(c) && i + 1 < text.size()) {
        code = static_cast<unsigned>(c) << 8 | static_cast<unsigned char>(text[i + 1]);
        return i + 2;
    }
    code = c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    return i + 1;
}

}  // namespace

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    // Two forms Windows reads in its own way, which a file type of "*" or an empty one makes:
    // "*.*" is every name, and "*." every name whose extension is empty.
    if (pattern == "*.*") return true;
    if (pattern == "*.") return mbcs::Extension(name).size() <= 1;
    // Greedy matching that falls back to the last star: linear in practice, never exponential.
    // Called for every name of a directory, so it works on the bytes without copying them.
    std::size_t ni = 0, pi = 0;
    std::size_t starP = std::string::npos, starN = 0;
    unsigned nc = 0, pc = 0;
    while (ni < name.size()) {
        const std::size_t nNext = Next(name, ni, nc);
        std::size_t pNext = pi;
        if (pi < pattern.size()) pNext = Next(pattern, pi, pc);
        if (pi < pattern.size() && (pc == '?' || (pc != '*' && pc == nc))) {
            ni = nNext;
            pi = pNext;
        } else if (pi < pattern.size() && pc == '*') {
            starP = pi;
            pi = pNext;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            starN = Next(name, starN, nc);
            ni = starN;
        } else {
            return false;
        }
    }
    while (pi < pattern.size() && pattern[pi] == '*') ++pi;
    return pi == pattern.size();
}
