#include "model/BlockName.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <ostream>

#include "model/BlockPool.h"
#include "model/ByteScan.h"
#include "model/InternTable.h"

namespace {

constexpr unsigned char kLongMarker = 0xFF;  // as in CBlockName
constexpr unsigned char kSharedMarker = 0xFE;
constexpr std::size_t kPointer = sizeof(void*);
// Directory parts shorter than this are not worth a shared head: the reference to one costs
// a marker, a pointer and the tail's own length byte.
constexpr std::size_t kMinShared = 10;

// A shared directory part: a count of the names using it, its length, its bytes (the layout
// CBlockName::Parts reads).
struct Head {
    std::uint32_t refs;
    std::uint32_t length;
    char* Bytes() { return reinterpret_cast<char*>(this + 1); }
    std::string_view Text() { return std::string_view(Bytes(), length); }
};

// Every shared directory part in use, once, by its bytes (a view into the head itself): the
// names of one directory share its bytes wherever they lie in the tree and in whatever order
// they are read. No lock: names, like the pool, belong to one thread.
using HeadTable = intern::CTable<Head>;
HeadTable& Heads() {
    static HeadTable* const table = new HeadTable;  // never destroyed, like the pool
    return *table;
}

// Where the part shared with other names ends: after the last '/' or '\\'. This is no
// reading of the path: a collection written on Windows is shared the same on a POSIX system,
// where a backslash belongs to a name, and where a double-byte character's second byte looks
// like a backslash the split may fall inside the character. Both parts together are the text
// all the same.
std::size_t DirectoryEnd(std::string_view text) {
    const char* s = text.data();
    std::size_t cut = text.size();
    // Eight bytes at a time from the end up to the word holding the last separator.
    while (cut >= 8) {
        const std::uint64_t word = bytescan::Load(s + cut - 8);
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // The last separator of the word is its highest marked byte.
        if (const std::uint64_t m =
                bytescan::ExactMatches(word, '/') | bytescan::ExactMatches(word, '\\')) {
            return cut - 8 + static_cast<std::size_t>((63 - __builtin_clzll(m)) >> 3) + 1;
        }
#else
        if (bytescan::Matches(word, '/') | bytescan::Matches(word, '\\')) break;
#endif
        cut -= 8;
    }
    while (cut > 0 && s[cut - 1] != '/' && s[cut - 1] != '\\') --cut;
    return cut;
}

std::size_t PlainHeader(std::size_t length) {
    return length < kSharedMarker ? 1 : 1 + sizeof(std::uint32_t);
}

#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline void WritePlain(char* record, std::string_view text) {
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    if (PlainHeader(length) == 1) {
        record[0] = static_cast<char>(length);
        bytescan::Copy(record + 1, text.data(), length);
    } else {
        record[0] = static_cast<char>(kLongMarker);
        std::memcpy(record + 1, &length, sizeof length);
        std::memcpy(record + 1 + sizeof length, text.data(), length);
    }
}

Head* ReadHead(const char* record) {
    Head* head;
    std::memcpy(&head, record + 1, kPointer);
    return head;
}

void CheckLength(std::size_t size) {
    if (size > UINT32_MAX - 16) throw std::bad_alloc();
}

// A record of head followed by tail; raising head's count is the caller's.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline char* NewSharedRecord(Head* head, std::string_view tail) {
    CheckLength(tail.size());
    char* record = static_cast<char*>(
        blockpool::Allocate(1 + kPointer + PlainHeader(tail.size()) + tail.size()));
    record[0] = static_cast<char>(kSharedMarker);
    std::memcpy(record + 1, &head, kPointer);
    WritePlain(record + 1 + kPointer, tail);
    return record;
}

}  // namespace

std::string CBlockName::str() const {
    std::string_view head, tail;
    Parts(head, tail);
    std::string out;
    out.reserve(head.size() + tail.size());
    out.append(head);
    out.append(tail);
    return out;
}

bool CBlockName::Equals(std::string_view text) const {
    std::string_view head, tail;
    Parts(head, tail);
    return text.size() == head.size() + tail.size() && text.substr(0, head.size()) == head &&
           text.substr(head.size()) == tail;
}

void CBlockName::ReleaseRecord() {
    std::size_t size;
    if (static_cast<unsigned char>(m_pRecord[0]) == kSharedMarker) {
        Head* head = ReadHead(m_pRecord);
        if (--head->refs == 0) {
            Heads().Erase(intern::Hash(head->Text()), head);
            blockpool::Free(head, sizeof(Head) + head->length);
        }
        std::string_view tail = ReadPlain(m_pRecord + 1 + kPointer);
        size = 1 + kPointer + PlainHeader(tail.size()) + tail.size();
    } else {
        std::string_view text = ReadPlain(m_pRecord);
        size = PlainHeader(text.size()) + text.size();
    }
    blockpool::Free(m_pRecord, size);
    m_pRecord = nullptr;
}

void CBlockName::assign(std::string_view text) {
    if (text.empty()) {
        Release();
        return;
    }
    CheckLength(text.size());
    // Made before the old record goes: text may lie inside it.
    char* record = static_cast<char*>(blockpool::Allocate(PlainHeader(text.size()) + text.size()));
    WritePlain(record, text);
    Release();
    m_pRecord = record;
}

void CBlockName::AssignSharing(std::string_view text, const CBlockName& like) {
    // The sibling read before mostly lies in the same directory: its shared part is taken
    // when it begins this name, without a search or a hash.
    if (like.m_pRecord && static_cast<unsigned char>(like.m_pRecord[0]) == kSharedMarker) {
        Head* head = ReadHead(like.m_pRecord);
        if (text.size() > head->length && bytescan::Equal(text.data(), head->Bytes(), head->length)) {
            char* record = NewSharedRecord(head, text.substr(head->length));
            ++head->refs;  // before the old record goes: it may hold the last reference
            Release();
            m_pRecord = record;
            return;
        }
    }
    const std::size_t cut = DirectoryEnd(text);
    if (cut < kMinShared || cut == text.size()) {
        assign(text);
        return;
    }
    AssignSearching(text, cut);
}

void CBlockName::AssignSearching(std::string_view text, std::size_t cut) {
    const std::string_view dir = text.substr(0, cut);
    HeadTable& heads = Heads();
    const std::uint64_t hash = intern::Hash(dir);
    Head* head = heads.Find(hash, [&](Head* h) { return h->Text() == dir; });
    if (!head) {
        CheckLength(cut);
        head = static_cast<Head*>(blockpool::Allocate(sizeof(Head) + cut));
        head->refs = 0;
        head->length = static_cast<std::uint32_t>(cut);
        std::memcpy(head->Bytes(), text.data(), cut);
        try {
            heads.Insert(hash, head);
        } catch (...) {
            blockpool::Free(head, sizeof(Head) + cut);
            throw;
        }
    }
    char* record;
    try {
        record = NewSharedRecord(head, text.substr(cut));
    } catch (...) {
        if (head->refs == 0) {  // made above for this name alone
            heads.Erase(hash, head);
            blockpool::Free(head, sizeof(Head) + cut);
        }
        throw;
    }
    ++head->refs;  // before the old record goes: it may hold the last reference
    Release();
    m_pRecord = record;
}
