#include "model/BlockPool.h"

// Large pages on Windows need a privilege that ordinary users lack: the heap it is.
void blockpool::UseSystemChunks() {}
