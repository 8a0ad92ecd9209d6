#include "model/BlockName.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <ostream>

#include "model/BlockPool.h"

namespace {
// A length below this takes one byte; longer ones are the marker byte and four bytes.
constexpr unsigned char kLongMarker = 0xFF;
}  // namespace

std::size_t CBlockName::Length(std::size_t& header) const {
    const unsigned char first = static_cast<unsigned char>(m_pRecord[0]);
    if (first != kLongMarker) {
        header = 1;
        return first;
    }
    std::uint32_t length;
    std::memcpy(&length, m_pRecord + 1, sizeof length);
    header = 1 + sizeof length;
    return length;
}

void CBlockName::Release() {
    if (!m_pRecord) return;
    std::size_t header;
    std::size_t length = Length(header);
    blockpool::Free(m_pRecord, header + length);
    m_pRecord = nullptr;
}

void CBlockName::assign(std::string_view text) {
    if (text.empty()) {
        Release();
        return;
    }
    if (text.size() > UINT32_MAX - 8) throw std::bad_alloc();
    const std::uint32_t length = static_cast<std::uint32_t>(text.size());
    const std::size_t header = length < kLongMarker ? 1 : 1 + sizeof length;
    // Allocated before the old record goes: text may lie inside it.
    char* record = static_cast<char*>(blockpool::Allocate(header + length));
    if (header == 1) {
        record[0] = static_cast<char>(length);
    } else {
        record[0] = static_cast<char>(kLongMarker);
        std::memcpy(record + 1, &length, sizeof length);
    }
    std::memcpy(record + header, text.data(), length);
    Release();
    m_pRecord = record;
}

std::ostream& operator<<(std::ostream& out, const CBlockName& name) {
    return out << name.view();
}
