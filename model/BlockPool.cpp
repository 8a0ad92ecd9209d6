#include "model/BlockPool.h"

#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define PELORAND_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELORAND_ASAN 1
#endif
#endif

#ifdef PELORAND_ASAN
#include <sanitizer/asan_interface.h>
// Free pieces stay poisoned, so that the sanitizer build still catches a use after free.
#define POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POOL_POISON(p, n) ((void)(p), (void)(n))
#define POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace blockpool {
namespace {

constexpr std::size_t kClasses = kLargest / kGranule + 1;
constexpr std::size_t kFirstChunk = 64 * 1024;

struct Chunk {
    Chunk* next;
    std::size_t size;
};
constexpr std::size_t kChunkHeader = (sizeof(Chunk) + kGranule - 1) / kGranule * kGranule;

struct FreePiece {
    FreePiece* next;
};

// Plain zero-initialised data: no constructor or destructor runs at start-up or exit, so
// entries of static objects may come and go at any time.
void* HeapAllocate(std::size_t size) {
    return ::operator new(size);
}
void HeapRelease(void* chunk, std::size_t) {
    ::operator delete(chunk);
}

// Where a chunk lies and its number, for the handles of its pieces.
struct Span {
    std::uintptr_t begin;
    std::uintptr_t end;
    std::uint32_t number;
};

struct State {
    FreePiece* freeLists[kClasses];
    Span spans[kMaxChunks];  // of the chunks held, by address
    Span last;               // the chunk of the last handle made, which most likely has the next
    std::size_t chunkCount;  // chunks are numbered 0 to chunkCount - 1 as they come
    std::size_t chunkLimit;  // 0: kMaxChunks
    ChunkSource source;
    Chunk* chunks;
    char* bump;
    char* bumpEnd;
    std::size_t nextChunk;
    std::size_t chunkBytes;
    std::size_t liveBytes;
    std::size_t livePieces;
};
State g_state;

std::size_t ClassOf(std::size_t size) {
    return (size + kGranule - 1) / kGranule;
}

void ReleaseChunks() {
    State& s = g_state;
    for (Chunk* c = s.chunks; c;) {
        Chunk* next = c->next;
        POOL_UNPOISON(c, c->size);
        s.source.release(c, c->size);
        c = next;
    }
    for (auto& list : s.freeLists) list = nullptr;
    // No piece is live, so no handle is: the numbers start again.
    for (std::size_t i = 0; i < s.chunkCount; ++i) detail::g_chunkBases[i] = nullptr;
    s.chunkCount = 0;
    s.last = {};
    s.chunks = nullptr;
    s.bump = s.bumpEnd = nullptr;
    s.nextChunk = 0;
    s.chunkBytes = 0;
}

char* NewChunk(std::size_t need) {
    State& s = g_state;
    // Every piece must have a handle: past the last chunk number there is no more room.
    if (s.chunkCount >= (s.chunkLimit ? s.chunkLimit : kMaxChunks)) throw std::bad_alloc();
    std::size_t size = s.nextChunk ? s.nextChunk : kFirstChunk;
    if (size < need + kChunkHeader) size = need + kChunkHeader;
    static_assert(kLargest + kChunkHeader <= kFirstChunk, "a piece fits in any chunk");
    if (!s.source.allocate) s.source = {HeapAllocate, HeapRelease};
    Chunk* chunk = static_cast<Chunk*>(s.source.allocate(size));
    // Chunks grow with the collection: a large one reads into few large chunks.
    s.nextChunk = size < kMaxChunk ? size * 2 : kMaxChunk;
    const auto number = static_cast<std::uint32_t>(s.chunkCount++);
    detail::g_chunkBases[number] = reinterpret_cast<char*>(chunk);
    const Span span{reinterpret_cast<std::uintptr_t>(chunk),
                    reinterpret_cast<std::uintptr_t>(chunk) + size, number};
    std::size_t at = number;
    while (at > 0 && s.spans[at - 1].begin > span.begin) {
        s.spans[at] = s.spans[at - 1];
        --at;
    }
    s.spans[at] = span;
    s.last = span;  // the pieces about to be carved from it are the next to get handles
    chunk->next = s.chunks;
    chunk->size = size;
    s.chunks = chunk;
    s.chunkBytes += size;
    char* begin = reinterpret_cast<char*>(chunk) + kChunkHeader;
    s.bump = begin;
    s.bumpEnd = reinterpret_cast<char*>(chunk) + size;
    POOL_POISON(begin, s.bumpEnd - begin);
    return begin;
}

}  // namespace

namespace detail {
char* g_chunkBases[kMaxChunks];
}

std::uint32_t HandleOf(const void* piece) {
    State& s = g_state;
    const auto at = reinterpret_cast<std::uintptr_t>(piece);
    if (at - s.last.begin >= s.last.end - s.last.begin) {
        // The last chunk whose start is not above the piece, if the piece is inside it.
        std::size_t lo = 0, hi = s.chunkCount;
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (s.spans[mid].begin <= at) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        if (lo == 0 || at >= s.spans[lo - 1].end) return 0;
        s.last = s.spans[lo - 1];
    }
    const std::uintptr_t offset = at - s.last.begin;
    // Pieces start past the chunk's header, on a granule: never offset 0, so never handle 0.
    if (offset % kGranule != 0 || offset < kChunkHeader) return 0;
    return (s.last.number << kOffsetBits) | static_cast<std::uint32_t>(offset / kGranule);
}

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    if (size > kLargest) return ::operator new(size);
    State& s = g_state;
    const std::size_t cls = ClassOf(size);
    const std::size_t bytes = cls * kGranule;
    char* piece;
    if (FreePiece* head = s.freeLists[cls]) {
        POOL_UNPOISON(head, bytes);
        s.freeLists[cls] = head->next;
        piece = reinterpret_cast<char*>(head);
    } else {
        if (static_cast<std::size_t>(s.bumpEnd - s.bump) < bytes) NewChunk(bytes);
        piece = s.bump;
        s.bump += bytes;
        POOL_UNPOISON(piece, bytes);
    }
    s.liveBytes += bytes;
    ++s.livePieces;
    return piece;
}

void Free(void* piece, std::size_t size) {
    if (!piece) return;
    if (size == 0) size = 1;
    if (size > kLargest) {
        ::operator delete(piece);
        return;
    }
    State& s = g_state;
    const std::size_t cls = ClassOf(size);
    const std::size_t bytes = cls * kGranule;
    s.liveBytes -= bytes;
    if (--s.livePieces == 0) {
        // Nothing is left in the pool: give its memory back.
        ReleaseChunks();
        return;
    }
    FreePiece* head = static_cast<FreePiece*>(piece);
    head->next = s.freeLists[cls];
    s.freeLists[cls] = head;
    POOL_POISON(piece, bytes);
}

namespace {
// Before a table: how it goes back, whichever source is set by then.
struct TableHeader {
    void (*release)(void* chunk, std::size_t size);
    std::size_t size;
};
constexpr std::size_t kTableHeader = 64;  // keeps the table on a cache line of its own
static_assert(sizeof(TableHeader) <= kTableHeader, "table header");
}  // namespace

void* AllocateTable(std::size_t size) {
    State& s = g_state;
    if (!s.source.allocate) s.source = {HeapAllocate, HeapRelease};
    if (size > SIZE_MAX - kTableHeader) throw std::bad_alloc();
    const std::size_t total = size + kTableHeader;
    char* chunk = static_cast<char*>(s.source.allocate(total));
    auto* header = reinterpret_cast<TableHeader*>(chunk);
    header->release = s.source.release;
    header->size = total;
    std::memset(chunk + kTableHeader, 0, size);
    return chunk + kTableHeader;
}

void ReleaseTable(void* table, std::size_t) {
    if (!table) return;
    char* chunk = static_cast<char*>(table) - kTableHeader;
    const TableHeader header = *reinterpret_cast<TableHeader*>(chunk);
    header.release(chunk, header.size);
}

void SetChunkSource(const ChunkSource& source) {
    if (g_state.chunks) return;  // too late: chunks of the old source are in use
    g_state.source = source;
}

Stats GetStats() {
    return {g_state.chunkBytes, g_state.liveBytes, g_state.livePieces, g_state.chunkCount};
}

void SetChunkLimit(std::size_t chunks) {
    g_state.chunkLimit = chunks < kMaxChunks ? chunks : 0;
}

}  // namespace blockpool
