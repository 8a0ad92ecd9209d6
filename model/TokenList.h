// Splits one line or option string into numbered tokens.
// Comma, tab and space separate; double quotes group; a slash before a double quote
// stands for a literal quote. All special bytes lie below 0x40, so CP932 text passes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct SplitOptions {
    // Store a token that was written as "" even though it is empty, so that an empty
    // value keeps its place on a record line.
    bool keepEmptyQuoted = false;
    // Replace the source with the text as read (quotes removed, slash-quote turned into a quote).
    bool rewriteSource = true;
    // Without rewriting only: once this many tokens are complete and more text follows, stop
    // and return stopAfter + 1 (the count is "more than stopAfter"; that token is not filled).
    // A reader that needs the first few tokens of a line need not split all of it.
    std::size_t stopAfter = SIZE_MAX;
};

// The one splitting routine. Fills tokens[0 .. result) and returns the token count; the
// vector is only grown, so its strings keep their buffers from call to call.
std::size_t SplitTokens(std::string& source, std::vector<std::string>& tokens,
                        const SplitOptions& options = SplitOptions());

// The splitting of a record line (empty quoted tokens kept, source untouched) as views into
// line, for lines made only of plain unquoted words and plain quoted fields. False, with
// tokens undefined, when the line needs SplitTokens: a slash before a quote, a quote inside a
// word, an unclosed quote, a field starting with white space. tokens holds stopAfter + 1.
bool SplitPlainSpans(std::string_view line, std::string_view* tokens, std::size_t stopAfter,
                     std::size_t& count);

// SplitPlainSpans for the lines the writer makes: a four-byte tag, a TAB and six plain quoted
// fields joined by single commas, taken in one pass. False when the line is of any other
// shape; the tokens are those SplitPlainSpans gives.
bool SplitRecordSpans(std::string_view line, std::string_view* tokens, std::size_t stopAfter,
                      std::size_t& count);

// SplitRecordSpans, then SplitPlainSpans, falling back on SplitTokens (into fallback, which the views then refer to)
// for the lines it does not take. Returns the count as SplitTokens would.
std::size_t SplitSpans(std::string_view line, std::string_view* tokens, std::size_t stopAfter,
                       std::vector<std::string>& fallback);

// The C library's decimal conversion (leading blanks, optional sign, digits; 0 when none),
// saturating at the 32-bit limits instead of overflowing.
int ParseDecimalText(std::string_view text);
// Nearly every number of a record is one digit: that case is taken without a call.
inline int ParseDecimal(std::string_view text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
    return ParseDecimalText(text);
}

// Every double quote preceded by a slash; nothing else changes.
std::string EscapeQuotes(const std::string& text);

class CTokenList {
  public:
    CTokenList() = default;
    explicit CTokenList(std::string& source);
    virtual ~CTokenList() = default;

    void SetSource(std::string& source) { m_pSource = &source; }
    std::string* GetSource() const { return m_pSource; }

    // Rebuilds the tokens from the current source; the source is rewritten as read.
    void Split();

    int GetCount() const { return static_cast<int>(m_tokens.size()); }

    // Text of the token under key ("0", "1", ...); empty and false when absent.
    bool Lookup(const std::string& key, std::string& text) const;
    // As Lookup, converted with ParseDecimal; the number is 0 when absent.
    bool LookupNumber(const std::string& key, int& number) const;
    bool IsFirst(const std::string& text) const { return m_first == text; }

    // Convenience for callers that count: the token at index, or empty.
    std::string Token(int index) const;

  private:
    std::string* m_pSource = nullptr;
    std::map<std::string, std::string> m_tokens;
    std::string m_first;
};
