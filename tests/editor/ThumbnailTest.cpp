#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "EditorFixture.h"
#include "Responsiveness.h"
#include "changer/ChangerSeams.h"
#include "doc/PelorandDoc.h"
#include "fw/Dpi.h"
#include "fw/Ids.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/ThumbnailPage.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

// A directory that goes on for as long as the page wants names: it hands out `first` names,
// says so, then one name every few milliseconds until the page stops (or `last` is reached).
class SlowDirectory : public IFileSystem {
  public:
    SlowDirectory() : started(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    PathAttributes GetAttributes(const std::string& path) const override {
        PathAttributes a;
        a.readable = true;
        a.isDirectory = path == kDir;
        return a;
    }
    void Enumerate(const std::string& dir, const std::string&,
                   const std::function<bool(const std::string&)>& onName) const override {
        if (dir != kDir) return;
        for (int i = 0; i < last; ++i) {
            if (i == first) SetEvent(started.Get());
            if (i >= first) Sleep(2);
            if (!onName("p" + std::to_string(i) + ".jpg")) break;
        }
        ended = true;
    }
    char Separator() const override { return '\\'; }

    static constexpr const char* kDir = "D:\\slow";
    CUniqueKernelHandle started;
    mutable std::atomic<bool> ended{false};
    int first = 100;
    int last = 1 << 30;
};

// A 24-bit picture of one colour.
std::string Bitmap(int width, int height, COLORREF color) {
    const int stride = (width * 3 + 3) & ~3;
    const int imageBytes = stride * height;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + imageBytes;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(color));
        row[x * 3 + 1] = static_cast<char>(GetGValue(color));
        row[x * 3 + 2] = static_cast<char>(GetRValue(color));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

class ThumbnailTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_TRUE(OpenEditor());
        list = Frame()->GetActiveList();
        view = ImageView();  // registered at its initial update
        ASSERT_NE(view, nullptr);
        pagePath = TempPath("thumbs.html");
        DeleteFileW(ToWide(pagePath).c_str());
        list->m_thumbnails.m_pagePath = pagePath;
    }
    void TearDown() override {
        CloseEditor();
        EditorTest::TearDown();
    }

    // File entries in the root, shown in the list (the last added at the top).
    void ShowFiles(const std::vector<std::string>& paths) {
        CBlock* root = Doc()->m_pRoot;
        for (const std::string& path : paths) {
            auto* entry = new CBlock;
            entry->m_strName = path;
            entry->m_pParent = root;
            root->m_Children.AddTail(entry);
        }
        Doc()->ShowFolder(root);
    }
    int RowOf(const std::string& path) {
        for (int i = 0; i < list->GetItemCount(); ++i) {
            if (list->GetEntry(i)->m_strName == path) return i;
        }
        return -1;
    }
    void Select(const std::string& path, bool selected = true) {
        ListView_SetItemState(list->m_hWnd, RowOf(path), selected ? LVIS_SELECTED : 0,
                              LVIS_SELECTED);
    }
    void FireTimer() { SendMessageW(list->m_hWnd, WM_TIMER, CThumbnailScheduler::kTimerId, 0); }
    // Lets a page that ends by itself finish, then loads it.
    void FinishGeneration() {
        for (int i = 0; i < 2000 && list->m_thumbnails.IsGenerationRunning(); ++i) Sleep(5);
        ASSERT_FALSE(list->m_thumbnails.IsGenerationRunning());
        Pump();
        Settle();
    }
    // Handles messages until the view has read the step it shows (bounded).
    void Settle() {
        for (int i = 0; i < 4000 && view->IsLoading(); ++i) {
            Pump();
            Sleep(2);
        }
        Pump();
        ASSERT_FALSE(view->IsLoading());
    }
    // Handles messages until the view has what it asked to decode (bounded).
    void PumpUntilDecoded() {
        Settle();
        for (int i = 0; i < 1000 && view->DecodesOutstanding() > 0; ++i) {
            Pump();
            Sleep(5);
        }
        Pump();
    }
    std::string WritePage(const std::vector<std::string>& srcs, ThumbnailSizes sizes,
                          const std::string& name = "page.html") {
        std::string page = "<HTML>\r\n";
        for (const std::string& src : srcs) AppendThumbnailLine(page, src, sizes);
        page += "</HTML>\r\n";
        const std::string path = TempPath(name);
        WriteBytes(path, page);
        return path;
    }
    void Click(POINT at) {
        const LPARAM where = MAKELPARAM(at.x, at.y);
        SendMessageW(view->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, where);
        SendMessageW(view->m_hWnd, WM_LBUTTONUP, 0, where);
    }
    POINT CentreOf(int item) const {
        const PageRect& r = view->Layout().images[item];
        const POINT scroll = view->GetScrollPosition();
        return POINT{(r.left + r.right) / 2 - scroll.x, (r.top + r.bottom) / 2 - scroll.y};
    }

    CPelorandListView* list = nullptr;
    CImageHtmlView* view = nullptr;
    std::string pagePath;
};

}  // namespace

TEST_F(ThumbnailTest, SelectingRowsRestartsTheDelayAndTheTimerWritesAndLoadsOnePage) {
    const std::string a = TempPath("a.bmp"), b = TempPath("b.bmp");
    WriteBytes(a, Bitmap(4, 4, RGB(255, 0, 0)));
    WriteBytes(b, Bitmap(4, 4, RGB(0, 0, 255)));
    ShowFiles({a, b});
    KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId);
    Select(a);
    Select(b);  // each notification appends every selected row again
    EXPECT_TRUE(KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId)) << "delay not started";
    EXPECT_EQ(list->m_thumbnails.Pending().size(), 3u);
    FireTimer();
    FinishGeneration();
    EXPECT_TRUE(list->m_thumbnails.Pending().empty());
    EXPECT_EQ(view->GetLocation(), pagePath);
    ASSERT_EQ(view->GetContent(), CImageHtmlView::Content::Page);
    ASSERT_EQ(view->Items().size(), 2u);  // each file once, in the order first selected
    EXPECT_EQ(view->Items()[0].src, a);
    EXPECT_EQ(view->Items()[1].src, b);
    // The timer is one-shot.
    EXPECT_FALSE(KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId));
}

TEST_F(ThumbnailTest, EachPageTakesTheDocumentsSettingsAsTheyAreWhenItStarts) {
    const std::string a = TempPath("a.bmp");
    WriteBytes(a, Bitmap(4, 4, RGB(255, 0, 0)));
    ShowFiles({a});
    for (int width : {64, 90}) {
        Doc()->Settings().WriteInt(setting::ViewWhiDth, width);
        Select(a, false);
        Select(a);
        FireTimer();
        FinishGeneration();
        ASSERT_EQ(view->Items().size(), 1u);
        EXPECT_EQ(view->Items()[0].sizes.width, width);
    }
}

TEST_F(ThumbnailTest, ARangeSelectedWithTheMouseIsTakenWhole) {
    const std::string a = TempPath("a.bmp"), b = TempPath("b.bmp"), c = TempPath("c.bmp");
    ShowFiles({a, b, c});
    SendMessageW(list->m_hWnd, LVM_SETVIEW, LV_VIEW_DETAILS, 0);
    auto click = [&](int row, WPARAM keys) {
        RECT label{};
        label.left = LVIR_LABEL;
        SendMessageW(list->m_hWnd, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label));
        const LPARAM where = MAKELPARAM(label.left + 4, (label.top + label.bottom) / 2);
        // Queued first, so that a control waiting for the button to come up sees it.
        PostMessageW(list->m_hWnd, WM_LBUTTONUP, keys & ~MK_LBUTTON, where);
        SendMessageW(list->m_hWnd, WM_LBUTTONDOWN, keys | MK_LBUTTON, where);
        Pump();
    };
    click(0, 0);
    ASSERT_EQ(list->GetSelectedCount(), 1);
    FireTimer();
    FinishGeneration();
    ASSERT_TRUE(list->m_thumbnails.Pending().empty());
    KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId);

    // The rows in between change with one notice for the whole range.
    click(2, MK_CONTROL | MK_SHIFT);
    ASSERT_EQ(list->GetSelectedCount(), 3);
    EXPECT_TRUE(KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId)) << "delay not started";
    std::vector<std::string> pending = list->m_thumbnails.Pending();
    for (const std::string& path : {a, b, c}) {
        EXPECT_NE(std::find(pending.begin(), pending.end(), path), pending.end()) << path;
    }
}

TEST_F(ThumbnailTest, ASelectionChangeDuringALongPageEndsItEarlyAndTheNextPageFollows) {
    auto slow = std::make_shared<SlowDirectory>();
    list->m_thumbnails.m_pFileSystem = slow;
    const std::string file = "C:\\a.jpg";
    ShowFiles({SlowDirectory::kDir, file});
    Select(SlowDirectory::kDir);
    FireTimer();
    ASSERT_EQ(WaitForSingleObject(slow->started.Get(), 20000), WAIT_OBJECT_0);
    EXPECT_TRUE(list->m_thumbnails.IsGenerationRunning());
    EXPECT_TRUE(list->m_thumbnails.Pending().empty());  // the page took its own copy

    Select(file);  // asks the page to stop, then appends
    // Every selected row in row order: the file was added last, so it stands at the top.
    EXPECT_EQ(list->m_thumbnails.Pending(), (std::vector<std::string>{file, SlowDirectory::kDir}));
    // The page ends by itself soon after; the shortened page is whole and is loaded.
    FinishGeneration();
    EXPECT_TRUE(slow->ended);
    const std::string written = ReadBytes(pagePath);
    ASSERT_GE(written.size(), 9u);
    EXPECT_EQ(written.substr(written.size() - 9), "</HTML>\r\n");
    ASSERT_EQ(view->GetContent(), CImageHtmlView::Content::Page);
    const std::size_t shortened = view->Items().size();
    EXPECT_GE(shortened, 100u);
    for (const PageItem& item : view->Items()) EXPECT_EQ(item.src.rfind("D:\\slow\\p", 0), 0u);

    // The next page, from what was pending, runs to its end.
    slow->last = 3;
    FireTimer();
    FinishGeneration();
    ASSERT_EQ(view->Items().size(), 4u);
    EXPECT_EQ(view->Items()[0].src, file);
    EXPECT_EQ(view->Items()[1].src, "D:\\slow\\p0.jpg");
    EXPECT_EQ(view->Items()[3].src, "D:\\slow\\p2.jpg");
    EXPECT_TRUE(list->m_thumbnails.Pending().empty());
}

TEST_F(ThumbnailTest, APageStuckOnAFileThatNeverAnswersHoldsUpNeitherTheWindowNorItsClosing) {
    const std::string stuck = "N:\\asleep\\a.jpg", b = "C:\\b.jpg";
    auto disk = std::make_shared<CStuckFileSystem>(stuck);
    list->m_thumbnails.m_pFileSystem = disk;
    ShowFiles({stuck, b});
    CResponsivenessProbe whole;
    Select(stuck);
    FireTimer();
    ASSERT_TRUE(disk->WaitUntilStuck(10000));
    // Changes in the list while the page is stuck: each is answered at once, and the next page
    // runs beside the stuck one.
    CResponsivenessProbe changes;
    Select(stuck, false);
    Select(b);
    CResponsivenessProbe::PumpFor(300);
    EXPECT_EQ(list->m_thumbnails.Pending(), std::vector<std::string>{b});
    EXPECT_LT(changes.Report("thumbnail page stuck: list changes"), 100);
    FireTimer();
    for (int i = 0; i < 400 && list->m_thumbnails.IsGenerationRunning(); ++i)
        CResponsivenessProbe::PumpFor(10);
    Settle();
    ASSERT_EQ(view->Items().size(), 1u);
    EXPECT_EQ(view->Items()[0].src, b);
    EXPECT_TRUE(disk->IsStuck());

    // The stuck page is the one running again, and the editor closes under it at once.
    Select(b, false);
    Select(stuck);
    FireTimer();
    CResponsivenessProbe::PumpFor(100);
    const auto closing = std::chrono::steady_clock::now();
    CloseEditor();
    const long closed = CResponsivenessProbe::Since(closing);
    CResponsivenessProbe::PumpFor(100);
    EXPECT_TRUE(disk->IsStuck());
    // Includes the next page shown and the frame's own closing, measured apart.
    const long longest = whole.Report("thumbnail page stuck: changes, next page, editor closing");
    std::printf("[ closing time ] editor frame with a stuck page: %ld ms\n", closed);
    EXPECT_LT(closed, 1000);
    EXPECT_LT(longest, 1000);
    // Released, the stuck pages end by themselves and write nothing over anyone's page.
    const std::string before = ReadBytes(pagePath);
    disk->Unblock();
    Sleep(200);
    CResponsivenessProbe::PumpOnce();
    EXPECT_EQ(ReadBytes(pagePath), before);
}

TEST_F(ThumbnailTest, PagesEndingWhileTheWindowStopsThemNeverLeaveItWaiting) {
    // A page ends by itself at any moment relative to the next change, and the next page may
    // start before the last has ended: the change never waits.
    ShowFiles({"C:\\a.jpg"});
    for (int run = 0; run < 60; ++run) {
        Select("C:\\a.jpg", run % 2 == 0);
        FireTimer();
        if (run % 3 == 0) Sleep(run % 7);
        const DWORD before = GetTickCount();
        Select("C:\\a.jpg", run % 2 != 0);
        ASSERT_LT(GetTickCount() - before, 1000u) << run;
    }
    KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId);
    FinishGeneration();
}

TEST_F(ThumbnailTest, APageThatCannotBeWrittenLoadsNothingAndLeavesNobodyWaiting) {
    list->m_thumbnails.m_pagePath = TempPath("no such folder\\thumbs.html");
    ShowFiles({"C:\\a.jpg"});
    Select("C:\\a.jpg");
    FireTimer();
    FinishGeneration();
    EXPECT_TRUE(list->m_thumbnails.Pending().empty());
    EXPECT_EQ(view->GetLocation(), "");
    EXPECT_EQ(view->GetContent(), CImageHtmlView::Content::Nothing);
}

TEST_F(ThumbnailTest, ClosingTheEditorDuringAPageStopsIt) {
    auto slow = std::make_shared<SlowDirectory>();
    list->m_thumbnails.m_pFileSystem = slow;
    ShowFiles({SlowDirectory::kDir});
    Select(SlowDirectory::kDir);
    FireTimer();
    ASSERT_EQ(WaitForSingleObject(slow->started.Get(), 20000), WAIT_OBJECT_0);
    CloseEditor();
    // Asked to stop, not waited for: it ends by itself soon after.
    for (int i = 0; i < 2000 && !slow->ended; ++i) Sleep(5);
    EXPECT_TRUE(slow->ended);
}

TEST_F(ThumbnailTest, ThePageFollowsTheFolderShownAndTheChecksOfItsRows) {
    const std::string a = TempPath("a.bmp"), b = TempPath("b.bmp");
    WriteBytes(a, Bitmap(4, 4, RGB(255, 0, 0)));
    WriteBytes(b, Bitmap(4, 4, RGB(0, 0, 255)));
    ShowFiles({a, b});
    Select(a);
    ListView_SetItemState(list->m_hWnd, RowOf(a), LVIS_FOCUSED, LVIS_FOCUSED);
    FireTimer();
    FinishGeneration();
    ASSERT_EQ(view->Items().size(), 1u);
    KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId);

    // Toggling a check (the space bar on the focused row) is a change of the list: the page
    // is built again from what is pending, the selected row's file.
    SendMessageW(list->m_hWnd, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId)) << "delay not restarted";
    EXPECT_EQ(list->m_thumbnails.Pending(), std::vector<std::string>{a});
    FireTimer();
    FinishGeneration();
    ASSERT_EQ(view->Items().size(), 1u);
    EXPECT_EQ(view->Items()[0].src, a);

    // Another folder: nothing is selected there, so two seconds later the page is empty.
    auto* folder = new CBlock;
    folder->m_strName = "sub";
    folder->m_bFolder = 1;
    folder->m_pParent = Doc()->m_pRoot;
    Doc()->m_pRoot->m_Children.AddTail(folder);
    Doc()->ShowFolder(folder);
    EXPECT_TRUE(KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId)) << "delay not restarted";
    FireTimer();
    FinishGeneration();
    EXPECT_EQ(view->GetContent(), CImageHtmlView::Content::Page);
    EXPECT_TRUE(view->Items().empty());
}

TEST_F(ThumbnailTest, ARangeReportedAsOneOwnerDataStateChangeIsTakenWhole) {
    const std::string a = "C:\\a.jpg", b = "C:\\b.jpg", c = "C:\\c.jpg";
    ShowFiles({a, b, c});
    for (int row = 0; row < 3; ++row) {
        ListView_SetItemState(list->m_hWnd, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    FireTimer();
    FinishGeneration();
    KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId);
    ASSERT_TRUE(list->m_thumbnails.Pending().empty());
    // As Windows reports a shift-click on a list of the owner's rows: one notice for the range.
    NMLVODSTATECHANGE change{};
    change.hdr.hwndFrom = list->m_hWnd;
    change.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list->m_hWnd));
    change.hdr.code = LVN_ODSTATECHANGED;
    change.iFrom = 0;
    change.iTo = 2;
    change.uNewState = LVIS_SELECTED;
    change.uOldState = 0;
    SendMessageW(GetParent(list->m_hWnd), WM_NOTIFY, change.hdr.idFrom,
                 reinterpret_cast<LPARAM>(&change));
    EXPECT_TRUE(KillTimer(list->m_hWnd, CThumbnailScheduler::kTimerId)) << "delay not started";
    std::vector<std::string> pending = list->m_thumbnails.Pending();
    for (const std::string& path : {a, b, c}) {
        EXPECT_NE(std::find(pending.begin(), pending.end(), path), pending.end()) << path;
    }
}

TEST_F(ThumbnailTest, ThePaneFlowsThumbnailsAtItsWidthDrawsThemAndBreaksWhatIsNoPicture) {
    const std::string red = TempPath("red.bmp"), text = TempPath("note.txt");
    WriteBytes(red, Bitmap(30, 20, RGB(255, 0, 0)));
    WriteBytes(text, "not a picture");
    SetWindowPos(view->m_hWnd, nullptr, 0, 0, 220, 300, SWP_NOMOVE | SWP_NOZORDER);
    const ThumbnailSizes sizes{40, 30, 5, 6, 2};
    const std::string page = WritePage({red, text, red, red, text}, sizes);
    view->Navigate(page);
    Settle();
    ASSERT_EQ(view->GetContent(), CImageHtmlView::Content::Page);
    ASSERT_EQ(view->Items().size(), 5u);
    const RECT client = view->GetClientRect();
    const PageLayout expected = LayoutThumbnails(view->Items(), client.right);
    // Boxes of 54 x 46 from the margin of 8.
    EXPECT_EQ(view->Layout().images[0].left, 15);
    EXPECT_EQ(view->Layout().images[0].top, 16);
    EXPECT_EQ(view->Layout().images[1].left, 15 + 54);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(view->Layout().images[i].left, expected.images[i].left) << i;
        EXPECT_EQ(view->Layout().images[i].top, expected.images[i].top) << i;
    }
    EXPECT_GT(view->Layout().images[4].top, view->Layout().images[0].top);  // wrapped

    PumpUntilDecoded();
    EXPECT_EQ(view->GetThumbState(0), CImageHtmlView::Thumb::Drawn);
    EXPECT_EQ(view->GetThumbState(1), CImageHtmlView::Thumb::Broken);
    EXPECT_EQ(view->GetThumbState(2), CImageHtmlView::Thumb::Drawn);

    // Scaled to exactly the page's size, inside a border of the link colour.
    RedrawWindow(view->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    CClientDC dc(view->m_hWnd);
    const PageRect& image = view->Layout().images[0];
    EXPECT_EQ(GetPixel(dc, image.left, image.top), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, image.right - 1, image.bottom - 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, image.right, image.bottom), RGB(0, 0, 238));
    EXPECT_EQ(GetPixel(dc, image.right + 2, image.top), GetSysColor(COLOR_WINDOW));

    EXPECT_EQ(view->ToolTipTextAt(CentreOf(1)), text);
    EXPECT_EQ(view->ToolTipTextAt(POINT{2, 2}), "");

    // Moved to a monitor of twice the DPI: the pane's own margin doubles, the pictures keep
    // the page's sizes.
    HWND frame = GetAncestor(view->m_hWnd, GA_ROOT);
    RECT where{};
    GetWindowRect(frame, &where);
    const int twice = WindowDpi(view->m_hWnd) * 2;
    SendMessageW(frame, WM_DPICHANGED, MAKEWPARAM(twice, twice), reinterpret_cast<LPARAM>(&where));
    EXPECT_EQ(view->Layout().images[0].left, 15 + PageLayout::kMargin);
    EXPECT_EQ(view->Layout().images[0].right - view->Layout().images[0].left, 40);
    EXPECT_EQ(view->Layout().images[0].bottom - view->Layout().images[0].top, 30);
}

TEST_F(ThumbnailTest, DecodedThumbnailsStayWithinTheCacheBudget) {
    std::vector<std::string> srcs;
    for (int i = 0; i < 8; ++i) {
        srcs.push_back(TempPath("c" + std::to_string(i) + ".bmp"));
        WriteBytes(srcs.back(), Bitmap(8, 8, RGB(i * 30, 0, 0)));
    }
    const ThumbnailSizes sizes{50, 50, 1, 1, 0};
    view->SetCacheBudget(3 * (50 * 50 * 4 + 64));
    view->Navigate(WritePage(srcs, sizes));
    Settle();
    PumpUntilDecoded();
    EXPECT_GT(view->CachedBytes(), 0u);
    EXPECT_LE(view->CachedBytes(), view->CacheBudget());
}

TEST_F(ThumbnailTest, AClickShowsThePictureAndBackAndForwardWalkTheHistory) {
    const std::string red = TempPath("red.bmp"), blue = TempPath("blue.bmp");
    WriteBytes(red, Bitmap(30, 20, RGB(255, 0, 0)));
    WriteBytes(blue, Bitmap(12, 10, RGB(0, 0, 255)));
    const std::string page = WritePage({red, blue}, ThumbnailSizes());
    EXPECT_FALSE(view->GoBack());  // no history at all: nothing happens
    view->Navigate(page);
    Settle();
    EXPECT_FALSE(view->GoBack());
    Settle();
    EXPECT_EQ(view->GetLocation(), page);

    Click(POINT{2, 2});  // the margin: no link
    EXPECT_EQ(view->GetLocation(), page);
    Click(CentreOf(1));
    Settle();
    EXPECT_EQ(view->GetLocation(), blue);
    EXPECT_EQ(view->GetContent(), CImageHtmlView::Content::Picture);
    PumpUntilDecoded();
    EXPECT_EQ(view->GetPictureSize().cx, 12);  // at its own size
    EXPECT_EQ(view->GetPictureSize().cy, 10);

    // The document's back and forward commands, as the toolbar sends them.
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, ID_IMAGE_BACK, 0);
    Settle();
    EXPECT_EQ(view->GetLocation(), page);
    EXPECT_EQ(view->GetContent(), CImageHtmlView::Content::Page);
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, ID_IMAGE_FORWARD, 0);
    Settle();
    EXPECT_EQ(view->GetLocation(), blue);
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, ID_IMAGE_FORWARD, 0);  // nothing further
    EXPECT_EQ(view->GetLocation(), blue);
    EXPECT_TRUE(view->GoBack());
    Settle();

    // Going somewhere new from the page drops the way forward.
    Click(CentreOf(0));
    Settle();
    EXPECT_EQ(view->GetLocation(), red);
    EXPECT_EQ(view->HistoryLength(), 2u);
    EXPECT_FALSE(view->GoForward());
    Settle();
    // A new page at the same address is read anew in the same step.
    EXPECT_TRUE(view->GoBack());
    Settle();
    WritePage({blue}, ThumbnailSizes());
    view->Navigate(page);
    Settle();
    EXPECT_EQ(view->HistoryLength(), 1u);
    EXPECT_EQ(view->Items().size(), 1u);
}

TEST_F(ThumbnailTest, FilesThatAreNeitherOurPagesNorPicturesShowNothing) {
    view->Navigate(TempPath("missing.html"));
    Settle();
    EXPECT_EQ(view->GetContent(), CImageHtmlView::Content::Nothing);
    const std::string odd = TempPath("odd.html");
    WriteBytes(odd, "<HTML>\r\n<B>bold</B>\r\n</HTML>\r\n");
    view->Navigate(odd);
    Settle();
    EXPECT_EQ(view->GetContent(), CImageHtmlView::Content::Nothing);
    EXPECT_TRUE(view->Items().empty());
    const std::string foreign = TempPath("foreign.html");
    WriteBytes(foreign, "<html><body bgcolor=\"#336699\"></body></html>\r\n");
    view->Navigate(foreign);
    Settle();
    PumpUntilDecoded();
    EXPECT_TRUE(view->IsPictureBroken());
    EXPECT_EQ(view->GetPictureSize().cx, 0);
    RedrawWindow(view->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // no crash
}

TEST_F(ThumbnailTest, ScrollingIsBoundedByThePageAndHitTestingFollowsIt) {
    SetWindowPos(view->m_hWnd, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    std::vector<std::string> srcs(40, "C:\\none.jpg");
    view->Navigate(WritePage(srcs, ThumbnailSizes()));
    Settle();
    const RECT client = view->GetClientRect();
    view->ScrollTo(0, 1000000);
    EXPECT_EQ(view->GetScrollPosition().y, view->Layout().height - client.bottom);
    EXPECT_EQ(view->HitTest(CentreOf(39)), 39);
    SendMessageW(view->m_hWnd, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(view->GetScrollPosition().y, 0);
    SendMessageW(view->m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(view->GetScrollPosition().y, 20);
    EXPECT_EQ(view->HitTest(CentreOf(0)), 0);
}
