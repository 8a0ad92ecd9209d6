#include "model/BlockPool.h"

#include <cstring>
#include <new>

// Large pages on Windows need a privilege that ordinary users lack: the heap it is.
void blockpool::UseSystemChunks() {}

void* blockpool::AllocateTable(std::size_t size) {
    void* table = ::operator new(size);
    std::memset(table, 0, size);
    return table;
}

void blockpool::ReleaseTable(void* table, std::size_t) {
    ::operator delete(table);
}
