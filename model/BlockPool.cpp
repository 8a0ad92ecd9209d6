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
constexpr std::size_t kMaxChunk = 8 * 1024 * 1024;

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

struct State {
    FreePiece* freeLists[kClasses];
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
    s.chunks = nullptr;
    s.bump = s.bumpEnd = nullptr;
    s.nextChunk = 0;
    s.chunkBytes = 0;
}

char* NewChunk(std::size_t need) {
    State& s = g_state;
    std::size_t size = s.nextChunk ? s.nextChunk : kFirstChunk;
    // Chunks grow with the collection: a large one reads into few large chunks.
    s.nextChunk = size < kMaxChunk ? size * 2 : kMaxChunk;
    if (size < need + kChunkHeader) size = need + kChunkHeader;
    if (!s.source.allocate) s.source = {HeapAllocate, HeapRelease};
    Chunk* chunk = static_cast<Chunk*>(s.source.allocate(size));
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
    return {g_state.chunkBytes, g_state.liveBytes, g_state.livePieces};
}

}  // namespace blockpool
