#include "views/ImageHeader.h"

#include <gtest/gtest.h>

#include "ExifJpeg.h"

namespace {

// The smallest JPEG head a reader meets: start, a frame header of width x height, scan start.
std::string JpegHead(unsigned width, unsigned height, unsigned char sof = 0xC0) {
    std::string j = "\xFF\xD8";
    j += "\xFF\xE0";
    j += std::string("\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 16);
    j += '\xFF';
    j += static_cast<char>(sof);
    j += std::string("\x00\x0B\x08", 3);
    exif_test::Put16(j, height, false);
    exif_test::Put16(j, width, false);
    j += std::string("\x01\x01\x11\x00", 4);
    j += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    j += "scan data";
    return j;
}

}  // namespace

TEST(ImageHeaderTest, DeclaredSizesOfTheFormatsTheDecoderChecksFirst) {
    ImageHeader jpeg = ReadImageHeader(JpegHead(4000, 3000));
    EXPECT_EQ(jpeg.format, ImageHeader::Format::Jpeg);
    ASSERT_TRUE(jpeg.sizeKnown);
    EXPECT_EQ(jpeg.width, 4000u);
    EXPECT_EQ(jpeg.height, 3000u);
    // Progressive and arithmetic-coded frames declare their size the same way.
    EXPECT_EQ(ReadImageHeader(JpegHead(7, 9, 0xC2)).width, 7u);
    EXPECT_EQ(ReadImageHeader(JpegHead(7, 9, 0xC9)).height, 9u);

    std::string png("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR", 16);
    exif_test::Put32(png, 100000, false);
    exif_test::Put32(png, 200000, false);
    const ImageHeader p = ReadImageHeader(png);
    EXPECT_EQ(p.format, ImageHeader::Format::Png);
    EXPECT_EQ(p.width, 100000u);
    EXPECT_EQ(p.height, 200000u);

    std::string gif = "GIF89a";
    exif_test::Put16(gif, 640, true);
    exif_test::Put16(gif, 480, true);
    EXPECT_EQ(ReadImageHeader(gif).height, 480u);

    std::string bmp = "BM" + std::string(12, '\0');
    exif_test::Put32(bmp, 40, true);
    exif_test::Put32(bmp, 30, true);
    exif_test::Put32(bmp, static_cast<std::uint32_t>(-20), true);  // top-down
    const ImageHeader b = ReadImageHeader(bmp);
    EXPECT_EQ(b.width, 30u);
    EXPECT_EQ(b.height, 20u);

    EXPECT_EQ(ReadImageHeader("<html>").format, ImageHeader::Format::Unknown);
    EXPECT_EQ(ReadImageHeader("").format, ImageHeader::Format::Unknown);
    EXPECT_FALSE(ReadImageHeader(png.substr(0, 20)).sizeKnown);  // cut inside the header
}

TEST(ImageHeaderTest, TheExifThumbnailIsFoundInEitherByteOrderAndPointsAtAJpeg) {
    const std::string thumbnail = JpegHead(160, 120);
    for (bool little : {true, false}) {
        const std::string photo = exif_test::WithExifThumbnail(JpegHead(4000, 3000), thumbnail, little);
        const ImageHeader h = ReadImageHeader(photo);
        EXPECT_EQ(h.width, 4000u) << little;
        ASSERT_EQ(h.thumbnailLength, thumbnail.size()) << little;
        EXPECT_EQ(photo.substr(h.thumbnailOffset, h.thumbnailLength), thumbnail) << little;
    }
    EXPECT_EQ(ReadImageHeader(JpegHead(10, 10)).thumbnailLength, 0u);
}

TEST(ImageHeaderTest, DamagedExifBlocksGiveNoThumbnailAndNeverReadPastTheBytes) {
    const std::string thumbnail = JpegHead(160, 120);
    const std::string photo = exif_test::WithExifThumbnail(JpegHead(400, 300), thumbnail);
    const ImageHeader whole = ReadImageHeader(photo);
    ASSERT_GT(whole.thumbnailLength, 0u);
    // Every cut of the file and every single damaged byte of the Exif block: whatever is
    // reported lies inside the bytes given (the sanitizers see any read beyond them).
    for (std::size_t cut = 0; cut < photo.size(); ++cut) {
        const ImageHeader h = ReadImageHeader(photo.substr(0, cut));
        if (h.thumbnailLength) {
            EXPECT_LE(h.thumbnailOffset + h.thumbnailLength, cut);
        }
    }
    for (std::size_t at = 2; at < whole.thumbnailOffset + 4; ++at) {
        for (unsigned char value : {0x00, 0x7F, 0xFF}) {
            std::string damaged = photo;
            damaged[at] = static_cast<char>(value);
            const ImageHeader h = ReadImageHeader(damaged);
            if (h.thumbnailLength) {
                EXPECT_LE(h.thumbnailOffset + h.thumbnailLength, damaged.size());
                EXPECT_EQ(damaged.compare(h.thumbnailOffset, 2, "\xFF\xD8"), 0);
            }
        }
    }
    // An offset that points outside its block.
    std::string outside = photo;
    const std::size_t tiff = 2 + 4 + 6;
    const std::size_t offsetField = tiff + 8 + 2 + 12 + 4 + 2 + 8;
    outside[offsetField] = '\xF0';
    outside[offsetField + 1] = '\xFF';
    EXPECT_EQ(ReadImageHeader(outside).thumbnailLength, 0u);
}

namespace {

// Reads from bytes as a file would, counting what was asked for.
struct FileOfBytes {
    std::string bytes;
    std::size_t read = 0;
    ByteReader Reader() {
        return [this](std::uint64_t offset, std::size_t count) {
            if (offset >= bytes.size()) return std::string();
            std::string got = bytes.substr(static_cast<std::size_t>(offset), count);
            read += got.size();
            return got;
        };
    }
};

// A segment of n bytes of payload (n < 65534) with the marker given.
std::string Segment(unsigned char marker, std::size_t n) {
    std::string s = "\xFF";
    s += static_cast<char>(marker);
    exif_test::Put16(s, static_cast<std::uint32_t>(n + 2), false);
    s += std::string(n, 'p');
    return s;
}

}  // namespace

TEST(ImageHeaderTest, AFileHeaderFollowsSegmentsPastTheHeadAndReadsLittle) {
    // A photograph whose colour profile and maker blocks come before its frame header.
    const std::string head = JpegHead(640, 480);
    std::string big = head.substr(0, 2);
    for (int i = 0; i < 4; ++i) big += Segment(0xE2, 60000);
    big += head.substr(2);
    big += std::string(5 * 1024 * 1024, 's');  // the picture's data, never read
    FileOfBytes file{big};
    const ImageHeader header = ReadFileImageHeader(file.Reader());
    ASSERT_TRUE(header.sizeKnown);
    EXPECT_EQ(header.width, 640u);
    EXPECT_EQ(header.height, 480u);
    EXPECT_LT(file.read, 70u * 1024);

    // Damage past the head ends the walk without a size.
    std::string cut = big.substr(0, 2 + 2 * (60000 + 4) + 10);
    FileOfBytes cutFile{cut};
    EXPECT_FALSE(ReadFileImageHeader(cutFile.Reader()).sizeKnown);
    // Segments of length 0 cannot loop, and a file of nothing but segments ends.
    std::string loop = "\xFF\xD8";
    while (loop.size() < 200000) loop += Segment(0xE3, 10);
    FileOfBytes loopFile{loop};
    EXPECT_FALSE(ReadFileImageHeader(loopFile.Reader()).sizeKnown);
    // A small file is read once.
    FileOfBytes small{head};
    EXPECT_EQ(ReadFileImageHeader(small.Reader()).width, 640u);
    EXPECT_EQ(small.read, head.size());
}
