#include "model/Mbcs.h"

namespace mbcs {

namespace detail {
LeadByteTable g_leadBytes;
}  // namespace detail

void SetLeadBytes(bool (*isLead)(unsigned char)) {
    for (int c = 0; c < 256; ++c) {
        detail::g_leadBytes.lead[c] = isLead && isLead(static_cast<unsigned char>(c));
    }
}

void SetWindowsPaths(bool windows) {
    detail::g_leadBytes.windowsPaths = windows;
}

std::size_t LastComponentStart(const std::string& path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && i + 1 < path.size()) {
            ++i;  // skip the trail byte, whatever it looks like
        } else if (IsSeparator(c) || (c == ':' && i == 1 && WindowsPaths())) {
            start = i + 1;
        }
    }
    return start;
}

std::string FileName(const std::string& path) {
    return path.substr(LastComponentStart(path));
}

std::string Extension(const std::string& path) {
    std::size_t start = LastComponentStart(path);
    std::size_t dot = std::string::npos;
    for (std::size_t i = start; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '.') {
            dot = i;
        }
    }
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ToLower(const std::string& text) {
    std::string out = text;
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c) && i + 1 < out.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace mbcs
