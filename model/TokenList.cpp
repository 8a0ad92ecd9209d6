#include "model/TokenList.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "model/ByteScan.h"

namespace {

// The C locale's white space; bytes of 0x80 and above are never white space here.
bool IsBlank(char c) {
    // '\t', '\n', '\v', '\f' and '\r' are 9 to 13.
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

// Drops the white space at the left of a finished token.
void TrimLeft(std::string& token) {
    if (token.empty() || !IsBlank(token[0])) return;
    std::size_t skip = 0;
    while (skip < token.size() && IsBlank(token[skip])) ++skip;
    if (skip) token.erase(0, skip);
}

// Bytes that end a run of plain token text.
struct SpecialBytes {
    bool table[256] = {};
    SpecialBytes() {
        for (unsigned char c : {',', '\t', ' ', '"', '/'}) table[c] = true;
    }
};
const SpecialBytes kSpecial;

bool IsSeparator(char c) {
    return c == ',' || c == '\t' || c == ' ';
}

}  // namespace

std::size_t SplitTokens(std::string& source, std::vector<std::string>& tokens,
                        const SplitOptions& options) {
    std::size_t end = source.size();
    while (end > 0 && IsBlank(source[end - 1])) --end;
    std::size_t begin = 0;
    while (begin < end && IsBlank(source[begin])) ++begin;

    // Tokens are built in place in the vector's strings, so their buffers are reused.
    std::size_t count = 0;
    if (tokens.empty()) tokens.resize(1);
    std::string* current = &tokens[0];
    current->clear();
    std::string rebuilt;
    const bool rewrite = options.rewriteSource;
    if (rewrite) rebuilt.reserve(end - begin);
    bool inQuotes = false;
    bool quoted = false;  // the current token had a pair of quotes
    const char* s = source.data();
    const bool* special = kSpecial.table;
    std::size_t i = begin;
    while (i < end) {
        // A run of plain bytes is copied in one go.
        std::size_t run = i;
        while (run < end && !special[static_cast<unsigned char>(s[run])]) ++run;
        if (run > i) {
            current->append(s + i, run - i);
            if (rewrite) rebuilt.append(s + i, run - i);
            i = run;
            continue;
        }
        char c = s[i];
        if (!inQuotes && (c == ',' || c == '\t' || c == ' ')) {
            if (!current->empty() || (options.keepEmptyQuoted && quoted)) {
                TrimLeft(*current);
                ++count;
                // A separator after a complete token always leaves one more token.
                if (!rewrite && count == options.stopAfter) return count + 1;
                if (tokens.size() <= count) tokens.resize(count + 1);
                current = &tokens[count];
            }
            current->clear();
            quoted = false;
            if (rewrite) rebuilt += c;
        } else if (c == '"') {
            inQuotes = !inQuotes;
            quoted = true;
        } else if (c == '/' && i + 1 < end && s[i + 1] == '"') {
            *current += '"';
            if (rewrite) rebuilt += '"';
            ++i;
        } else {
            *current += c;
            if (rewrite) rebuilt += c;
        }
        ++i;
    }
    // The last token is stored even when empty: a blank source gives one empty token.
    TrimLeft(*current);
    ++count;
    if (rewrite) source.swap(rebuilt);
    return count;
}

bool SplitPlainSpans(std::string_view line, std::string_view* tokens, std::size_t stopAfter,
                     std::size_t& count) {
    const char* s = line.data();
    std::size_t end = line.size();
    while (end > 0 && IsBlank(s[end - 1])) --end;
    std::size_t i = 0;
    while (i < end && IsBlank(s[i])) ++i;
    const bool* special = kSpecial.table;
    std::size_t n = 0;  // kept in a register; count is set on the way out
    for (;;) {
        // Separators with no token before them are dropped; the last token counts even empty.
        while (i < end && IsSeparator(s[i])) ++i;
        if (i == end) {
            tokens[n++] = std::string_view();
            count = n;
            return true;
        }
        std::string_view token;
        if (s[i] == '"') {
            // Most quoted fields of a record hold one byte (a flag, a digit, a "?"): their
            // closing quote is looked at directly before any search.
            const std::size_t close = i + 2 < end && s[i + 1] != '"' && s[i + 2] == '"'
                                          ? i + 2
                                          : bytescan::Find(s + i + 1, s + end, '"') - s;
            if (close == end) return false;
            if (close > i + 1 && s[close - 1] == '/') return false;
            token = std::string_view(s + i + 1, close - i - 1);
            i = close + 1;
        } else {
            const std::size_t start = i;
            while (i < end && !special[static_cast<unsigned char>(s[i])]) ++i;
            token = std::string_view(s + start, i - start);
        }
        if (i < end && !IsSeparator(s[i])) return false;
        if (!token.empty() && IsBlank(token[0])) return false;
        tokens[n++] = token;
        if (i == end) {
            count = n;
            return true;
        }
        if (n == stopAfter) {
            count = n + 1;
            return true;
        }
    }
}

namespace {

std::uint64_t Word(const char (&bytes)[8]) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Most lines end in five one-byte fields: ","2","?","?","0","1". From the closing quote of
// the first field to the end of the line, such a tail is checked in three words.
bool OneByteFieldsTail(const char* close, const char* end, std::string_view* tokens) {
    if (end - close != 21) return false;
    static const char kPairs[8] = {'"', ',', '"', 0, '"', ',', '"', 0};
    static const char kPairsMask[8] = {-1, -1, -1, 0, -1, -1, -1, 0};
    static const char kLast[8] = {',', '"', 0, '"', ',', '"', 0, '"'};
    static const char kLastMask[8] = {-1, -1, 0, -1, -1, -1, 0, -1};
    const std::uint64_t pairs = Word(kPairs), pairsMask = Word(kPairsMask);
    if ((bytescan::Load(close) & pairsMask) != pairs ||
        (bytescan::Load(close + 8) & pairsMask) != pairs ||
        (bytescan::Load(close + 13) & Word(kLastMask)) != Word(kLast)) {
        return false;
    }
    for (int k = 0; k < 5; ++k) {
        const char* value = close + 3 + 4 * k;
        // A quote would close an empty field, a slash escape the quote; blanks are trimmed.
        if (*value == '"' || *value == '/' || IsBlank(*value)) return false;
        tokens[2 + k] = std::string_view(value, 1);
    }
    return true;
}

}  // namespace

bool SplitRecordSpans(std::string_view line, std::string_view* tokens, std::size_t stopAfter,
                      std::size_t& count) {
    // A four-byte tag, a TAB, then six fields each between quotes, joined by single commas.
    constexpr std::size_t kTag = 4, kFields = 6;
    if (stopAfter <= kFields || line.size() < kTag + 1 + kFields * 2 + kFields - 1) return false;
    const char* s = line.data();
    const char* const end = s + line.size();
    for (std::size_t i = 0; i < kTag; ++i) {
        if (kSpecial.table[static_cast<unsigned char>(s[i])] || IsBlank(s[i])) return false;
    }
    if (s[kTag] != '\t' || s[kTag + 1] != '"') return false;
    tokens[0] = std::string_view(s, kTag);
    const char* p = s + kTag + 1;  // at the opening quote of a field
    for (std::size_t field = 1;; ++field) {
        const char* open = p + 1;
        // One byte between the quotes (a flag, a digit, a "?") is looked at directly.
        const char* close = open + 1 < end && *open != '"' && open[1] == '"'
                                ? open + 1
                                : bytescan::Find(open, end, '"');
        if (close == end) return false;
        // A slash before the quote escapes it; a field starting with white space is trimmed.
        if (close > open && (close[-1] == '/' || IsBlank(*open))) return false;
        tokens[field] = std::string_view(open, close - open);
        if (field == 1 && OneByteFieldsTail(close, end, tokens)) {
            count = kFields + 1;
            return true;
        }
        p = close + 1;
        if (field == kFields) break;
        if (end - p < 2 || p[0] != ',' || p[1] != '"') return false;
        ++p;
    }
    if (p != end) return false;
    count = kFields + 1;
    return true;
}

std::size_t SplitSpans(std::string_view line, std::string_view* tokens, std::size_t stopAfter,
                       std::vector<std::string>& fallback) {
    std::size_t count;
    if (SplitRecordSpans(line, tokens, stopAfter, count)) return count;
    if (SplitPlainSpans(line, tokens, stopAfter, count)) return count;
    std::string copy(line);
    SplitOptions options;
    options.keepEmptyQuoted = true;
    options.rewriteSource = false;
    options.stopAfter = stopAfter;
    count = SplitTokens(copy, fallback, options);
    for (std::size_t i = 0; i < count && i < stopAfter; ++i) tokens[i] = fallback[i];
    return count;
}

int ParseDecimalText(std::string_view text) {
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

CTokenList::CTokenList(std::string& source) : m_pSource(&source) {
    Split();
}

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
