// For tests of what happens when the block pool runs out: a chunk limit for one test, and
// taking whatever the pool can still hand out.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "model/BlockPool.h"

namespace pooltest {

struct Piece {
    void* at;
    std::size_t size;
};

// Sets a chunk limit for one test, and lifts it however the test ends.
struct ChunkLimit {
    explicit ChunkLimit(std::size_t chunks) { blockpool::SetChunkLimit(chunks); }
    ~ChunkLimit() { blockpool::SetChunkLimit(0); }
};

// Everything the pool can still hand out, taken; give it back with FreeAll.
inline std::vector<Piece> FillPool() {
    std::vector<Piece> filler;
    for (std::size_t size = blockpool::kLargest; size >= blockpool::kGranule;
         size -= blockpool::kGranule) {
        try {
            for (;;) filler.push_back({blockpool::Allocate(size), size});
        } catch (const std::bad_alloc&) {
        }
    }
    return filler;
}

inline void FreeAll(const std::vector<Piece>& pieces) {
    for (const Piece& p : pieces) blockpool::Free(p.at, p.size);
}

}  // namespace pooltest
