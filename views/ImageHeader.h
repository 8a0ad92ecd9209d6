// What the first bytes of a picture file say, read without decoding it: the format and the
// size it declares, and where a photograph keeps its own small preview (the Exif thumbnail).
// Every offset is checked against the bytes given: a damaged or forged header gives nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct ImageHeader {
    enum class Format { Unknown, Jpeg, Png, Gif, Bmp };
    Format format = Format::Unknown;
    bool sizeKnown = false;  // the declared size was found in the bytes given
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // JPEG: where the embedded Exif thumbnail (itself a JPEG) lies in the file; length 0: none.
    std::size_t thumbnailOffset = 0;
    std::size_t thumbnailLength = 0;
};

// head: the file's first bytes (64 KiB hold every JPEG's Exif block, which is at most that).
ImageHeader ReadImageHeader(const std::string& head);

// Reads up to count bytes of the file at offset (fewer at its end, none on failure).
using ByteReader = std::function<std::string(std::uint64_t offset, std::size_t count)>;
// The header of a whole file, reading only what it needs: the first 64 KiB, and for a JPEG
// whose frame header lies beyond them (a photograph with large profile or maker blocks) the
// few bytes at the start of each further segment, at most a few thousand of them.
ImageHeader ReadFileImageHeader(const ByteReader& read);
