#include "model/RecordReader.h"

#include <cstring>
#include <memory>

#include "model/Block.h"
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
            Entry(tag[0] == 'N', count);
        } else if (tag.size() == 5 && Is(tag, "FILE{")) {
            OpenFolder();
        } else if (tag.size() == 5 && Is(tag, "}FILE")) {
            CloseFolder();
        } else if (!tag.empty()) {
            Problem("unknown record \"" + Printable(tag) + "\" ignored");
        }
    }

    void Finish() {
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
    template <std::size_t N>
    static bool Is(std::string_view tag, const char (&name)[N]) {
        return std::memcmp(tag.data(), name, N - 1) == 0;
    }

    void OpenFolder() {
        CBlock* folder = new CBlock;
        folder->m_bFolder = 1;
        folder->m_pParent = m_current;
        if (m_current) {
            m_current->m_Children.AddTail(folder);
            ++m_folders;
        } else if (m_context.ppRoot) {
            if (*m_context.ppRoot && m_rootsRead > 0) {
                Problem("a further top-level folder replaces the collection read so far");
            }
            m_lastEntry = nullptr;  // it may lie in the tree about to go
            delete *m_context.ppRoot;
            *m_context.ppRoot = folder;
            ++m_rootsRead;
            // Without a parent, everything placed from here on lies in this folder's tree.
            m_folders = 1;
            m_files = 0;
        } else {
            // Nowhere to keep a top-level folder: read it, then drop it.
            Problem("top-level folder with no document to hold it ignored");
            m_lastEntry = nullptr;
            m_orphan.reset(folder);
        }
        m_current = folder;
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
        if (m_context.insertPasted && m_context.tree && m_current->m_pParent == m_parent &&
            m_parent) {
            m_current->InsertIntoTree(*m_context.tree, m_context.pasteParentItem);
        }
        m_current = m_current->m_pParent;
    }

    void Entry(bool isName, std::size_t count) {
        if (!m_current) {
            Problem(std::string(isName ? "\"NAME\"" : "\"DATA\"") + " with no open folder ignored");
            return;
        }
        if (isName && m_parent && m_current == m_parent) {
            // Only damaged text names the folder being read into; renaming (or disabling) the
            // paste target or the changer's own root would silently change what is there.
            Problem("\"NAME\" outside any folder of the text ignored");
            return;
        }
        auto token = [&](std::size_t i) {
            return i < count && i < kFields ? m_tokens[i] : std::string_view();
        };
        // The mark is always the last of exactly seven fields, which old files never end with.
        if (count == kFields && m_tokens[7] == kEscapedLineMark) {
            for (std::size_t i : {1, 3, 4}) {
                std::string& owned = m_unescaped[i];
                owned.assign(m_tokens[i]);
                Unescape(owned);
                m_tokens[i] = owned;
            }
        }
        CBlock* target;
        if (isName) {
            target = m_current;
        } else {
            target = new CBlock;
            target->m_bFolder = 0;
            target->m_pParent = m_current;
            m_current->m_Children.AddTail(target);
            ++m_files;
        }
        if (!isName && m_lastEntry) {
            target->m_strName.AssignSharing(token(1), m_lastEntry->m_strName);
        } else {
            target->m_strName.assign(token(1));
        }
        target->m_nPriority = static_cast<short>(ParseDecimal(token(2)));
        target->SetTexts(token(3), token(4), m_lastEntry);
        target->m_bInherit = ParseDecimal(token(5)) != 0;
        target->m_bChangerEnabled = ParseDecimal(token(6)) != 0;
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
    while (source.ReadLineView(line)) reader.Line(line);
    reader.Finish();
}
