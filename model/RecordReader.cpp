#include "model/RecordReader.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "model/Block.h"
#include "model/ByteScan.h"
#include "model/ByteStream.h"
#include "model/RecordWriter.h"
#include "model/TokenList.h"

namespace {

// Undoes the line-break escape of a text field written with the escaped-line mark.
void Unescape(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '/' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == '/' || next == 'r' || next == 'n') {
                out += next == '/' ? '/' : next == 'r' ? '\r' : '\n';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    text.swap(out);
}

class Reader {
  public:
    Reader(CBlock* parent, RecordReadContext& context)
        : m_parent(parent), m_current(parent), m_context(context) {}

    void Line(std::string_view line) {
        ++m_lineNo;
        // A folder's opening and closing lines, as the writer makes them, need no splitting.
        if (line.size() == 5) {
            if (Is(line, "FILE{")) return OpenFolder();
            if (Is(line, "}FILE")) return CloseFolder();
        }
        std::size_t count = SplitSpans(line, m_tokens, kFields, m_fallback);
        const std::string_view tag = m_tokens[0];
        // Tags told apart by their length and bytes; entry lines come first, as most are.
        if (tag.size() == 4 && (Is(tag, "DATA") || Is(tag, "NAME"))) {
            // Fields the line does not have are empty.
            for (std::size_t i = count; i < kFields; ++i) m_tokens[i] = std::string_view();
            Entry(m_tokens, tag[0] == 'N', count == kFields && m_tokens[7] == kEscapedLineMark,
                  CBlock::PreparedTexts{0, 0});
        } else if (tag.size() == 5 && Is(tag, "FILE{")) {
            OpenFolder();
        } else if (tag.size() == 5 && Is(tag, "}FILE")) {
            CloseFolder();
        } else if (!tag.empty()) {
            Problem("unknown record \"" + Printable(tag) + "\" ignored");
        }
    }

    // Takes the line at p when it is of the forms the writer makes and nothing else: a
    // folder's opening or closing line, or an entry line of six plain quoted fields, found
    // with its line feed in one pass. Returns the start of the next line, or null (nothing
    // taken) for every other line, which Line then takes as any line.
    // An entry line whose texts must be found or made is made into its entry a few lines
    // later (or at once, when nothing more is taken): the memory its texts need is asked for
    // ahead.
    const char* Take(const char* p, const char* end) {
        if (end - p < 6) return Flush(), nullptr;
        std::uint32_t tag;
        std::memcpy(&tag, p, sizeof tag);
        if (p[4] == '\t') {
            if (tag != Word4("DATA") && tag != Word4("NAME")) return Flush(), nullptr;
            bool defaultTexts;
            const char* next = SplitEntry(p, end, m_tokens, defaultTexts);
            if (!next) return Flush(), nullptr;
            const bool isName = p[0] == 'N';
            CBlock::PreparedTexts texts{0, 0};
            if (!defaultTexts) {
                // The oldest line kept is made first: its texts' memory has had the most time.
                if (m_pendingCount == kAhead) MakeOldest();
                texts = CBlock::PrepareTexts(m_tokens[3], m_tokens[4]);
                if (texts.hash && !texts.held) {
                    Defer(isName, texts.hash);
                    return next;
                }
            }
            // The line needs no memory from afar (its texts are the default ones, or ones met
            // lately, held now): it is made at once, after the lines kept before it.
            try {
                Flush();
            } catch (...) {
                CBlock::DropPreparedTexts(texts);
                throw;
            }
            ++m_lineNo;
            Entry(m_tokens, isName, false, texts);
            return next;
        }
        const char* next = p[5] == '\n'                                 ? p + 6
                           : p[5] == '\r' && end - p >= 7 && p[6] == '\n' ? p + 7
                                                                          : nullptr;
        if (!next) return Flush(), nullptr;
        if (tag == Word4("FILE") && p[4] == '{') {
            Flush();
            ++m_lineNo;
            OpenFolder();
            return next;
        }
        if (tag == Word4("}FIL") && p[4] == 'E') {
            Flush();
            ++m_lineNo;
            CloseFolder();
            return next;
        }
        return Flush(), nullptr;
    }

    void Finish() {
        Flush();
        int open = 0;
        for (CBlock* f = m_current; f && f != m_parent; f = f->m_pParent) ++open;
        if (open > 0) {
            ++m_lineNo;
            Problem(std::to_string(open) + " folder(s) not closed by \"}FILE\" at the end");
        }
        if (m_context.counts && !m_parent && m_context.ppRoot && m_rootsRead > 0) {
            m_context.counts->counted = true;
            m_context.counts->folders = m_folders;
            m_context.counts->files = m_files;
        }
    }

  private:
    // The fields of a line of a four-byte tag, a TAB and six quoted fields joined by single
    // commas, ending at a line feed (a carriage return before it dropped), split as
    // SplitSpans splits it, into tokens[1] to tokens[6] (the tag and a seventh field are
    // never looked at for such a line). Null when the line is of any other shape: a quote
    // escaped by a slash, a field starting with white space, text after the last field, no
    // line feed before the end.
    // defaultTexts tells, where it is seen at no cost, that the author and the comment are
    // both "?"; false says nothing.
    const char* SplitEntry(const char* s, const char* end, std::string_view* tokens,
                           bool& defaultTexts) {
        defaultTexts = false;
        if (s[5] != '"') return nullptr;
        const char* open = s + 6;
        const char* close = bytescan::FindEither(open, end, '"', '\n');
        if (close == end || *close != '"') return nullptr;
        if (EscapedOrTrimmed(open, close)) return nullptr;
        tokens[1] = std::string_view(open, close - open);
        // Most lines end in five one-byte fields, ","2","?","?","0","1": checked in three
        // words, the values among them by their range ('0' to '?' holds none of the quote,
        // the slash and the blanks) in the same words. Both kinds of line taken here begin
        // with the priority, one byte: ","2"," after the name.
        if (end - close >= 23 && PriorityField(close)) {
            if (TwoOneByteFields(close + 8) && LastOneByteFields(close + 13) &&
                IsValueByte(close[7])) {
                const char* next = close[21] == '\n'                          ? close + 22
                                   : close[21] == '\r' && close[22] == '\n' ? close + 23
                                                                             : nullptr;
                if (next) {
                    for (int k = 0; k < 5; ++k) tokens[2 + k] = std::string_view(close + 3 + 4 * k, 1);
                    defaultTexts = ((close[7] ^ '?') | (close[11] ^ '?')) == 0;
                    return next;
                }
            }
            // An entry with an author of its own: the priority, the author searched for, and
            // three one-byte fields after it (","?","0","1") in two words. Any other line is
            // split field by field below.
            if (const char* rest = SplitAuthorLine(close, end, tokens)) return rest;
        }
        for (std::size_t field = 2; field <= 6; ++field) {
            const char* p = close + 1;
            if (end - p < 4) return nullptr;
            // One value byte between the quotes (a flag, a digit, a "?") is taken in one word.
            std::uint32_t word;
            std::memcpy(&word, p, sizeof word);
            if ((word & Word4("\xff\xff\xf0\xff")) == Word4(",\"0\"")) {
                tokens[field] = std::string_view(p + 2, 1);
                close = p + 3;
                continue;
            }
            if (p[0] != ',' || p[1] != '"') return nullptr;
            open = p + 2;
            close = *open != '"' && open[1] == '"' ? open + 1
                                                    : bytescan::FindEither(open, end, '"', '\n');
            if (close == end || *close != '"') return nullptr;
            if (EscapedOrTrimmed(open, close)) return nullptr;
            tokens[field] = std::string_view(open, close - open);
        }
        const char* p = close + 1;
        if (p < end && *p == '\n') return p + 1;
        if (end - p >= 2 && p[0] == '\r' && p[1] == '\n') return p + 2;
        return nullptr;
    }

    // The fields after the name (its closing quote at close) of a line ","P","author","C",
    // "I","E" and its line end, P, C, I and E one byte each as the fields of one byte are
    // taken below; null, nothing taken, for any other line. end - close >= 23, and the
    // caller has seen ","P"," at close (PriorityField).
    const char* SplitAuthorLine(const char* close, const char* end, std::string_view* tokens) {
        const char* open = close + 7;
        const char* c = bytescan::FindEither(open, end, '"', '\n');
        if (end - c < 15 || *c != '"') return nullptr;
        if (EscapedOrTrimmed(open, c)) return nullptr;
        if (!TwoOneByteFields(c) || !LastOneByteFields(c + 5)) return nullptr;
        const char* next = c[13] == '\n' ? c + 14 : c[13] == '\r' && c[14] == '\n' ? c + 15 : nullptr;
        if (!next) return nullptr;
        tokens[2] = std::string_view(close + 3, 1);
        tokens[3] = std::string_view(open, c - open);
        tokens[4] = std::string_view(c + 3, 1);
        tokens[5] = std::string_view(c + 7, 1);
        tokens[6] = std::string_view(c + 11, 1);
        return next;
    }

    static std::uint32_t Word4(const char (&bytes)[5]) {
        std::uint32_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }

    static std::uint64_t Word(const char (&bytes)[9]) {
        std::uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    }

    // At p, `","X","` : a field's closing quote and a field of one value byte after it (the
    // byte after it not looked at).
    static bool PriorityField(const char* p) {
        return (bytescan::Load(p) & Word("\xff\xff\xff\xf0\xff\xff\xff\0")) ==
               Word("\",\"0\",\"\0");
    }
    // At p, `","X","Y` : a field's closing quote and two fields of one value byte each.
    static bool TwoOneByteFields(const char* p) {
        return (bytescan::Load(p) & Word("\xff\xff\xff\xf0\xff\xff\xff\xf0")) ==
               Word("\",\"0\",\"0");
    }
    // At p, `,"X","Y"` : the last two fields of a line, of one value byte each.
    static bool LastOneByteFields(const char* p) {
        return (bytescan::Load(p) & Word("\xff\xff\xf0\xff\xff\xff\xf0\xff")) ==
               Word(",\"0\",\"0\"");
    }
    // A one-byte field the fast paths take: '0' to '?' (digits, flags, "?"), which holds none
    // of the quote, the slash and the blanks.
    static bool IsValueByte(char c) { return static_cast<unsigned char>(c - '0') < 16; }

    // Whether a field between the quotes at open - 1 and close may read otherwise in the
    // general splitting: a slash before the closing quote escapes it, and white space at the
    // start is trimmed. Any byte up to the blank is taken for white space here (the other
    // control bytes are left to the general splitting as well). An empty field holds neither:
    // the bytes looked at are then its two quotes.
    static bool EscapedOrTrimmed(const char* open, const char* close) {
        return close[-1] == '/' || static_cast<unsigned char>(*open) <= ' ';
    }

    template <std::size_t N>
    static bool Is(std::string_view tag, const char (&name)[N]) {
        return std::memcmp(tag.data(), name, N - 1) == 0;
    }

    void OpenFolder() {
        if (m_current) {
            m_current = NewChild(true);
            ++m_folders;
            return;
        }
        auto folder = std::make_unique<CBlock>();
        folder->m_bFolder = 1;
        CBlock* opened = folder.get();
        if (m_context.ppRoot) {
            if (*m_context.ppRoot && m_rootsRead > 0) {
                Problem("a further top-level folder replaces the collection read so far");
            }
            m_lastEntry = nullptr;  // it may lie in the tree about to go
            delete *m_context.ppRoot;
            *m_context.ppRoot = folder.release();
            ++m_rootsRead;
            // Without a parent, everything placed from here on lies in this folder's tree.
            m_folders = 1;
            m_files = 0;
        } else {
            // Nowhere to keep a top-level folder: read it, then drop it.
            Problem("top-level folder with no document to hold it ignored");
            m_lastEntry = nullptr;
            m_orphan = std::move(folder);
        }
        m_current = opened;
    }

    // A new entry at the end of the open folder. One that the folder's list has no memory to
    // take goes again, instead of being lost.
    CBlock* NewChild(bool folder) {
        auto child = std::make_unique<CBlock>();
        child->m_bFolder = folder;
        child->m_pParent = m_current;
        m_current->m_Children.AddTail(child.get());
        return child.release();
    }

    void CloseFolder() {
        if (!m_current) {
            Problem("\"}FILE\" with no open folder ignored");
            return;
        }
        if (m_current == m_parent) {
            Problem("\"}FILE\" closing the folder being read into ignored");
            return;
        }
        m_current->m_Children.ShrinkToFit();
        m_current = m_current->m_pParent;
    }

    // The entry lines taken and not yet made, made into their entries now.
    void Flush() {
        while (m_pendingCount) MakeOldest();
    }

    // Keeps the entry line just split (its fields in m_tokens) to be made a few lines later.
    void Defer(bool isName, std::uint64_t textsHash) {
        PendingEntry& line = m_pendingLines[(m_pendingFirst + m_pendingCount) % kAhead];
        for (std::size_t i = 1; i <= 6; ++i) line.tokens[i] = m_tokens[i];
        line.isName = isName;
        line.textsHash = textsHash;
        ++m_pendingCount;
    }

    void MakeOldest() {
        PendingEntry& line = m_pendingLines[m_pendingFirst];
        m_pendingFirst = (m_pendingFirst + 1) % kAhead;
        --m_pendingCount;
        ++m_lineNo;
        Entry(line.tokens, line.isName, false, CBlock::PreparedTexts{line.textsHash, 0});
    }

    // The fields are in tokens[1 .. kFields); escaped when the line bears the mark. texts is
    // what CBlock::PrepareTexts gave for the author and comment; a reference it holds goes
    // to the entry, or back when no entry is made.
    // The common case (a file entry in an open folder, no escapes) is kept short: the rest is
    // out of line, so that a line of it saves and restores no more than it uses.
    void Entry(std::string_view* tokens, bool isName, bool escaped, CBlock::PreparedTexts texts) {
        if (isName || escaped || !m_current) return EntryOtherwise(tokens, isName, escaped, texts);
        FileEntry(tokens, texts);
    }

#if defined(__GNUC__)
    __attribute__((noinline))
#endif
    void EntryOtherwise(std::string_view* tokens, bool isName, bool escaped,
                        CBlock::PreparedTexts texts) {
        if (!m_current) {
            CBlock::DropPreparedTexts(texts);
            Problem(std::string(isName ? "\"NAME\"" : "\"DATA\"") + " with no open folder ignored");
            return;
        }
        if (isName && m_parent && m_current == m_parent) {
            CBlock::DropPreparedTexts(texts);
            // Only damaged text names the folder being read into; renaming (or disabling) the
            // paste target or the changer's own root would silently change what is there.
            Problem("\"NAME\" outside any folder of the text ignored");
            return;
        }
        // The mark is always the last of exactly seven fields, which old files never end with.
        if (escaped) {
            for (std::size_t i : {1, 3, 4}) {
                std::string& owned = m_unescaped[i];
                owned.assign(tokens[i]);
                Unescape(owned);
                tokens[i] = owned;
            }
        }
        if (isName) {
            Fill(m_current, tokens, texts);
        } else {
            FileEntry(tokens, texts);
        }
    }

    // A new file entry at the end of the open folder, with the fields of its line.
    void FileEntry(std::string_view* tokens, CBlock::PreparedTexts texts) {
        CBlock* target;
        try {
            target = NewChild(false);
        } catch (...) {
            CBlock::DropPreparedTexts(texts);
            throw;
        }
        ++m_files;
        Fill(target, tokens, texts);
    }

    // Gives target the fields of its line.
    void Fill(CBlock* target, std::string_view* tokens, CBlock::PreparedTexts texts) {
        // The texts first: a reference held for them belongs to the entry from here on,
        // whatever fails after.
        target->SetTexts(tokens[3], tokens[4], m_lastEntry, texts);
        // A file entry's name, a path, mostly shares its directory with the entry before.
        if (!target->m_bFolder && m_lastEntry) {
            target->m_strName.AssignSharing(tokens[1], m_lastEntry->m_strName);
        } else {
            target->m_strName.assign(tokens[1]);
        }
        // All three read before any is stored, so that the two flags go in together.
        const int priority = ParseDecimal(tokens[2]);
        const bool inherit = ParseDecimal(tokens[5]) != 0;
        const bool enabled = ParseDecimal(tokens[6]) != 0;
        target->m_nPriority = static_cast<short>(priority);
        target->m_bInherit = inherit;
        target->m_bChangerEnabled = enabled;
        m_lastEntry = target;
    }

    static std::string Printable(std::string_view text) {
        std::string out;
        for (char c : text.substr(0, 40)) {
            unsigned char u = static_cast<unsigned char>(c);
            out += (u >= 0x20 && u < 0x7F) ? c : '?';
        }
        return out;
    }

    void Problem(const std::string& reason) {
        if (m_context.problems) m_context.problems->push_back({m_lineNo, reason});
    }

    CBlock* const m_parent;
    CBlock* m_current;
    RecordReadContext& m_context;
    // The tag and seven fields are all a record has; text after them is never split.
    static constexpr std::size_t kFields = 8;
    std::string_view m_tokens[kFields + 1];
    // Entry lines taken by Take and not yet made into entries, oldest first: a few, so that
    // the memory asked for a line's texts has the time of a few lines to arrive.
    struct PendingEntry {
        std::string_view tokens[kFields + 1];  // the fields in 1 to 6, as SplitEntry left them
        std::uint64_t textsHash;  // what CBlock::PrepareTexts gave (it held nothing)
        bool isName;
    };
    static constexpr unsigned kAhead = 4;
    PendingEntry m_pendingLines[kAhead];
    unsigned m_pendingFirst = 0;
    unsigned m_pendingCount = 0;
    std::vector<std::string> m_fallback;
    std::string m_unescaped[5];
    const CBlock* m_lastEntry = nullptr;
    std::unique_ptr<CBlock> m_orphan;
    long m_lineNo = 0;
    int m_rootsRead = 0;
    long m_folders = 0;  // meaningful without a parent once a top-level folder was read
    long m_files = 0;
};

}  // namespace

void ReadRecords(ILineSource& source, CBlock* parent, RecordReadContext& context) {
    Reader reader(parent, context);
    std::string_view line;
    for (;;) {
        // The lines the source holds at hand are taken out of its buffer where they are of
        // the writer's forms; the first of another form is read and taken as any line.
        const std::string_view rest = source.Unread();
        if (!rest.empty()) {
            const char* p = rest.data();
            const char* const end = p + rest.size();
            while (const char* next = reader.Take(p, end)) p = next;
            if (p != rest.data()) source.Skip(static_cast<std::size_t>(p - rest.data()));
        }
        if (!source.ReadLineView(line)) break;
        reader.Line(line);
    }
    reader.Finish();
}
