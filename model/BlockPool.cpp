#include "model/BlockPool.h"

#include <cstdint>
#include <cstring>
#include <new>

#ifdef PELORAND_POOL_WATCHED
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

using detail::FreePiece;
using detail::g_fast;
using detail::kChunkHeader;
constexpr std::size_t kFirstChunk = 64 * 1024;

struct Chunk {
    Chunk* next;
    std::size_t size;
};
static_assert(kChunkHeader == (sizeof(Chunk) + kGranule - 1) / kGranule * kGranule, "header");

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

// The rest is in g_fast, which the inline paths of BlockPool.h use.
struct State {
    Span spans[kMaxChunks];  // of the chunks held, by address
    std::size_t chunkCount;  // chunks are numbered 0 to chunkCount - 1 as they come
    std::size_t chunkLimit;  // 0: kMaxChunks
    ChunkSource source;
    Chunk* chunks;
    std::size_t nextChunk;
    std::size_t chunkBytes;
};
State g_state;

void SetLast(const Span& span) {
    g_fast.lastBegin = span.begin;
    g_fast.lastSize = span.end - span.begin;
    g_fast.lastNumber = span.number;
}

void ReleaseChunks() {
    State& s = g_state;
    for (Chunk* c = s.chunks; c;) {
        Chunk* next = c->next;
        POOL_UNPOISON(c, c->size);
        s.source.release(c, c->size);
        c = next;
    }
    for (auto& list : g_fast.freeLists) list = nullptr;
    // No piece is live, so no handle is: the numbers start again.
    for (std::size_t i = 0; i < s.chunkCount; ++i) detail::g_chunkBases[i] = nullptr;
    s.chunkCount = 0;
    SetLast({});
    s.chunks = nullptr;
    g_fast.bump = g_fast.bumpEnd = nullptr;
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
    SetLast(span);  // the pieces about to be carved from it are the next to get handles
    chunk->next = s.chunks;
    chunk->size = size;
    s.chunks = chunk;
    s.chunkBytes += size;
    char* begin = reinterpret_cast<char*>(chunk) + kChunkHeader;
    g_fast.bump = begin;
    g_fast.bumpEnd = reinterpret_cast<char*>(chunk) + size;
    POOL_POISON(begin, g_fast.bumpEnd - begin);
    return begin;
}

}  // namespace

namespace detail {
char* g_chunkBases[kMaxChunks];
Fast g_fast;

std::uint32_t HandleOfSlow(const void* piece) {
    State& s = g_state;
    const auto at = reinterpret_cast<std::uintptr_t>(piece);
    if (at - g_fast.lastBegin >= g_fast.lastSize) {
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
        SetLast(s.spans[lo - 1]);
    }
    const std::uintptr_t offset = at - g_fast.lastBegin;
    // Pieces start past the chunk's header, on a granule: never offset 0, so never handle 0.
    if (offset % kGranule != 0 || offset < kChunkHeader) return 0;
    return (g_fast.lastNumber << kOffsetBits) | static_cast<std::uint32_t>(offset / kGranule);
}

void* AllocateSlow(std::size_t size) {
    if (size == 0) size = 1;
    if (size > kLargest) return ::operator new(size);
    Fast& f = g_fast;
    const std::size_t bytes = PieceBytes(size);
    const std::size_t cls = bytes / kGranule;
    char* piece;
    if (FreePiece* head = f.freeLists[cls]) {
        POOL_UNPOISON(head, bytes);
        f.freeLists[cls] = head->next;
        piece = reinterpret_cast<char*>(head);
    } else {
        if (static_cast<std::size_t>(f.bumpEnd - f.bump) < bytes) NewChunk(bytes);
        piece = f.bump;
        f.bump += bytes;
        POOL_UNPOISON(piece, bytes);
    }
    f.liveBytes += bytes;
    ++f.livePieces;
    return piece;
}

void FreeSlow(void* piece, std::size_t size) {
    if (!piece) return;
    if (size == 0) size = 1;
    if (size > kLargest) {
        ::operator delete(piece);
        return;
    }
    Fast& f = g_fast;
    const std::size_t bytes = PieceBytes(size);
    const std::size_t cls = bytes / kGranule;
    f.liveBytes -= bytes;
    if (--f.livePieces == 0) {
        // Nothing is left in the pool: give its memory back.
        ReleaseChunks();
        return;
    }
    FreePiece* head = static_cast<FreePiece*>(piece);
    head->next = f.freeLists[cls];
    f.freeLists[cls] = head;
    POOL_POISON(piece, bytes);
}

}  // namespace detail

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
    return {g_state.chunkBytes, g_fast.liveBytes, g_fast.livePieces, g_state.chunkCount};
}

void SetChunkLimit(std::size_t chunks) {
    g_state.chunkLimit = chunks < kMaxChunks ? chunks : 0;
}

}  // namespace blockpool
