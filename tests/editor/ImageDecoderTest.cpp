// The thumbnail decoder on real photographs and on every kind of damaged or odd file: each is
// a picture or a broken-image box, decided quickly, never a crash or a hang. The pictures are
// drawn by make_pictures.sh before the tests run; the damaged ones are made here from them.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>

#include "../core/ExifJpeg.h"
#include <psapi.h>
#include "EditorFixture.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "doc/PelorandDoc.h"
#include "views/ImageDecoder.h"
#include "views/ImageHtmlView.h"
#include "views/ImageHeader.h"
#include "views/ThumbnailPage.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

std::string PictureDir() {
    std::string dir = PELORAND_TEST_PICTURES;
    for (char& c : dir) {
        if (c == '/') c = '\\';
    }
    return dir + "\\";
}

std::uint32_t Crc32(const std::string& bytes, std::size_t from, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = from; i < from + length; ++i) {
        crc ^= static_cast<unsigned char>(bytes[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A PNG whose header declares width x height, with its checksum made right again.
std::string WithPngSize(std::string png, std::uint32_t width, std::uint32_t height) {
    std::string size;
    exif_test::Put32(size, width, false);
    exif_test::Put32(size, height, false);
    png.replace(16, 8, size);
    std::string crc;
    exif_test::Put32(crc, Crc32(png, 12, 17), false);
    png.replace(29, 4, crc);
    return png;
}

// The offset of a JPEG's frame header (its SOF marker).
std::size_t FrameHeader(const std::string& jpeg) {
    for (std::size_t i = 2; i + 1 < jpeg.size(); ++i) {
        const unsigned char m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && m >= 0xC0 && m <= 0xC2) return i;
    }
    return std::string::npos;
}

class ImageDecoderTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        dir = PictureDir();
        photo = ReadBytes(dir + "photo.jpg");
        ASSERT_FALSE(photo.empty()) << "no pictures in " << dir
                                    << ": run tests/editor/make_pictures.sh (ctest does)";
    }
    // Decodes on this thread, as a decoder thread would; the time it took in ms.
    static DecodedImage Decode(const std::string& path, int width, int height, double* ms = nullptr) {
        CComInit com(COINIT_MULTITHREADED);
        DecodedImage image;
        const auto start = std::chrono::steady_clock::now();
        DecodeImageFile(DecodeRequest{path, width, height}, image);
        if (ms) {
            *ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                      .count();
        }
        return image;
    }
    std::string dir;
    std::string photo;
};

}  // namespace

TEST_F(ImageDecoderTest, APhotographIsDecodedAtTheSizeShownFromItsOwnThumbnailWhenLargeEnough) {
    // The gradient photograph runs from red at the top to blue at the bottom.
    DecodedImage plain = Decode(dir + "photo.jpg", 120, 160);
    ASSERT_TRUE(plain.ok);
    EXPECT_EQ(plain.width, 120);
    EXPECT_EQ(plain.height, 160);
    EXPECT_NE(plain.source, DecodedImage::Source::Embedded);
    const std::uint32_t top = plain.pixels[60];
    EXPECT_GT((top >> 16) & 0xFF, 200u) << std::hex << top;  // red
    EXPECT_LT(top & 0xFF, 60u);

    // The same photograph carrying a green thumbnail of 160 x 120, as a camera writes it: the
    // thumbnail is drawn, not the photograph.
    const std::string camera = TempPath("camera.jpg");
    WriteBytes(camera, exif_test::WithExifThumbnail(photo, ReadBytes(dir + "thumb.jpg")));
    DecodedImage fromThumbnail = Decode(camera, 120, 160);
    ASSERT_TRUE(fromThumbnail.ok);
    EXPECT_EQ(fromThumbnail.source, DecodedImage::Source::Embedded);
    EXPECT_EQ(fromThumbnail.width, 120);
    const std::uint32_t middle = fromThumbnail.pixels[80 * 120 + 60];
    EXPECT_GT((middle >> 8) & 0xFF, 150u) << std::hex << middle;  // green
    EXPECT_LT((middle >> 16) & 0xFF, 60u);

    // Too small for a large thumbnail, and never for the picture itself: the photograph.
    EXPECT_NE(Decode(camera, 400, 300).source, DecodedImage::Source::Embedded);
    DecodedImage whole = Decode(camera, 0, 0);
    ASSERT_TRUE(whole.ok);
    EXPECT_EQ(whole.width, 1600);
    EXPECT_EQ(whole.source, DecodedImage::Source::Whole);
}

TEST_F(ImageDecoderTest, OddAndDamagedFilesAreEachAPictureOrABrokenBoxDecidedQuickly) {
    const std::string png = ReadBytes(dir + "palette.png");
    ASSERT_GT(png.size(), 40u);
    const std::size_t sof = FrameHeader(photo);
    ASSERT_NE(sof, std::string::npos);
    std::map<std::string, std::string> damaged;  // name -> bytes
    damaged["empty.jpg"] = "";
    damaged["cut.jpg"] = photo.substr(0, photo.size() / 2);
    damaged["cut-header.jpg"] = photo.substr(0, sof + 6);
    damaged["cut.png"] = png.substr(0, png.size() / 2);
    std::string badCrc = png;
    badCrc[badCrc.size() - 20] ^= 0x55;  // inside the last data block
    damaged["bad-checksum.png"] = badCrc;
    damaged["huge.png"] = WithPngSize(png, 100000, 100000);
    damaged["zero.png"] = WithPngSize(png, 0, 0);
    std::string huge = photo;
    huge[sof + 5] = '\xEA';  // 60000 x 60000 declared
    huge[sof + 6] = '\x60';
    huge[sof + 7] = '\xEA';
    huge[sof + 8] = '\x60';
    damaged["huge.jpg"] = huge;
    std::string twelveBit = photo;
    twelveBit[sof + 4] = 12;
    damaged["twelve-bit.jpg"] = twelveBit;
    std::string arithmetic = photo;
    arithmetic[sof + 1] = '\xC9';
    damaged["arithmetic.jpg"] = arithmetic;
    damaged["png-named.jpg"] = png;
    damaged["text-named.jpg"] = "<html><body>not a picture</body></html>";
    damaged["jpeg-named.bmp"] = ReadBytes(dir + "gray.jpg");
    for (const auto& [name, bytes] : damaged) WriteBytes(TempPath(name), bytes);

    // These cannot be decoded at all.
    for (const char* name : {"empty.jpg", "cut-header.jpg", "cut.png", "huge.png", "zero.png", "huge.jpg", "twelve-bit.jpg",
                             "text-named.jpg", "missing.jpg"}) {
        double ms = 0;
        EXPECT_FALSE(Decode(TempPath(name), 120, 160, &ms).ok) << name;
        EXPECT_LT(ms, 5000) << name;
    }
    // These are pictures whatever their names say, in every form the codecs know.
    for (const std::string& path : {TempPath("png-named.jpg"), TempPath("jpeg-named.bmp"),
                                    dir + "progressive.jpg", dir + "gray.jpg", dir + "png16.png",
                                    dir + "palette.png", dir + "interlaced.png",
                                    dir + "alpha.png"}) {
        DecodedImage image = Decode(path, 40, 30);
        EXPECT_TRUE(image.ok) << path;
        EXPECT_EQ(image.pixels.size(), 40u * 30u) << path;
    }
    // Either, as the codec manages: a cut photograph may show its upper part; a CMYK one
    // needs a colour conversion the platform may lack; an arithmetic-coded one its decoder.
    for (const std::string& path :
         {TempPath("cut.jpg"), TempPath("arithmetic.jpg"), TempPath("bad-checksum.png"),
         dir + "cmyk.jpg"}) {
        double ms = 0;
        DecodedImage image = Decode(path, 40, 30, &ms);
        if (image.ok) {
            EXPECT_EQ(image.pixels.size(), 40u * 30u) << path;
        }
        EXPECT_LT(ms, 5000) << path;
    }
}

TEST_F(ImageDecoderTest, ThePaneShowsEveryFileAsAPictureOrABrokenBoxAndPagesAsTheirIcon) {
    ASSERT_TRUE(OpenEditor());
    CImageHtmlView* view = ImageView();
    const std::string cut = TempPath("pane-cut.png"), gone = TempPath("pane-gone.jpg");
    const std::string page = TempPath("wallpaper.html");
    WriteBytes(cut, ReadBytes(dir + "palette.png").substr(0, 60));
    WriteBytes(page, "<html><body bgcolor=\"#336699\"></body></html>\r\n");
    std::vector<std::string> srcs = {dir + "photo.jpg", cut, page, dir + "png16.png"};
    // Photographs that go away while they are being decoded.
    for (int i = 0; i < 12; ++i) {
        const std::string path = TempPath("pane-gone" + std::to_string(i) + ".jpg");
        WriteBytes(path, photo);
        srcs.push_back(path);
    }
    std::string text = "<HTML>\r\n";
    for (const std::string& src : srcs) AppendThumbnailLine(text, src, ThumbnailSizes());
    text += "</HTML>\r\n";
    const std::string pagePath = TempPath("pane.html");
    WriteBytes(pagePath, text);
    SetWindowPos(view->m_hWnd, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    view->Navigate(pagePath);
    for (int i = 0; i < 4000 && view->IsLoading(); ++i) {
        Pump();
        Sleep(2);
    }
    for (std::size_t i = 4; i < srcs.size(); ++i) DeleteFileW(ToWide(srcs[i]).c_str());
    for (int i = 0; i < 2000 && view->DecodesOutstanding() > 0; ++i) {
        Pump();
        // The window answers while pictures are decoded.
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutW(view->m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result));
        Sleep(5);
    }
    Pump();
    ASSERT_EQ(view->Items().size(), srcs.size());
    EXPECT_EQ(view->GetThumbState(0), CImageHtmlView::Thumb::Drawn);
    EXPECT_EQ(view->GetThumbState(1), CImageHtmlView::Thumb::Broken);
    EXPECT_EQ(view->GetThumbState(2), CImageHtmlView::Thumb::Icon);
    EXPECT_EQ(view->GetThumbState(3), CImageHtmlView::Thumb::Drawn);
    for (std::size_t i = 4; i < srcs.size(); ++i) {
        EXPECT_NE(view->GetThumbState(static_cast<int>(i)), CImageHtmlView::Thumb::Waiting) << i;
    }
    // The page's own name is written in its box.
    RedrawWindow(view->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    CClientDC dc(view->m_hWnd);
    const PageRect& box = view->Layout().images[2];
    int dark = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) ++dark;
        }
    }
    EXPECT_GT(dark, 20) << "nothing drawn for the page";
    CloseEditor();
}

namespace {

// Writes a PNG with an ancillary chunk of size bytes after its header, its checksum left as
// garbage: the kind of file that makes a codec read and keep every byte of it. Written a
// block at a time, so that the test itself does not raise the peak it measures.
void WriteWithChunk(const std::string& path, const std::string& png, const char* type,
                    std::size_t size) {
    CUniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    auto write = [&file](const std::string& bytes) {
        DWORD done = 0;
        ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done,
                              nullptr));
    };
    std::string start = png.substr(0, 33);
    exif_test::Put32(start, static_cast<std::uint32_t>(size), false);
    start += type;
    write(start);
    const std::string block(1 << 20, 'x');
    for (std::size_t left = size; left > 0; left -= std::min(left, block.size())) {
        write(block.substr(0, std::min(left, block.size())));
    }
    write("CRC!" + png.substr(33));
}

SIZE_T PeakCommit() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

}  // namespace

TEST_F(ImageDecoderTest, TheWallpaperCheckReadsHeadersOnlyAndRefusesForgedSizes) {
    const std::size_t sof = FrameHeader(photo);
    ASSERT_NE(sof, std::string::npos);
    const std::string png = ReadBytes(dir + "palette.png");
    std::string huge = photo;
    huge[sof + 5] = '\xEA';  // 60000 x 60000 declared by a small real picture
    huge[sof + 6] = '\x60';
    huge[sof + 7] = '\xEA';
    huge[sof + 8] = '\x60';
    WriteBytes(TempPath("forged.jpg"), huge);
    WriteBytes(TempPath("forged.png"), WithPngSize(png, 100000, 100000));
    WriteBytes(TempPath("page.jpg"), "<html><body>not a picture</body></html>");
    CWallPaperHistory history;
    for (const char* name : {"forged.jpg", "forged.png", "page.jpg", "absent.jpg"}) {
        EXPECT_FALSE(SetDesktopWallpaper(TempPath(name), history)) << name;
    }
    EXPECT_EQ(history.GetCount(), 0u);

    // Chunks of 96 MB are not read: the check costs the same as for any other picture.
    for (const char* type : {"tEXt", "iCCP", "zTXt", "iTXt", "pCAL", "sCAL", "sPLT"}) {
        const std::string path = TempPath(std::string("chunk-") + type + ".png");
        WriteWithChunk(path, png, type, std::size_t(96) << 20);
        const SIZE_T before = PeakCommit();
        EXPECT_TRUE(SetDesktopWallpaper(path, history)) << type;
        const SIZE_T after = PeakCommit();
        std::printf("the check of a PNG with a 96 MB %s chunk raised the peak commit by %lu KB\n",
                    type, static_cast<unsigned long>((after - before) / 1024));
        EXPECT_LT(after - before, SIZE_T(16) << 20) << type;
        DeleteFileA(path.c_str());
    }

    // A photograph whose frame header lies past its first 64 KiB is still a picture.
    std::string profiled = photo.substr(0, 2);
    for (int i = 0; i < 3; ++i) {
        profiled += "\xFF\xE2";
        exif_test::Put16(profiled, 60002, false);
        profiled += std::string(60000, 'p');
    }
    profiled += photo.substr(2);
    WriteBytes(TempPath("profiled.jpg"), profiled);
    EXPECT_TRUE(SetDesktopWallpaper(TempPath("profiled.jpg"), history));
    EXPECT_EQ(history.GetCount(), 8u);
}
