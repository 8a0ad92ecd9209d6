#include "changer/Wildcard.h"

#include <cstddef>
#include <vector>

#include "model/Mbcs.h"

namespace {

// One code per character: a lower-cased single byte, or lead << 8 | trail (never below 0x8100,
// so it cannot be mistaken for a single byte).
std::vector<unsigned> Characters(const std::string& text) {
    std::vector<unsigned> out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (mbcs::IsLeadByte(c) && i + 1 < text.size()) {
            out.push_back(static_cast<unsigned>(c) << 8 | static_cast<unsigned char>(text[++i]));
        } else {
            out.push_back(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    return out;
}

}  // namespace

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    // Two forms Windows reads in its own way, which a file type of "*" or an empty one makes:
    // "*.*" is every name, and "*." every name whose extension is empty.
    if (pattern == "*.*") return true;
    if (pattern == "*.") return mbcs::Extension(name).size() <= 1;
    const std::vector<unsigned> n = Characters(name);
    const std::vector<unsigned> p = Characters(pattern);
    // Greedy matching that falls back to the last star: linear in practice, never exponential.
    std::size_t ni = 0, pi = 0;
    std::size_t starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || (p[pi] != '*' && p[pi] == n[ni]))) {
            ++ni;
            ++pi;
        } else if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}
