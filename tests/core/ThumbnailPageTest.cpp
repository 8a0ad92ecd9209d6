#include <gtest/gtest.h>

#include "model/Mbcs.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "tests/core/ChangerFakes.h"
#include "views/ThumbnailPage.h"

namespace {

std::string Line(const std::string& path, const char* sizes =
                                              "HEIGHT=\"160\" WIDTH=\"120\" "
                                              "HSPACE=\"10\" VSPACE=\"10\" BORDER = "
                                              "\"1\"") {
    return "<A HREF=\"" + path + "\"><IMG SRC=\"" + path + "\" ALT= \"" + path + "\" " + sizes +
           "></A>\r\n";
}

std::string Page(const std::string& body) {
    return "<HTML>\r\n" + body + "</HTML>\r\n";
}

// A file system that asks the page to stop once it has handed out `stopAfter` names.
class StoppingFileSystem : public FakeFileSystem {
  public:
    void Enumerate(const std::string& dir, const std::string& pattern,
                   const std::function<bool(const std::string&)>& onName) const override {
        FakeFileSystem::Enumerate(dir, pattern, [&](const std::string& name) {
            if (++handedOut == stopAfter) stop->store(1);
            return onName(name);
        });
    }
    StopRequest* stop = nullptr;
    mutable int handedOut = 0;
    int stopAfter = 0;
};

class ThumbnailPageTest : public ::testing::Test {
  protected:
    std::string Build(const std::vector<std::string>& pending, const StopRequest* stop = nullptr) {
        return BuildThumbnailPageText(CollectUniquePaths(pending, stop),
                                      ReadThumbnailSizes(settings), settings, fs, stop);
    }
    CMemorySettingsStore store;
    CSettings settings{store};
    FakeFileSystem fs;
};

}  // namespace

TEST_F(ThumbnailPageTest, OnePlainFileGivesTheThreeLinesByteForByte) {
    fs.files["C:\\a.jpg"] = true;
    EXPECT_EQ(Build({"C:\\a.jpg"}),
              "<HTML>\r\n<A HREF=\"C:\\a.jpg\"><IMG SRC=\"C:\\a.jpg\" ALT= \"C:\\a.jpg\" "
              "HEIGHT=\"160\" WIDTH=\"120\" HSPACE=\"10\" VSPACE=\"10\" BORDER = \"1\"></A>\r\n"
              "</HTML>\r\n");
}

TEST_F(ThumbnailPageTest, APlainFileIsShownWhateverItsExtensionAndTheSizesComeFromTheSettings) {
    fs.files["C:\\notes.txt"] = true;
    settings.WriteInt(setting::ViewWhiDth, 64);
    settings.WriteInt(setting::ViewHeight, 48);
    settings.WriteInt(setting::ViewMarjinWidth, 3);
    settings.WriteInt(setting::ViewMarjinHeight, 4);
    settings.WriteInt(setting::ViewBordar, 0);
    EXPECT_EQ(Build({"C:\\notes.txt"}),
              Page(Line("C:\\notes.txt",
                        "HEIGHT=\"48\" WIDTH=\"64\" HSPACE=\"3\" VSPACE=\"4\" "
                        "BORDER = \"0\"")));
}

TEST_F(ThumbnailPageTest, ShiftClickNotificationsGiveEachFileOnceInOrderOfFirstAppearance) {
    for (const char* p : {"C:\\a.jpg", "C:\\b.jpg", "C:\\c.jpg"}) fs.files[p] = true;
    // Each notification appends every selected row again.
    const std::vector<std::string> pending = {"C:\\b.jpg", "C:\\b.jpg", "C:\\a.jpg",
                                              "C:\\b.jpg", "C:\\a.jpg", "C:\\c.jpg"};
    EXPECT_EQ(Build(pending), Page(Line("C:\\b.jpg") + Line("C:\\a.jpg") + Line("C:\\c.jpg")));
    // Byte-for-byte: paths differing in case are different rows.
    EXPECT_EQ(CollectUniquePaths({"C:\\A.jpg", "C:\\a.jpg", "C:\\A.jpg"}, nullptr),
              (std::vector<std::string>{"C:\\A.jpg", "C:\\a.jpg"}));
}

TEST_F(ThumbnailPageTest, ADirectoryGivesItsPicturesInTheSearchOrder) {
    fs.dirs["D:\\pics"] = {".", "..", "d.html", "c.txt", "a.JPG", "sub", "b.bmp", "noext"};
    EXPECT_EQ(Build({"D:\\pics"}),
              Page(Line("D:\\pics\\d.html") + Line("D:\\pics\\a.JPG") + Line("D:\\pics\\b.bmp")));
}

TEST_F(ThumbnailPageTest, ATypeNamedTwiceGivesTwoLinesAndTheTypesAreReadForEachDirectory) {
    fs.dirs["D:\\x"] = {"a.JPG", "b.bmp", "c.jpg"};
    settings.WriteString(setting::FileType, "JPG,JPG");
    EXPECT_EQ(Build({"D:\\x"}), Page(Line("D:\\x\\a.JPG") + Line("D:\\x\\a.JPG") +
                                     Line("D:\\x\\c.jpg") + Line("D:\\x\\c.jpg")));
    settings.WriteString(setting::FileType, "");
    EXPECT_EQ(Build({"D:\\x"}), Page(""));
}

TEST_F(ThumbnailPageTest, NoFilesOrMissingPathsGiveOnlyTheOpeningAndClosingLines) {
    EXPECT_EQ(Build({}), "<HTML>\r\n</HTML>\r\n");
    EXPECT_EQ(Build({"C:\\gone.jpg", "D:\\no such dir"}), "<HTML>\r\n</HTML>\r\n");
}

TEST_F(ThumbnailPageTest, ARootWithItsSeparatorIsJoinedOnceAndATrailByteIsNoSeparator) {
    fs.dirs["C:"] = {"a.jpg"};
    EXPECT_EQ(Build({"C:\\"}), Page(Line("C:\\a.jpg")));
    // 表 is 0x95 0x5C: its second byte looks like a backslash but ends no directory name.
    const std::string hyou = "C:\\\x95\x5C";
    fs.dirs[hyou] = {"b.bmp"};
    EXPECT_EQ(Build({hyou}), Page(Line(hyou + "\\b.bmp")));
}

TEST_F(ThumbnailPageTest, OnPosixABackslashEndsNoDirectory) {
    mbcs::SetLeadBytes(nullptr);
    mbcs::SetWindowsPaths(false);
    // "/w/x\\" is a directory whose name ends in a backslash: joined with a separator.
    fs.dirs["/w/x\\"] = {"a.jpg"};
    fs.dirs["/w/"] = {"b.jpg"};
    fs.dirs["/w"] = {"c.jpg"};
    const std::string page = Build({"/w/x\\", "/w/"});
    mbcs::SetLeadBytes(mbcs::IsCp932LeadByte);
    mbcs::SetWindowsPaths(true);
    EXPECT_EQ(page, Page(Line(std::string("/w/x\\") + fs.Separator() + "a.jpg") + Line("/w/c.jpg")));
    // Under Windows rules the same backslash ends the directory's name.
    EXPECT_EQ(Build({"/w/x\\"}), Page(""));
}

TEST_F(ThumbnailPageTest, AStopRequestPartWayThroughADirectoryClosesTheShortenedPage) {
    StoppingFileSystem stopping;
    StopRequest stop{0};
    stopping.stop = &stop;
    stopping.stopAfter = 3;
    auto& names = stopping.dirs["D:\\big"];
    for (int i = 0; i < 1000; ++i) names.push_back("p" + std::to_string(i) + ".jpg");
    stopping.files["C:\\after.jpg"] = true;
    const std::string page = BuildThumbnailPageText(
        {"D:\\big", "C:\\after.jpg"}, ReadThumbnailSizes(settings), settings, stopping, &stop);
    EXPECT_EQ(page,
              Page(Line("D:\\big\\p0.jpg") + Line("D:\\big\\p1.jpg") + Line("D:\\big\\p2.jpg")));
    EXPECT_EQ(stopping.namesVisited, 3);
}

TEST_F(ThumbnailPageTest, AStopRequestWhileCollectingKeepsThePathsUpToIt) {
    StopRequest stop{1};
    fs.files["C:\\a.jpg"] = true;
    fs.files["C:\\b.jpg"] = true;
    const auto collected = CollectUniquePaths({"C:\\a.jpg", "C:\\b.jpg"}, &stop);
    EXPECT_EQ(collected, std::vector<std::string>{"C:\\a.jpg"});
    EXPECT_EQ(Build({"C:\\a.jpg", "C:\\b.jpg"}, &stop), Page(Line("C:\\a.jpg")));
}

TEST(ThumbnailPageParse, ReadsBackWhatIsWrittenAndRefusesAnythingElse) {
    std::string page = "<HTML>\r\n";
    ThumbnailSizes sizes{64, 48, 3, 4, 2};
    AppendThumbnailLine(page, "C:\\表\\a.jpg", sizes);
    AppendThumbnailLine(page, "/tmp/x y.bmp", ThumbnailSizes());
    page += "</HTML>\r\n";
    std::vector<PageItem> items;
    ASSERT_TRUE(ParseThumbnailPage(page, items));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].href, "C:\\表\\a.jpg");
    EXPECT_EQ(items[0].src, "C:\\表\\a.jpg");
    EXPECT_EQ(items[0].alt, "C:\\表\\a.jpg");
    EXPECT_EQ(items[0].sizes.width, 64);
    EXPECT_EQ(items[0].sizes.height, 48);
    EXPECT_EQ(items[0].sizes.hspace, 3);
    EXPECT_EQ(items[0].sizes.vspace, 4);
    EXPECT_EQ(items[0].sizes.border, 2);
    EXPECT_EQ(items[1].src, "/tmp/x y.bmp");
    EXPECT_TRUE(ParseThumbnailPage("<HTML>\r\n</HTML>\r\n", items));
    EXPECT_TRUE(items.empty());

    const std::string foreign[] = {
        "",
        "<html><body>hello</body></html>",
        "<HTML>\r\n",                            // never closed
        page.substr(0, page.size() - 12),        // cut inside the last line
        "<HTML>\r\n<B>bold</B>\r\n</HTML>\r\n",  // a line of another kind
        "<HTML>\r\n</HTML>\r\ntrailing",
        "\x89PNG\r\n\x1a\n",
    };
    for (const std::string& text : foreign) {
        items.assign(1, PageItem());
        EXPECT_FALSE(ParseThumbnailPage(text, items)) << text;
    }
    std::string bad = page;
    bad.replace(bad.find("WIDTH=\"64\""), 10, "WIDTH=\"6x\"");
    EXPECT_FALSE(ParseThumbnailPage(bad, items));
}

TEST(ThumbnailPageParse, AReaderNoLongerWantedEndsALongPageEarly) {
    std::string page = "<HTML>\r\n";
    for (int i = 0; i < 10000; ++i) AppendThumbnailLine(page, "p" + std::to_string(i), {});
    page += "</HTML>\r\n";
    std::vector<PageItem> items;
    int asked = 0;
    EXPECT_TRUE(ParseThumbnailPage(page, items, [&] { return ++asked < 0; }));
    EXPECT_EQ(items.size(), 10000u);
    EXPECT_GT(asked, 0);
    EXPECT_FALSE(ParseThumbnailPage(page, items, [] { return true; }));
    EXPECT_TRUE(items.empty());
}

TEST(ThumbnailPageParse, SizesOutsideWhatThePaneDrawsAreClamped) {
    std::string page = "<HTML>\r\n";
    AppendThumbnailLine(page, "a.jpg", ThumbnailSizes{-5, 2000000000, 0, 99999, 1});
    page += "</HTML>\r\n";
    std::vector<PageItem> items;
    ASSERT_TRUE(ParseThumbnailPage(page, items));
    EXPECT_EQ(items[0].sizes.width, 0);
    EXPECT_EQ(items[0].sizes.height, kMaxThumbnailSide);
    EXPECT_EQ(items[0].sizes.vspace, kMaxThumbnailSide);
}

TEST(ThumbnailLayout, FlowsRowsLeftToRightAndWrapsAtThePaneWidth) {
    std::vector<PageItem> items(7);  // default sizes: boxes of 142 x 182
    PageLayout layout = LayoutThumbnails(items, 500);
    ASSERT_EQ(layout.images.size(), 7u);
    // Three boxes fit in 500 - 2 * 8; the fourth starts the second row.
    const int lefts[] = {19, 161, 303, 19, 161, 303, 19};
    const int tops[] = {19, 19, 19, 201, 201, 201, 383};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(layout.images[i].left, lefts[i]) << i;
        EXPECT_EQ(layout.images[i].top, tops[i]) << i;
        EXPECT_EQ(layout.images[i].right - layout.images[i].left, 120);
        EXPECT_EQ(layout.images[i].bottom - layout.images[i].top, 160);
        EXPECT_EQ(layout.borders[i].left, lefts[i] - 1);
    }
    EXPECT_EQ(layout.height, 8 + 3 * 182 + 8);
    EXPECT_EQ(layout.width, 8 + 3 * 142 + 8);

    // A pane narrower than one box still puts one on each row.
    layout = LayoutThumbnails(items, 50);
    EXPECT_EQ(layout.images[1].left, 19);
    EXPECT_EQ(layout.images[1].top, 201);
    EXPECT_EQ(LayoutThumbnails({}, 500).height, 0);
}

TEST(ThumbnailLayout, HitTestingFindsTheLinkAreaButNotTheSpacing) {
    std::vector<PageItem> items(4);
    const PageLayout layout = LayoutThumbnails(items, 500);
    EXPECT_EQ(HitTestThumbnail(layout, 18, 18), 0);     // on the border
    EXPECT_EQ(HitTestThumbnail(layout, 139, 179), 0);   // last pixel of the border
    EXPECT_EQ(HitTestThumbnail(layout, 140, 100), -1);  // in the spacing
    EXPECT_EQ(HitTestThumbnail(layout, 200, 100), 1);
    EXPECT_EQ(HitTestThumbnail(layout, 19, 201), 3);
    EXPECT_EQ(HitTestThumbnail(layout, 4, 4), -1);
}

namespace {
// A search that, as Windows' does through short (8.3) names, also returns names whose own
// extension is not the one asked for ("x.jpgx" is "X~1.JPG").
class ShortNameFileSystem : public FakeFileSystem {
  public:
    void Enumerate(const std::string&, const std::string&,
                   const std::function<bool(const std::string&)>& onName) const override {
        for (const char* name : {"x.jpgx", "a.jpg", "y.jpg.bak", "b.JPG"}) {
            if (!onName(name)) return;
        }
    }
};
}  // namespace

TEST_F(ThumbnailPageTest, EachFoundNameIsCheckedByItsOwnExtensionAndTypesReadBeforehandGiveTheSamePage) {
    ShortNameFileSystem shortNames;
    settings.WriteString(setting::FileType, "JPG");
    const std::string expected = Page(Line("D:\\p\\a.jpg") + Line("D:\\p\\b.JPG"));
    EXPECT_EQ(BuildThumbnailPageText({"D:\\p"}, ReadThumbnailSizes(settings), settings, shortNames,
                                     nullptr),
              expected);
    // As a page job builds it: the settings read on the window's thread, a stop check of its own.
    const PageSettings read = ReadPageSettings(settings);
    EXPECT_EQ(read.fileTypes, "JPG");
    EXPECT_EQ(BuildThumbnailPageText({"D:\\p"}, read.sizes, read.fileTypes, shortNames,
                                     StopCheck([] { return false; })),
              expected);
    EXPECT_EQ(BuildThumbnailPageText({"D:\\p"}, read.sizes, read.fileTypes, shortNames,
                                     StopCheck([] { return true; })),
              Page(""));  // stopped after the first name found, which is no JPG
}
