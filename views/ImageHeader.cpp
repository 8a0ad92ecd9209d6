#include "views/ImageHeader.h"

#include <cstring>

namespace {

std::uint32_t Big16(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8 |
           static_cast<unsigned char>(b[at + 1]);
}
std::uint32_t Big32(const std::string& b, std::size_t at) {
    return Big16(b, at) << 16 | Big16(b, at + 2);
}
std::uint32_t Little16(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<unsigned char>(b[at]);
}
std::uint32_t Little32(const std::string& b, std::size_t at) {
    return Little16(b, at + 2) << 16 | Little16(b, at);
}

// A TIFF structure inside an Exif block: [start, end) of the bytes, in either byte order.
struct Tiff {
    const std::string& bytes;
    std::size_t start, end;
    bool little;
    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= end - start && length <= end - start - offset;
    }
    std::uint32_t U16(std::size_t offset) const {
        return little ? Little16(bytes, start + offset) : Big16(bytes, start + offset);
    }
    std::uint32_t U32(std::size_t offset) const {
        return little ? Little32(bytes, start + offset) : Big32(bytes, start + offset);
    }
    // The value of a SHORT or LONG entry of the directory at ifd; false when it is not there.
    bool Find(std::size_t ifd, std::uint32_t tag, std::uint32_t& value) const {
        if (!Has(ifd, 2)) return false;
        const std::uint32_t count = U16(ifd);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t entry = ifd + 2 + 12 * static_cast<std::size_t>(i);
            if (!Has(entry, 12)) return false;
            if (U16(entry) != tag) continue;
            const std::uint32_t type = U16(entry + 2);
            if (type == 3) value = U16(entry + 8);        // SHORT
            else if (type == 4) value = U32(entry + 8);   // LONG
            else return false;
            return true;
        }
        return false;
    }
};

// The thumbnail of the Exif block in bytes [start, end) (after "Exif\0\0"), in file offsets.
void ReadExif(const std::string& b, std::size_t start, std::size_t end, ImageHeader& header) {
    if (end - start < 8) return;
    bool little;
    if (b.compare(start, 2, "II") == 0) little = true;
    else if (b.compare(start, 2, "MM") == 0) little = false;
    else return;
    const Tiff tiff{b, start, end, little};
    if (tiff.U16(2) != 42) return;
    const std::uint32_t ifd0 = tiff.U32(4);
    if (!tiff.Has(ifd0, 2)) return;
    const std::size_t next = ifd0 + 2 + 12 * static_cast<std::size_t>(tiff.U16(ifd0));
    if (!tiff.Has(next, 4)) return;
    const std::uint32_t ifd1 = tiff.U32(next);
    std::uint32_t offset = 0, length = 0;
    if (ifd1 == 0 || !tiff.Find(ifd1, 0x0201, offset) || !tiff.Find(ifd1, 0x0202, length)) return;
    if (length < 4 || !tiff.Has(offset, length)) return;
    const std::size_t at = start + offset;
    // Itself a JPEG, or nothing we would decode.
    if (Big16(b, at) != 0xFFD8) return;
    header.thumbnailOffset = at;
    header.thumbnailLength = length;
}

void ReadJpeg(const std::string& b, ImageHeader& header) {
    std::size_t at = 2;
    while (at + 4 <= b.size()) {
        if (static_cast<unsigned char>(b[at]) != 0xFF) return;  // not a marker: damaged
        const std::uint32_t marker = static_cast<unsigned char>(b[at + 1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return;  // end, or the picture's data begins
        const std::size_t length = Big16(b, at + 2);
        if (length < 2) return;
        const std::size_t body = at + 4, end = at + 2 + length;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                           marker != 0xCC;
        if (frame && body + 5 <= b.size() && length >= 7) {
            header.height = Big16(b, body + 1);
            header.width = Big16(b, body + 3);
            header.sizeKnown = true;
        }
        if (marker == 0xE1 && end <= b.size() && length >= 8 && b.compare(body, 6, std::string("Exif\0\0", 6)) == 0 &&
            header.thumbnailLength == 0) {
            ReadExif(b, body + 6, end, header);
        }
        at = end;
    }
}

}  // namespace

ImageHeader ReadFileImageHeader(const ByteReader& read) {
    constexpr std::size_t kHead = 64 * 1024;
    const std::string head = read(0, kHead);
    ImageHeader header = ReadImageHeader(head);
    if (header.format != ImageHeader::Format::Jpeg || header.sizeKnown || head.size() < kHead) {
        return header;
    }
    // Where ReadJpeg stopped: walk the segments again by their lengths, now past the head.
    std::uint64_t at = 2;
    for (int segments = 0; segments < 4096; ++segments) {
        std::string b = read(at, 9);
        if (b.size() < 4 || static_cast<unsigned char>(b[0]) != 0xFF) return header;
        const std::uint32_t marker = static_cast<unsigned char>(b[1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return header;
        const std::uint32_t length = Big16(b, 2);
        if (length < 2) return header;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                           marker != 0xCC;
        if (frame) {
            if (b.size() < 9 || length < 7) return header;
            header.height = Big16(b, 5);
            header.width = Big16(b, 7);
            header.sizeKnown = true;
            return header;
        }
        at += 2 + length;
    }
    return header;
}

ImageHeader ReadImageHeader(const std::string& b) {
    ImageHeader header;
    if (b.size() >= 4 && Big16(b, 0) == 0xFFD8 && static_cast<unsigned char>(b[2]) == 0xFF) {
        header.format = ImageHeader::Format::Jpeg;
        ReadJpeg(b, header);
    } else if (b.size() >= 8 && b.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0) {
        header.format = ImageHeader::Format::Png;
        if (b.size() >= 24 && b.compare(12, 4, "IHDR") == 0) {
            header.width = Big32(b, 16);
            header.height = Big32(b, 20);
            header.sizeKnown = true;
        }
    } else if (b.size() >= 6 && (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0)) {
        header.format = ImageHeader::Format::Gif;
        if (b.size() >= 10) {
            header.width = Little16(b, 6);
            header.height = Little16(b, 8);
            header.sizeKnown = true;
        }
    } else if (b.size() >= 2 && b.compare(0, 2, "BM") == 0) {
        header.format = ImageHeader::Format::Bmp;
        if (b.size() >= 26 && Little32(b, 14) >= 40) {
            const std::int32_t height = static_cast<std::int32_t>(Little32(b, 22));
            header.width = Little32(b, 18);
            header.height = static_cast<std::uint32_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
            header.sizeKnown = true;
        }
    }
    return header;
}
