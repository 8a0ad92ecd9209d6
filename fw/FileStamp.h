// What a file on disk held when the document read or wrote it, to learn before the next save
// whether someone else has written it since (another window on the same collection, say).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct FileStamp {
    bool known = false;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // FILETIME ticks
    std::uint64_t digest = 0;     // of every byte, in order

    // The same bytes. A newer time alone (the file touched, or written back unchanged) is no
    // change: nothing would be lost by writing over it.
    bool SameContents(const FileStamp& other) const {
        return known && other.known && size == other.size && digest == other.digest;
    }
};

// The stamp of an open file, read from its start through the same handle, so that it names
// the bytes the caller read even when the name has been given to another file since. The
// position is left at the end. False when the file cannot be read.
bool StampOpenFile(std::FILE* file, FileStamp& stamp);
// The stamp of the file at path; false when it cannot be opened or read.
bool StampFile(const std::string& path, FileStamp& stamp);
