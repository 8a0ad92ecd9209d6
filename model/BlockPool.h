// Memory for the entries of collections and for their names.
//
// A collection of a million entries would otherwise cost two heap allocations per entry, and
// freeing it a million more. The pool hands out pieces in size classes of 8 bytes up to
// kLargest, carved from large chunks; a freed piece goes onto its class's free list and is
// the next one handed out for that class, so that deleting entries and reading new ones
// (delete, cut, paste, drag and drop) reuses the same memory. When the last piece is freed,
// the chunks go back to the system. Larger pieces come straight from the heap.
//
// The pool serves one thread at a time: entries are only made and destroyed on the thread
// that owns the document (the editor's user-interface thread, or the program's only one).
#pragma once

#include <cstddef>
#include <cstdint>

// Defined when AddressSanitizer watches the pool's pieces (GCC and clang tell it differently).
#if defined(__SANITIZE_ADDRESS__)
#define PELORAND_POOL_WATCHED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELORAND_POOL_WATCHED 1
#endif
#endif

namespace blockpool {

constexpr std::size_t kGranule = 8;
constexpr std::size_t kLargest = 512;

// size is any byte count; pieces are aligned to kGranule.
inline void* Allocate(std::size_t size);
// size must be the size given to Allocate.
inline void Free(void* piece, std::size_t size);

// A piece of at most kLargest bytes also has a 32-bit name, its handle, for tables that hold
// very many of them (the slots of child lists): the chunk's number and the piece's place in it.
// A handle stays valid while its piece is live; it is never 0, so 0 may mean none.
// Chunks hold at most kMaxChunk bytes and there are at most kMaxChunks of them, which bounds
// the pool to about 32 GiB: past that, Allocate throws std::bad_alloc instead of handing out a
// piece without a handle.
constexpr std::size_t kMaxChunk = std::size_t(8) << 20;
constexpr unsigned kOffsetBits = 20;  // kMaxChunk / kGranule places in a chunk
constexpr std::size_t kMaxChunks = std::size_t(1) << (32 - kOffsetBits);
static_assert(kMaxChunk / kGranule <= (std::size_t(1) << kOffsetBits), "handle offset");

// The handle of a piece that Allocate gave for at most kLargest bytes; 0 for any other
// pointer (a piece from the heap, an object on the stack), which no list may hold.
inline std::uint32_t HandleOf(const void* piece);
namespace detail {
extern char* g_chunkBases[kMaxChunks];  // by chunk number; null where no chunk is
}
// The piece of a handle that HandleOf gave, while the piece is live.
inline void* FromHandle(std::uint32_t handle) {
    return detail::g_chunkBases[handle >> kOffsetBits] +
           (std::size_t(handle & ((1u << kOffsetBits) - 1)) * kGranule);
}

// Where the pool's chunks come from: the heap unless a platform sets its own, which may hand
// out memory that the system backs with large pages (far fewer page faults while a large
// collection is read). Set only while the pool holds nothing, as a program starts.
struct ChunkSource {
    void* (*allocate)(std::size_t size);  // throws std::bad_alloc on failure
    void (*release)(void* chunk, std::size_t size);
};
void SetChunkSource(const ChunkSource& source);

// Platform part: sets the system's best chunk source (programs call it as they start).
void UseSystemChunks();

// Memory for the model's large tables (those of the texts and directory parts shared across
// the process), from the chunk source: where the system offers them, large tables get large
// pages as the chunks do, since they are searched at random. Zeroed. Throws std::bad_alloc.
void* AllocateTable(std::size_t size);
// size must be the size given to AllocateTable.
void ReleaseTable(void* table, std::size_t size);

struct Stats {
    std::size_t chunkBytes;  // held from the system for small pieces
    std::size_t liveBytes;   // handed out and not yet freed (rounded up to the class)
    std::size_t livePieces;
    std::size_t chunks;      // how many chunks are held
};
Stats GetStats();

// For tests: the pool holds at most this many chunks (at most kMaxChunks, which is also what
// 0 sets), so that the limit can be met without gigabytes.
void SetChunkLimit(std::size_t chunks);

// ---- The common cases, inline ----
// Reading a collection asks for two or three pieces and one handle per entry: the call alone
// would cost more than the work. Only the common case is here (a piece of its class's free
// list or carved from the current chunk; a handle in the chunk of the last one); everything
// else, and every piece while the address sanitizer watches the pool, goes through the
// functions in BlockPool.cpp.

namespace detail {
constexpr std::size_t kClasses = kLargest / kGranule + 1;
constexpr std::size_t kChunkHeader = 16;  // before a chunk's first piece: never a handle of 0
struct FreePiece {
    FreePiece* next;
};
struct Fast {
    FreePiece* freeLists[kClasses];
    char* bump;  // the rest of the current chunk
    char* bumpEnd;
    std::size_t liveBytes;
    std::size_t livePieces;
    // The chunk of the last handle made, which most likely holds the next.
    std::uintptr_t lastBegin;
    std::uintptr_t lastSize;
    std::uint32_t lastNumber;
};
extern Fast g_fast;
void* AllocateSlow(std::size_t size);
void FreeSlow(void* piece, std::size_t size);
std::uint32_t HandleOfSlow(const void* piece);

#ifdef PELORAND_POOL_WATCHED
constexpr bool kWatched = true;
#else
constexpr bool kWatched = false;
#endif
// What a piece of size bytes takes: whole granules.
constexpr std::size_t PieceBytes(std::size_t size) {
    return (size + kGranule - 1) & ~(kGranule - 1);
}
}  // namespace detail

inline void* Allocate(std::size_t size) {
    detail::Fast& f = detail::g_fast;
    if (!detail::kWatched && size - 1 < kLargest) {  // 0 wraps round to the slow path
        const std::size_t bytes = detail::PieceBytes(size);
        char* piece;
        if (detail::FreePiece* head = f.freeLists[bytes / kGranule]) {
            f.freeLists[bytes / kGranule] = head->next;
            piece = reinterpret_cast<char*>(head);
        } else if (static_cast<std::size_t>(f.bumpEnd - f.bump) >= bytes) {
            piece = f.bump;
            f.bump += bytes;
        } else {
            return detail::AllocateSlow(size);
        }
        f.liveBytes += bytes;
        ++f.livePieces;
        return piece;
    }
    return detail::AllocateSlow(size);
}

inline void Free(void* piece, std::size_t size) {
    detail::Fast& f = detail::g_fast;
    // The last live piece gives the chunks back: that is the slow path's.
    if (!detail::kWatched && piece && size - 1 < kLargest && f.livePieces > 1) {
        const std::size_t bytes = detail::PieceBytes(size);
        auto* head = static_cast<detail::FreePiece*>(piece);
        head->next = f.freeLists[bytes / kGranule];
        f.freeLists[bytes / kGranule] = head;
        f.liveBytes -= bytes;
        --f.livePieces;
        return;
    }
    detail::FreeSlow(piece, size);
}

inline std::uint32_t HandleOf(const void* piece) {
    const detail::Fast& f = detail::g_fast;
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(piece) - f.lastBegin;
    if (offset < f.lastSize && offset % kGranule == 0 && offset >= detail::kChunkHeader) {
        return (f.lastNumber << kOffsetBits) | static_cast<std::uint32_t>(offset / kGranule);
    }
    return detail::HandleOfSlow(piece);
}

}  // namespace blockpool
