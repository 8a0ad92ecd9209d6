// Builds photographs as cameras write them: a JPEG with an Exif block (APP1) right after its
// start, holding a small JPEG as its thumbnail. For tests and figures.
#pragma once

#include <cstdint>
#include <string>

namespace exif_test {

inline void Put16(std::string& s, std::uint32_t v, bool little) {
    if (little) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8 & 0xFF);
    } else {
        s += static_cast<char>(v >> 8 & 0xFF);
        s += static_cast<char>(v & 0xFF);
    }
}
inline void Put32(std::string& s, std::uint32_t v, bool little) {
    if (little) {
        Put16(s, v & 0xFFFF, true);
        Put16(s, v >> 16, true);
    } else {
        Put16(s, v >> 16, false);
        Put16(s, v & 0xFFFF, false);
    }
}

// The TIFF structure of an Exif block: IFD0 with one entry (orientation), IFD1 with the
// thumbnail's offset and length, then the thumbnail.
inline std::string ExifTiff(const std::string& thumbnail, bool little) {
    std::string t = little ? "II" : "MM";
    Put16(t, 42, little);
    Put32(t, 8, little);  // IFD0
    Put16(t, 1, little);  // one entry
    Put16(t, 0x0112, little);
    Put16(t, 3, little);
    Put32(t, 1, little);
    Put16(t, 1, little);
    Put16(t, 0, little);
    const std::uint32_t ifd1 = static_cast<std::uint32_t>(t.size() + 4);
    Put32(t, ifd1, little);
    Put16(t, 2, little);
    const std::uint32_t data = ifd1 + 2 + 2 * 12 + 4;
    Put16(t, 0x0201, little);
    Put16(t, 4, little);
    Put32(t, 1, little);
    Put32(t, data, little);
    Put16(t, 0x0202, little);
    Put16(t, 4, little);
    Put32(t, 1, little);
    Put32(t, static_cast<std::uint32_t>(thumbnail.size()), little);
    Put32(t, 0, little);  // no IFD2
    t += thumbnail;
    return t;
}

// jpeg with an Exif block carrying thumbnail inserted after its start marker.
inline std::string WithExifThumbnail(const std::string& jpeg, const std::string& thumbnail,
                                     bool little = true) {
    const std::string tiff = ExifTiff(thumbnail, little);
    std::string app1 = "\xFF\xE1";
    Put16(app1, static_cast<std::uint32_t>(2 + 6 + tiff.size()), false);
    app1.append("Exif\0\0", 6);
    app1 += tiff;
    return jpeg.substr(0, 2) + app1 + jpeg.substr(2);
}

}  // namespace exif_test
