// A set of shared records found by their text, for the texts and directory parts that the
// entries of a collection share across the whole process.
//
// Open addressing with linear probing: a slot holds the record's hash and a pointer to it, so
// a search touches one run of adjacent slots and looks at a record only when the hashes
// agree. A node-based table costs a heap node per record and a walk through memory per
// search, which a million-entry collection pays on nearly every line.
//
// No lock: like the block pool, the table belongs to the thread that owns the entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>

#include "model/BlockPool.h"

namespace intern {

// A fast 64-bit hash of a short text, mixed to the last bit: the table takes its slot from
// the low bits and its cache from others.
inline std::uint64_t Hash(std::string_view text, std::uint64_t seed = 0) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = seed ^ (text.size() * kMul);
    const char* p = text.data();
    std::size_t n = text.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * kMul;
        h ^= h >> 29;
    }
    if (n) {
        // The last bytes in at most two loads, without a loop: the length is in the seed.
        std::uint64_t word;
        if (n >= 4) {
            std::uint32_t first, last;
            std::memcpy(&first, p, 4);
            std::memcpy(&last, p + n - 4, 4);
            word = (std::uint64_t(first) << 32) | last;
        } else {
            word = static_cast<unsigned char>(p[0]) |
                   (std::uint64_t(static_cast<unsigned char>(p[n / 2])) << 8) |
                   (std::uint64_t(static_cast<unsigned char>(p[n - 1])) << 16);
        }
        h = (h ^ word) * kMul;
        h ^= h >> 29;
    }
    // The final mix of a well-known 64-bit finaliser.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

template <class T>
class CTable {
  public:
    CTable() = default;
    CTable(const CTable&) = delete;
    CTable& operator=(const CTable&) = delete;
    ~CTable() { blockpool::ReleaseTable(m_slots, Capacity() * sizeof(Slot)); }

    // The record with this hash for which same(record) holds; null when none.
    template <class Same>
    T* Find(std::uint64_t hash, Same same) const {
        if (!m_slots) return nullptr;
        for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot& slot = m_slots[i];
            if (!slot.record) return nullptr;
            if (slot.hash == hash && same(slot.record)) return slot.record;
        }
    }

    // Adds a record that is not in the table. Throws std::bad_alloc, the table unchanged.
    void Insert(std::uint64_t hash, T* record) {
        if ((m_count + 1) * 4 > Capacity() * 3) Grow();
        Place(m_slots, m_mask, hash, record);
        ++m_count;
    }

    // Removes this very record, if it is there.
    void Erase(std::uint64_t hash, const T* record) {
        if (!m_slots) return;
        std::size_t i = hash & m_mask;
        for (;; i = (i + 1) & m_mask) {
            if (!m_slots[i].record) return;
            if (m_slots[i].record == record) break;
        }
        // Shift back the records of the run after it that would no longer be found.
        for (std::size_t j = (i + 1) & m_mask;; j = (j + 1) & m_mask) {
            Slot& slot = m_slots[j];
            if (!slot.record) break;
            const std::size_t home = slot.hash & m_mask;
            // slot may move to i when its home does not lie in (i, j].
            if (((j - home) & m_mask) >= ((j - i) & m_mask)) {
                m_slots[i] = slot;
                i = j;
            }
        }
        m_slots[i] = Slot{0, nullptr};
        --m_count;
    }

    std::size_t Count() const { return m_count; }

  private:
    struct Slot {
        std::uint64_t hash;
        T* record;  // null: empty
    };
    std::size_t Capacity() const { return m_slots ? m_mask + 1 : 0; }
    static void Place(Slot* slots, std::size_t mask, std::uint64_t hash, T* record) {
        std::size_t i = hash & mask;
        while (slots[i].record) i = (i + 1) & mask;
        slots[i] = Slot{hash, record};
    }
    void Grow() {
        const std::size_t capacity = m_slots ? 2 * (m_mask + 1) : 64;
        // Zeroed memory is a table of empty slots.
        Slot* slots = static_cast<Slot*>(blockpool::AllocateTable(capacity * sizeof(Slot)));
        const std::size_t mask = capacity - 1;
        for (std::size_t i = 0; i < Capacity(); ++i) {
            if (m_slots[i].record) Place(slots, mask, m_slots[i].hash, m_slots[i].record);
        }
        blockpool::ReleaseTable(m_slots, Capacity() * sizeof(Slot));
        m_slots = slots;
        m_mask = mask;
    }

    Slot* m_slots = nullptr;
    std::size_t m_mask = 0;
    std::size_t m_count = 0;
};

}  // namespace intern
