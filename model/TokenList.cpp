#include "model/TokenList.h"

#include <climits>
#include <cstdint>

namespace {

// The C locale's white space; bytes of 0x80 and above are never white space here.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void StoreToken(std::vector<std::string>& tokens, std::size_t index, const std::string& token) {
    std::size_t skip = 0;
    while (skip < token.size() && IsBlank(token[skip])) ++skip;
    if (tokens.size() <= index) tokens.resize(index + 1);
    tokens[index].assign(token, skip, std::string::npos);
}

}  // namespace

std::size_t SplitTokens(std::string& source, std::vector<std::string>& tokens,
                        const SplitOptions& options) {
    std::size_t end = source.size();
    while (end > 0 && IsBlank(source[end - 1])) --end;
    std::size_t begin = 0;
    while (begin < end && IsBlank(source[begin])) ++begin;

    std::string current;
    std::string rebuilt;
    if (options.rewriteSource) rebuilt.reserve(end - begin);
    std::size_t count = 0;
    bool inQuotes = false;
    bool quoted = false;  // the current token had a pair of quotes
    for (std::size_t i = begin; i < end; ++i) {
        char c = source[i];
        if (!inQuotes && (c == ',' || c == '\t' || c == ' ')) {
            if (!current.empty() || (options.keepEmptyQuoted && quoted)) {
                StoreToken(tokens, count++, current);
            }
            current.clear();
            quoted = false;
            if (options.rewriteSource) rebuilt += c;
        } else if (c == '"') {
            inQuotes = !inQuotes;
            quoted = true;
        } else if (c == '/' && i + 1 < end && source[i + 1] == '"') {
            current += '"';
            if (options.rewriteSource) rebuilt += '"';
            ++i;
        } else {
            current += c;
            if (options.rewriteSource) rebuilt += c;
        }
    }
    // The last token is stored even when empty: a blank source gives one empty token.
    StoreToken(tokens, count++, current);
    if (options.rewriteSource) source.swap(rebuilt);
    return count;
}

int ParseDecimal(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value <= std::int64_t(INT_MAX) + 1) value = value * 10 + (text[i] - '0');
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string EscapeQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '"') out += '/';
        out += c;
    }
    return out;
}

CTokenList::CTokenList(std::string& source) : m_pSource(&source) { Split(); }

void CTokenList::Split() {
    m_tokens.clear();
    m_first.clear();
    if (!m_pSource) return;
    std::vector<std::string> tokens;
    std::size_t count = SplitTokens(*m_pSource, tokens);
    for (std::size_t i = 0; i < count; ++i) m_tokens[std::to_string(i)] = tokens[i];
    m_first = tokens[0];
}

bool CTokenList::Lookup(const std::string& key, std::string& text) const {
    auto it = m_tokens.find(key);
    if (it == m_tokens.end()) {
        text.clear();
        return false;
    }
    text = it->second;
    return true;
}

bool CTokenList::LookupNumber(const std::string& key, int& number) const {
    std::string text;
    bool found = Lookup(key, text);
    number = ParseDecimal(text);
    return found;
}

std::string CTokenList::Token(int index) const {
    std::string text;
    Lookup(std::to_string(index), text);
    return text;
}
