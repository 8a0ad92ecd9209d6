#include "model/RecordWriter.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "model/Block.h"
#include "model/ByteScan.h"
#include "model/ByteStream.h"

const char kEscapedLineMark[] = "esc";

namespace {

bool HasQuoteOrLineBreak(std::string_view text) {
    return bytescan::HasAny(text.data(), text.data() + text.size(), '"', '\r', '\n');
}

// No quote and no line break, and no slash at the end: the text is written as it is.
bool IsPlainText(std::string_view head, std::string_view tail) {
    if (HasQuoteOrLineBreak(head) || HasQuoteOrLineBreak(tail)) return false;
    const std::string_view last = tail.empty() ? head : tail;
    return last.empty() || last.back() != '/';
}

// The names of a directory share its bytes: the verdict on them is kept while the same
// shared part comes again, and only each name's own part is looked at.
class CHeadCache {
  public:
    bool IsPlain(std::string_view head, std::string_view tail) {
        if (head.empty()) return IsPlainText(head, tail);
        if (head.data() != m_pLast || head.size() != m_size) {
            m_pLast = head.data();
            m_size = head.size();
            m_clean = !HasQuoteOrLineBreak(head);
        }
        if (!m_clean || HasQuoteOrLineBreak(tail)) return false;
        const std::string_view last = tail.empty() ? head : tail;
        return last.back() != '/';
    }

  private:
    const char* m_pLast = nullptr;
    std::size_t m_size = 0;
    bool m_clean = false;
};

// Author and comment are one record shared by every entry that has them, their bytes in one
// place: the verdict on the last pair is kept, and behind it those on a few dozen pairs met
// before, for entries that take turns among a few authors. A pair is known by where its
// bytes are, which no other pair shares while the tree is being written.
class CTextsCache {
  public:
    bool IsPlain(std::string_view author, std::string_view comment) {
        if (m_last.Is(author, comment)) return m_last.plain;
        Verdict& slot = m_slots[(reinterpret_cast<std::uintptr_t>(author.data()) >> 3) % kSlots];
        if (!slot.Is(author, comment)) {
            slot = {author.data(), comment.data(), author.size(), comment.size(),
                    IsPlainText(std::string_view(), author) &&
                        IsPlainText(std::string_view(), comment)};
        }
        m_last = slot;
        return slot.plain;
    }

  private:
    struct Verdict {
        const char* author;
        const char* comment;
        std::size_t authorSize;
        std::size_t commentSize;
        bool plain;
        bool Is(std::string_view a, std::string_view c) const {
            return a.data() == author && c.data() == comment && a.size() == authorSize &&
                   c.size() == commentSize;
        }
    };
    static constexpr std::size_t kSlots = 61;  // a prime: the records lie a granule apart
    Verdict m_last{};
    Verdict m_slots[kSlots]{};
};

bool HasLineBreak(std::string_view text) {
    if (text.empty()) return false;
    return std::memchr(text.data(), '\r', text.size()) ||
           std::memchr(text.data(), '\n', text.size());
}

inline char* Put(char* p, const char* text, std::size_t size) {
    bytescan::Copy(p, text, size);
    return p + size;
}

template <std::size_t N>
char* Put(char* p, const char (&text)[N]) {
    return Put(p, text, N - 1);
}

// One quoted text field (at most 2 * size + 2 bytes). A double quote is written as
// slash-quote, which the reader turns back into a quote. Slashes at the end of the value are
// written after the closing quote: inside, the last one would join the closing quote and be
// read as a literal quote.
char* PutTextField(char* p, std::string_view value, bool escaped) {
    *p++ = '"';
    // Most values need no escape at all: copy them straight through.
    if (!escaped &&
        (value.empty() || (value.back() != '/' && !std::memchr(value.data(), '"', value.size())))) {
        p = Put(p, value.data(), value.size());
        *p++ = '"';
        return p;
    }
    char* const inner = p;
    for (char c : value) {
        if (c == '"') {
            *p++ = '/';
            *p++ = '"';
        } else if (escaped && c == '/') {
            *p++ = '/';
            *p++ = '/';
        } else if (escaped && c == '\r') {
            *p++ = '/';
            *p++ = 'r';
        } else if (escaped && c == '\n') {
            *p++ = '/';
            *p++ = 'n';
        } else {
            *p++ = c;
        }
    }
    std::size_t slashes = 0;
    while (inner + slashes < p && p[-1 - static_cast<std::ptrdiff_t>(slashes)] == '/') ++slashes;
    // Move the closing quote before the trailing slashes.
    std::memset(p - slashes + 1, '/', slashes);
    p[-static_cast<std::ptrdiff_t>(slashes)] = '"';
    return p + 1;
}

char* PutDecimal(char* p, int value) {
    if (value >= 0 && value <= 9) {
        *p++ = static_cast<char>('0' + value);
        return p;
    }
    char digits[12];
    int n = 0;
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) *p++ = '-';
    while (n) *p++ = digits[--n];
    return p;
}

// The name's field, its two parts written as one.
char* PutNameField(char* p, std::string_view head, std::string_view tail, bool escaped) {
    if (head.empty()) return PutTextField(p, tail, escaped);
    const char last = tail.empty() ? head.back() : tail.back();
    if (escaped || last == '/' || std::memchr(head.data(), '"', head.size()) ||
        (!tail.empty() && std::memchr(tail.data(), '"', tail.size()))) {
        std::string whole;
        whole.append(head).append(tail);
        return PutTextField(p, whole, escaped);
    }
    *p++ = '"';
    p = Put(p, head.data(), head.size());
    p = Put(p, tail.data(), tail.size());
    *p++ = '"';
    return p;
}

// The fields of an entry's line, looked up once for its bound and its writing.
struct CLineFields {
    explicit CLineFields(const CBlock& block) : author(block.Author()), comment(block.Comment()) {
        block.m_strName.Parts(head, tail);
    }
    // The most bytes the NAME or DATA line can take.
    std::size_t Bound() const {
        return 2 * (head.size() + tail.size() + author.size() + comment.size()) + 64;
    }
    std::string_view head, tail;
    std::string_view author;
    std::string_view comment;
};

struct CPlainCaches {
    CHeadCache heads;
    CTextsCache texts;
};

// The line of an entry with a field that needs a quote, a line break or a final slash
// escaped.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
char* PutEscapedLine(char* p, const CBlock& block, const CLineFields& fields) {
    const std::string_view head = fields.head, tail = fields.tail;
    const std::string_view author = fields.author;
    const std::string_view comment = fields.comment;
    const bool escaped =
        HasLineBreak(head) || HasLineBreak(tail) || HasLineBreak(author) || HasLineBreak(comment);
    p = block.m_bFolder ? Put(p, "NAME\t") : Put(p, "DATA\t");
    p = PutNameField(p, head, tail, escaped);
    p = Put(p, ",\"");
    p = PutDecimal(p, block.m_nPriority);
    p = Put(p, "\",");
    p = PutTextField(p, author, escaped);
    *p++ = ',';
    p = PutTextField(p, comment, escaped);
    p = block.m_bInherit ? Put(p, ",\"1\",") : Put(p, ",\"0\",");
    p = block.m_bChangerEnabled ? Put(p, "\"1\"") : Put(p, "\"0\"");
    if (escaped) {
        p = Put(p, ",\"");
        p = Put(p, kEscapedLineMark, sizeof kEscapedLineMark - 1);
        *p++ = '"';
    }
    return Put(p, "\r\n");
}

// The line of an entry. The common line, whose fields need no escape, is written here, in the
// loop over a folder's children; any other in PutEscapedLine.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline char* PutEntryLine(char* p, const CBlock& block, const CLineFields& fields,
                          CPlainCaches& caches) {
    const std::string_view head = fields.head, tail = fields.tail;
    const std::string_view author = fields.author;
    const std::string_view comment = fields.comment;
    const bool nameIsPlain = caches.heads.IsPlain(head, tail);
    if (nameIsPlain && caches.texts.IsPlain(author, comment)) {
        // The common line: no field needs an escape.
        p = block.m_bFolder ? Put(p, "NAME\t\"") : Put(p, "DATA\t\"");
        p = Put(p, head.data(), head.size());
        p = Put(p, tail.data(), tail.size());
        // The pieces between the texts are stored whole, a few bytes too many each time: the
        // bound leaves room for them, and the next piece writes over the excess.
        if (block.m_nPriority >= 0 && block.m_nPriority <= 9) {
            char middle[8] = {'"', ',', '"', static_cast<char>('0' + block.m_nPriority),
                              '"', ',', '"', 0};
            std::memcpy(p, middle, sizeof middle);
            p += 7;
        } else {
            p = Put(p, "\",\"");
            p = PutDecimal(p, block.m_nPriority);
            p = Put(p, "\",\"");
        }
        p = Put(p, author.data(), author.size());
        p = Put(p, "\",\"");
        p = Put(p, comment.data(), comment.size());
        static const char kEnds[4][16] = {"\",\"0\",\"0\"\r\n", "\",\"0\",\"1\"\r\n",
                                          "\",\"1\",\"0\"\r\n", "\",\"1\",\"1\"\r\n"};
        std::memcpy(p, kEnds[(block.m_bInherit ? 2 : 0) + (block.m_bChangerEnabled ? 1 : 0)], 16);
        return p + 11;
    }
    return PutEscapedLine(p, block, fields);
}

// A stack of bits, one a level of folders: the library's packed vector of bools costs more
// per step than the rest of a folder's writing.
class CBitStack {
  public:
    void Push(bool bit) {
        const std::size_t word = m_size / 64;
        if (word == m_words.size()) m_words.push_back(0);
        const std::uint64_t mask = std::uint64_t(1) << (m_size % 64);
        m_words[word] = bit ? m_words[word] | mask : m_words[word] & ~mask;
        ++m_size;
    }
    bool Top() const { return (m_words[(m_size - 1) / 64] >> ((m_size - 1) % 64)) & 1; }
    void Pop() { --m_size; }
    bool Empty() const { return m_size == 0; }

  private:
    std::vector<std::uint64_t> m_words;
    std::size_t m_size = 0;
};

// Lines are formatted straight into one buffer of about a megabyte, handed to the sink each
// time it fills up.
class CRecordBuffer {
  public:
    explicit CRecordBuffer(IByteSink& sink) : m_sink(sink), m_buffer(kSize) {}
    ~CRecordBuffer() = default;

    // Room for size more bytes.
    char* Reserve(std::size_t size) {
        if (m_used + size > m_buffer.size()) {
            Flush();
            if (size > m_buffer.size()) m_buffer.resize(size);
        }
        return m_buffer.data() + m_used;
    }
    void Commit(char* end) { m_used = end - m_buffer.data(); }
    void Flush() {
        if (m_used) m_sink.Write(m_buffer.data(), m_used);
        m_used = 0;
    }

  private:
    static constexpr std::size_t kSize = 1 << 20;
    IByteSink& m_sink;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
};

}  // namespace

void AppendEntryLine(std::string& out, const CBlock& block) {
    const std::size_t old = out.size();
    const CLineFields fields(block);
    out.resize(old + fields.Bound());
    CPlainCaches caches;
    char* end = PutEntryLine(&out[old], block, fields, caches);
    out.resize(end - out.data());
}

void WriteRecords(const CBlock& block, IByteSink& sink) {
    CRecordBuffer out(sink);
    CPlainCaches caches;
    if (!block.m_bFolder) {
        const CLineFields fields(block);
        out.Commit(PutEntryLine(out.Reserve(fields.Bound()), block, fields, caches));
        out.Flush();
        return;
    }
    // Iterative pre-order walk over the open folders. A file entry is written as its folder's
    // turn comes, without a visit of its own: it has nothing below it that is written.
    auto open = [&](const CBlock& folder) {
        const CLineFields fields(folder);
        char* p = out.Reserve(fields.Bound() + 8);
        out.Commit(PutEntryLine(Put(p, "FILE{\r\n"), folder, fields, caches));
    };
    // The way back up from each open folder below the top one, one bit a level, so that a
    // chain of a million nested folders costs little: its parent pointer where that leads to
    // the folder it was reached from, as it always does in a document; otherwise that folder
    // is kept on a stack of its own.
    CBitStack upByParent;
    std::vector<const CBlock*> upStack;
    const CBlock* folder = &block;
    int next = 0;
    open(block);
    for (;;) {
        const int count = folder->m_Children.GetCount();
        const CBlock* descend = nullptr;
        while (next < count) {
            const CBlock* child = folder->m_Children.GetAtIndex(next++);
            if (child->m_bFolder) {
                descend = child;
                break;
            }
            const CLineFields fields(*child);
            out.Commit(PutEntryLine(out.Reserve(fields.Bound()), *child, fields, caches));
        }
        if (descend) {
            open(*descend);
            const bool byParent = descend->m_pParent == folder;
            if (!byParent) upStack.push_back(folder);
            upByParent.Push(byParent);
            folder = descend;
            next = 0;
            continue;
        }
        out.Commit(Put(out.Reserve(8), "}FILE\r\n"));
        if (upByParent.Empty()) break;  // the top folder is closed
        const CBlock* closed = folder;
        if (upByParent.Top()) {
            folder = closed->m_pParent;
        } else {
            folder = upStack.back();
            upStack.pop_back();
        }
        upByParent.Pop();
        // Where the closed folder was taken from; the list was not changed since.
        const int index = folder->m_Children.IndexOf(closed);
        next = index < 0 ? folder->m_Children.GetCount() : index + 1;
    }
    out.Flush();
}
