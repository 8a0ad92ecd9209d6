#include "model/BlockName.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <ostream>

#include "model/BlockPool.h"

namespace {

constexpr unsigned char kLongMarker = 0xFF;  // as in CBlockName
constexpr unsigned char kSharedMarker = 0xFE;
constexpr std::size_t kPointer = sizeof(void*);
// Directory parts shorter than this are not worth a shared head.
constexpr std::size_t kMinShared = 16;

// A shared directory part: a count of the names using it, its length, its bytes (the layout
// CBlockName::Parts reads).
struct Head {
    std::uint32_t refs;
    std::uint32_t length;
    char* Bytes() { return reinterpret_cast<char*>(this + 1); }
};

std::size_t PlainHeader(std::size_t length) {
    return length < kSharedMarker ? 1 : 1 + sizeof(std::uint32_t);
}

void WritePlain(char* record, std::string_view text) {
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    if (PlainHeader(length) == 1) {
        record[0] = static_cast<char>(length);
        std::memcpy(record + 1, text.data(), length);
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

void CBlockName::Release() {
    if (!m_pRecord) return;
    std::size_t size;
    if (static_cast<unsigned char>(m_pRecord[0]) == kSharedMarker) {
        Head* head = ReadHead(m_pRecord);
        if (--head->refs == 0) blockpool::Free(head, sizeof(Head) + head->length);
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
    std::string_view likeHead, likeTail;
    like.Parts(likeHead, likeTail);
    Head* head = nullptr;
    if (!likeHead.empty() && text.size() > likeHead.size() &&
        text.compare(0, likeHead.size(), likeHead) == 0) {
        head = ReadHead(like.m_pRecord);
        ++head->refs;
    } else {
        // The directory part: up to the last separator of either kind. Where a double-byte
        // character's second byte looks like one, the split is only elsewhere: both parts
        // together are the text all the same.
        const std::size_t cut = text.find_last_of("\\/") + 1;
        const std::string_view dir = text.substr(0, cut);
        const std::size_t fromHead = dir.size() < likeHead.size() ? dir.size() : likeHead.size();
        const bool likeHasIt =
            cut >= kMinShared && cut < text.size() && likeHead.size() + likeTail.size() > cut &&
            dir.compare(0, fromHead, likeHead, 0, fromHead) == 0 &&
            dir.compare(fromHead, cut - fromHead, likeTail, 0, cut - fromHead) == 0;
        if (!likeHasIt) {
            assign(text);
            return;
        }
        CheckLength(cut);
        head = static_cast<Head*>(blockpool::Allocate(sizeof(Head) + cut));
        head->refs = 1;
        head->length = static_cast<std::uint32_t>(cut);
        std::memcpy(head->Bytes(), text.data(), cut);
    }
    const std::string_view tail = text.substr(head->length);
    CheckLength(tail.size());
    char* record = static_cast<char*>(
        blockpool::Allocate(1 + kPointer + PlainHeader(tail.size()) + tail.size()));
    record[0] = static_cast<char>(kSharedMarker);
    std::memcpy(record + 1, &head, kPointer);
    WritePlain(record + 1 + kPointer, tail);
    Release();
    m_pRecord = record;
}
