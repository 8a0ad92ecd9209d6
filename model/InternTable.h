// A set of shared records found by their text, for the texts and directory parts that the
// entries of a collection share across the whole process.
//
// Open addressing with linear probing: a slot holds the record's hash and a handle to it (a
// pointer, or a number where the owner finds its records by number), so a search touches one
// run of adjacent slots and looks at a record only when the hashes agree. A node-based table
// costs a heap node per record and a walk through memory per search, which a million-entry
// collection pays on nearly every line.
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

// Multiplies two words and folds the halves of the product together: one step that mixes
// every bit of both into the result.
inline std::uint64_t Fold(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
#else
    const std::uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
    const std::uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const std::uint64_t low = aLow * bLow, cross1 = aHigh * bLow, cross2 = aLow * bHigh;
    const std::uint64_t middle = (low >> 32) + (cross1 & 0xFFFFFFFFu) + (cross2 & 0xFFFFFFFFu);
    const std::uint64_t high = aHigh * bHigh + (cross1 >> 32) + (cross2 >> 32) + (middle >> 32);
    return ((middle << 32) | (low & 0xFFFFFFFFu)) ^ high;
#endif
}

// Folds a text into state: sixteen bytes at a time, the last sixteen (or fewer) in two loads
// from either end, so that a short text costs one multiplication and no loop.
inline std::uint64_t FoldText(std::uint64_t state, std::string_view text) {
    constexpr std::uint64_t kA = 0xA0761D6478BD642Full, kB = 0xE7037ED1A0B428DBull;
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t first = 0, last = 0;
    if (n > 16) {
        for (; n > 16; p += 16, n -= 16) {
            std::uint64_t w0, w1;
            std::memcpy(&w0, p, 8);
            std::memcpy(&w1, p + 8, 8);
            state = Fold(w0 ^ kA, w1 ^ state);
        }
        std::memcpy(&first, p + n - 16, 8);
        std::memcpy(&last, p + n - 8, 8);
    } else if (n >= 8) {
        std::memcpy(&first, p, 8);
        std::memcpy(&last, p + n - 8, 8);
    } else if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        first = a;
        last = b;
    } else if (n > 0) {
        first = (std::uint64_t(static_cast<unsigned char>(p[0])) << 16) |
                (std::uint64_t(static_cast<unsigned char>(p[n / 2])) << 8) |
                static_cast<unsigned char>(p[n - 1]);
    }
    return Fold(first ^ kA, last ^ kB ^ state);
}

// A hash of two texts taken as a pair (an author and a comment): cheaper than two calls of
// Hash, and as well mixed. The two texts are folded side by side from different seeds, so
// that the processor multiplies for both at once, and the lengths are folded in last, so
// that the same bytes split differently between the two texts give another hash.
inline std::uint64_t HashPair(std::string_view first, std::string_view second) {
    constexpr std::uint64_t kC = 0x8EBC6AF09C88C6E3ull, kD = 0x589965CC75374CC3ull;
    const std::uint64_t a = FoldText(kC, first), b = FoldText(kD, second);
    const std::uint64_t sizes = (std::uint64_t(first.size()) << 32) ^ std::uint64_t(second.size());
    return Fold(a ^ sizes, b ^ kC);
}

// Handle{} is no record: it marks an empty slot, and Find returns it when nothing agrees.
// HashWord may be narrower than the hash a caller computes (half the room per slot for a
// table of many small records); the caller then passes the same part of it every time.
template <class Handle, class HashWord = std::uint64_t>
class CHandleTable {
  public:
    CHandleTable() = default;
    CHandleTable(const CHandleTable&) = delete;
    CHandleTable& operator=(const CHandleTable&) = delete;
    ~CHandleTable() { blockpool::ReleaseTable(m_slots, Capacity() * sizeof(Slot)); }

    // The record with this hash for which same(record) holds; Handle{} when none.
    template <class Same>
    Handle Find(HashWord hash, Same same) const {
        if (!m_slots) return Handle{};
        for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const Slot& slot = m_slots[i];
            if (slot.record == Handle{}) return Handle{};
            if (slot.hash == hash && same(slot.record)) return slot.record;
        }
    }

    // Adds a record that is not in the table. Throws std::bad_alloc, the table unchanged.
    void Insert(HashWord hash, Handle record) {
        if ((m_count + 1) * 4 > Capacity() * 3) Grow();
        Place(m_slots, m_mask, hash, record);
        ++m_count;
    }

    // Removes this very record, if it is there.
    void Erase(HashWord hash, Handle record) {
        if (!m_slots) return;
        std::size_t i = hash & m_mask;
        for (;; i = (i + 1) & m_mask) {
            if (m_slots[i].record == Handle{}) return;
            if (m_slots[i].record == record) break;
        }
        // Shift back the records of the run after it that would no longer be found.
        for (std::size_t j = (i + 1) & m_mask;; j = (j + 1) & m_mask) {
            Slot& slot = m_slots[j];
            if (slot.record == Handle{}) break;
            const std::size_t home = slot.hash & m_mask;
            // slot may move to i when its home does not lie in (i, j].
            if (((j - home) & m_mask) >= ((j - i) & m_mask)) {
                m_slots[i] = slot;
                i = j;
            }
        }
        m_slots[i] = Slot{0, Handle{}};
        --m_count;
    }

    std::size_t Count() const { return m_count; }

    // Asks for the slot a search for this hash starts at, for a search to come.
    void Prefetch(HashWord hash) const {
#if defined(__GNUC__)
        if (m_slots) __builtin_prefetch(&m_slots[hash & m_mask]);
#else
        (void)hash;
#endif
    }

  private:
    struct Slot {
        HashWord hash;
        Handle record;  // Handle{}: empty
    };
    std::size_t Capacity() const { return m_slots ? m_mask + 1 : 0; }
    static void Place(Slot* slots, std::size_t mask, HashWord hash, Handle record) {
        std::size_t i = hash & mask;
        while (slots[i].record != Handle{}) i = (i + 1) & mask;
        slots[i] = Slot{hash, record};
    }
    void Grow() {
        const std::size_t capacity = m_slots ? 2 * (m_mask + 1) : 64;
        // The home of a slot comes from its hash word: a table cannot outgrow it.
        if (capacity - 1 > HashWord(-1)) throw std::bad_alloc();
        // Zeroed memory is a table of empty slots.
        Slot* slots = static_cast<Slot*>(blockpool::AllocateTable(capacity * sizeof(Slot)));
        const std::size_t mask = capacity - 1;
        for (std::size_t i = 0; i < Capacity(); ++i) {
            if (m_slots[i].record != Handle{}) {
                Place(slots, mask, m_slots[i].hash, m_slots[i].record);
            }
        }
        blockpool::ReleaseTable(m_slots, Capacity() * sizeof(Slot));
        m_slots = slots;
        m_mask = mask;
    }

    Slot* m_slots = nullptr;
    std::size_t m_mask = 0;
    std::size_t m_count = 0;
};

// Records found by a pointer to them.
template <class T>
using CTable = CHandleTable<T*>;

}  // namespace intern
