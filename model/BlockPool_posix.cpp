#include <sys/mman.h>

#include <new>

#include "model/BlockPool.h"

namespace {

// Chunks of this size and more are mapped on their own and offered to the kernel for
// transparent huge pages: one fault instead of 512 for each 2 MiB of a large collection.
constexpr std::size_t kMapped = std::size_t(2) << 20;

void* MapChunk(std::size_t size) {
    if (size < kMapped) return ::operator new(size);
    void* chunk = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (chunk == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(chunk, size, MADV_HUGEPAGE);  // a hint: without it the chunk works all the same
#endif
    return chunk;
}

void UnmapChunk(void* chunk, std::size_t size) {
    if (size < kMapped) {
        ::operator delete(chunk);
    } else {
        munmap(chunk, size);
    }
}

}  // namespace

void blockpool::UseSystemChunks() {
#ifdef PELORAND_POOL_WATCHED
    // The leak checker does not look into mappings of our own: the pieces from the heap that
    // entries in them point to (long child lists) would be reported as lost. The heap it is.
    return;
#endif
    SetChunkSource({MapChunk, UnmapChunk});
}
