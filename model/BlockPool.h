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

namespace blockpool {

constexpr std::size_t kGranule = 8;
constexpr std::size_t kLargest = 512;

// size is any byte count; pieces are aligned to kGranule.
void* Allocate(std::size_t size);
// size must be the size given to Allocate.
void Free(void* piece, std::size_t size);

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
};
Stats GetStats();

}  // namespace blockpool
