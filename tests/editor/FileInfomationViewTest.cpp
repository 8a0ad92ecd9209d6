// The information window, created for real: where it sits, what it stores, what it paints, and
// that it never takes the activation.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "changer/FileInfomationView_win.h"
#include "fw/Dpi.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

constexpr DWORD kInfoExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
constexpr DWORD kInfoStyle = WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE;

RECT WindowRect(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

// The client area as painted through WM_PRINTCLIENT, one 0x00RRGGBB value per pixel.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> rgb;
    COLORREF At(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
    // Columns holding a pixel other than back: the extent of the ink.
    int InkWidth(COLORREF back) const {
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                if (At(x, y) != back) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
            }
        }
        return first < 0 ? 0 : last - first + 1;
    }
};

Pixels Capture(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    Pixels p;
    p.width = client.right;
    p.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CClientDC screen(nullptr);
    CUniqueBitmap bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemoryDC dc(screen);
    {
        CSelectObject select(dc, bitmap.Get());
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)),
                     PRF_CLIENT);
        GdiFlush();
    }
    const DWORD* src = static_cast<const DWORD*>(bits);
    for (int i = 0; i < p.width * p.height; ++i) {
        DWORD bgra = src[i];
        p.rgb.push_back(RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF));
    }
    return p;
}

class FileInfomationViewTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        RECT desktop{};
        GetWindowRect(GetDesktopWindow(), &desktop);
        m_desktop = desktop;
    }
    void TearDown() override {
        m_view.reset();
        EditorTest::TearDown();
    }
    // The changer's own copy: persisting, floating, topmost, without a close box.
    CFileInfomationView& CreateChangerCopy() {
        m_view = std::make_unique<CFileInfomationView>();
        m_view->SetSettings(&Settings());
        m_view->m_bPersist = TRUE;
        RECT empty{};
        EXPECT_TRUE(
            m_view->Create(kInfoExStyle, kInfoStyle, "壁紙情報", empty, GetDesktopWindow()));
        return *m_view;
    }
    // The options preview's copy: a plain popup that loads and stores nothing.
    CFileInfomationView& CreatePreview(int width = 200, int height = 80) {
        m_view = std::make_unique<CFileInfomationView>();
        m_view->m_crBack = RGB(10, 20, 30);
        m_view->m_crText = RGB(250, 250, 250);
        RECT rc{0, 0, width, height};
        EXPECT_TRUE(m_view->Create(0, WS_POPUP | WS_VISIBLE, "", rc, nullptr));
        return *m_view;
    }
    int Stored(const char* name) {
        return Settings().Store().GetInt(setting::kFileInfoView, name, -12345);
    }

    RECT m_desktop{};
    std::unique_ptr<CFileInfomationView> m_view;
};

TEST_F(FileInfomationViewTest, FirstRunTakesTheBottomRightTenthAndStoresIt) {
    CFileInfomationView& view = CreateChangerCopy();
    const int w = (m_desktop.right - m_desktop.left) / 10,
              h = (m_desktop.bottom - m_desktop.top) / 10;
    RECT rc = WindowRect(view.m_hWnd);
    EXPECT_EQ(m_desktop.right - w, rc.left);
    EXPECT_EQ(m_desktop.bottom - h, rc.top);
    EXPECT_EQ(w, rc.right - rc.left);
    EXPECT_EQ(h, rc.bottom - rc.top);
    // The move made while placing itself is stored like any other.
    EXPECT_EQ(rc.left, Stored("LeftPosition"));
    EXPECT_EQ(rc.top, Stored("TopPosition"));
    EXPECT_EQ(w, Stored("Width"));
    EXPECT_EQ(h, Stored("Height"));
    EXPECT_TRUE(IsWindowVisible(view.m_hWnd));
    EXPECT_TRUE(GetWindowLongPtrW(view.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FileInfomationViewTest, MoveAndResizeAreStoredAtOnceAndComeBackAtTheNextStart) {
    CFileInfomationView& view = CreateChangerCopy();
    SetWindowPos(view.m_hWnd, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(40, Stored("LeftPosition"));
    EXPECT_EQ(50, Stored("TopPosition"));
    SetWindowPos(view.m_hWnd, nullptr, 0, 0, 300, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(40, Stored("LeftPosition"));
    EXPECT_EQ(300, Stored("Width"));
    EXPECT_EQ(120, Stored("Height"));

    m_view.reset();
    CFileInfomationView& again = CreateChangerCopy();
    RECT rc = WindowRect(again.m_hWnd);
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_EQ(300, rc.right - rc.left);
    EXPECT_EQ(120, rc.bottom - rc.top);
}

TEST_F(FileInfomationViewTest, PreviewNeitherLoadsNorStores) {
    Settings().WriteInt(setting::LeftPosition, 7);
    CFileInfomationView& view = CreatePreview();
    EXPECT_EQ(0, WindowRect(view.m_hWnd).left);
    SetWindowPos(view.m_hWnd, nullptr, 60, 70, 150, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(7, Stored("LeftPosition"));
    EXPECT_EQ(-12345, Stored("Width"));

    // Asked to persist but handed no settings: nothing to load from or store to.
    m_view = std::make_unique<CFileInfomationView>();
    m_view->m_bPersist = TRUE;
    RECT rc{10, 20, 110, 70};
    ASSERT_TRUE(m_view->Create(0, WS_POPUP | WS_VISIBLE, "", rc, nullptr));
    EXPECT_EQ(10, WindowRect(m_view->m_hWnd).left);
    SetWindowPos(m_view->m_hWnd, nullptr, 60, 70, 150, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(7, Stored("LeftPosition"));
    EXPECT_EQ(-12345, Stored("Width"));
}

TEST_F(FileInfomationViewTest, FontComesFromTheSettingsWithTheCurrentFontAsDefault) {
    m_view = std::make_unique<CFileInfomationView>();
    m_view->SetSettings(&Settings());
    m_view->m_bPersist = TRUE;
    m_view->m_lf.lfHeight = -13;
    m_view->m_lf.lfWeight = FW_BOLD;
    lstrcpyW(m_view->m_lf.lfFaceName, L"Current");
    Settings().WriteInt(setting::lfHeight, -20);
    Settings().WriteInt(setting::lfItalic, 0x101);  // only the low byte counts
    RECT empty{};
    ASSERT_TRUE(m_view->Create(kInfoExStyle, kInfoStyle, "壁紙情報", empty, GetDesktopWindow()));
    EXPECT_EQ(-20, m_view->m_lf.lfHeight);
    EXPECT_EQ(FW_BOLD, m_view->m_lf.lfWeight);
    EXPECT_EQ(1, m_view->m_lf.lfItalic);
    EXPECT_STREQ(L"Current", m_view->m_lf.lfFaceName);
}

TEST_F(FileInfomationViewTest, AnOverlongFaceNameIsCutAtAWholeCharacter) {
    // 30 ASCII bytes and then a double-byte character that would end at byte 32.
    const std::string thirty(30, 'F');
    Settings().WriteString(setting::lfFaceName, thirty + "表示");
    m_view = std::make_unique<CFileInfomationView>();
    m_view->SetSettings(&Settings());
    m_view->m_bPersist = TRUE;
    RECT empty{};
    ASSERT_TRUE(m_view->Create(kInfoExStyle, kInfoStyle, "壁紙情報", empty, GetDesktopWindow()));
    EXPECT_EQ(thirty, UiFromWide(m_view->m_lf.lfFaceName));

    Settings().WriteString(setting::lfFaceName, std::string(29, 'G') + "表示");
    m_view.reset();
    m_view = std::make_unique<CFileInfomationView>();
    m_view->SetSettings(&Settings());
    m_view->m_bPersist = TRUE;
    ASSERT_TRUE(m_view->Create(kInfoExStyle, kInfoStyle, "壁紙情報", empty, GetDesktopWindow()));
    EXPECT_EQ(std::string(29, 'G') + "表", UiFromWide(m_view->m_lf.lfFaceName));
}

TEST_F(FileInfomationViewTest, LinesFollowTheSwitchesAndAnEmptyCommentLeavesTheLastLineEmpty) {
    CFileInfomationView view;
    EXPECT_EQ("ファイル名\n優先順位\n作成者\nコメント", view.GetDisplayText());
    view.m_strName = "a.bmp";
    view.m_strPriority = "p";
    view.m_strAuthor = "x";
    view.m_strComment.clear();
    EXPECT_EQ("a.bmp\np\nx\n", view.GetDisplayText());
    view.m_bDispPriority = FALSE;
    view.m_bDispAuthor = FALSE;
    EXPECT_EQ("a.bmp\n", view.GetDisplayText());
    view.m_bDispName = FALSE;
    view.m_bDispComment = TRUE;
    view.m_strComment = "c";
    EXPECT_EQ("c", view.GetDisplayText());
}

TEST_F(FileInfomationViewTest, AllSwitchesOffPaintsOnlyTheBackground) {
    CFileInfomationView& view = CreatePreview();
    Pixels shown = Capture(view.m_hWnd);
    ASSERT_GT(shown.InkWidth(RGB(10, 20, 30)), 0);  // the labels are drawn
    view.m_bDispName = view.m_bDispPriority = view.m_bDispAuthor = view.m_bDispComment = FALSE;
    Pixels blank = Capture(view.m_hWnd);
    ASSERT_EQ(200, blank.width);
    for (COLORREF c : blank.rgb) ASSERT_EQ(RGB(10, 20, 30), c);
}

TEST_F(FileInfomationViewTest, AnAmpersandPrefixesTheNextCharacterAndTwoShowOne) {
    CFileInfomationView& view = CreatePreview(300, 30);
    view.m_bDispPriority = view.m_bDispAuthor = view.m_bDispComment = FALSE;
    auto inkOf = [&](const char* name) {
        view.m_strName = name;
        return Capture(view.m_hWnd).InkWidth(RGB(10, 20, 30));
    };
    const int plain = inkOf("WW");
    ASSERT_GT(plain, 0);
    EXPECT_EQ(plain, inkOf("W&W"));   // the single "&" is not drawn
    EXPECT_GT(inkOf("W&&W"), plain);  // "&&" draws one "&"
}

TEST_F(FileInfomationViewTest, OnAnotherMonitorItScalesItsTextAndStaysInsideAWorkArea) {
    CFileInfomationView& view = CreateChangerCopy();
    view.m_crBack = RGB(10, 20, 30);
    view.m_crText = RGB(250, 250, 250);
    view.m_bDispPriority = view.m_bDispAuthor = view.m_bDispComment = FALSE;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(view.m_hWnd, nullptr, work.left + 50, work.top + 40, 400, 100,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    view.SetTexts("WWWW", "", "", "");
    const int ink = Capture(view.m_hWnd).InkWidth(RGB(10, 20, 30));
    ASSERT_GT(ink, 0);
    const LONG chosenHeight = view.m_lf.lfHeight;

    // Windows' suggestion for a monitor of twice the DPI: twice the size.
    const int twice = WindowDpi(view.m_hWnd) * 2;
    RECT suggested{work.left + 60, work.top + 50, work.left + 860, work.top + 250};
    SendMessageW(view.m_hWnd, WM_DPICHANGED, MAKEWPARAM(twice, twice),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT rc = WindowRect(view.m_hWnd);
    EXPECT_TRUE(EqualRect(&rc, &suggested));
    EXPECT_EQ(800, Stored("Width"));
    EXPECT_EQ(suggested.left, Stored("LeftPosition"));
    const int inkTwice = Capture(view.m_hWnd).InkWidth(RGB(10, 20, 30));
    EXPECT_GE(inkTwice, ink * 17 / 10);
    EXPECT_LE(inkTwice, ink * 23 / 10);
    // The font the options chose is what is kept and stored, whatever monitor it is shown on.
    EXPECT_EQ(chosenHeight, view.m_lf.lfHeight);

    // A suggestion past the work area's edge, or larger than it, comes inside it.
    RECT over{work.right - 100, work.top + 10, work.right + 300, work.top + 210};
    SendMessageW(view.m_hWnd, WM_DPICHANGED, MAKEWPARAM(twice, twice),
                 reinterpret_cast<LPARAM>(&over));
    rc = WindowRect(view.m_hWnd);
    EXPECT_EQ(work.right, rc.right);
    EXPECT_EQ(400, rc.right - rc.left);
    EXPECT_EQ(work.top + 10, rc.top);
    RECT huge{work.left, work.top, work.right + 500, work.bottom + 500};
    SendMessageW(view.m_hWnd, WM_DPICHANGED, MAKEWPARAM(twice, twice),
                 reinterpret_cast<LPARAM>(&huge));
    rc = WindowRect(view.m_hWnd);
    EXPECT_TRUE(EqualRect(&rc, &work));

    // Left where no monitor is any more (one was unplugged): the display change that says so
    // brings it back.
    SetWindowPos(view.m_hWnd, nullptr, work.right + 3000, work.top + 10, 300, 100,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(view.m_hWnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(work.right, work.bottom));
    rc = WindowRect(view.m_hWnd);
    EXPECT_EQ(work.right, rc.right);
    EXPECT_EQ(300, rc.right - rc.left);
    EXPECT_EQ(work.right - 300, Stored("LeftPosition"));
}

// Run by a step of its own, on an X display of two screens that Wine shows as two monitors:
// a small primary one and a larger second one. Elsewhere there is one monitor, and nothing to
// run.
class TwoMonitorsTest : public FileInfomationViewTest {
  protected:
    void SetUp() override {
        FileInfomationViewTest::SetUp();
        EnumDisplayMonitors(
            nullptr, nullptr,
            [](HMONITOR monitor, HDC, LPRECT, LPARAM self) {
                MONITORINFO info{};
                info.cbSize = sizeof info;
                GetMonitorInfoW(monitor, &info);
                auto* test = reinterpret_cast<TwoMonitorsTest*>(self);
                (info.dwFlags & MONITORINFOF_PRIMARY ? test->m_primary : test->m_second) =
                    info.rcWork;
                ++test->m_count;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
        if (std::getenv("PELORAND_EXPECT_MONITORS") == nullptr && m_count < 2)
            GTEST_SKIP() << "one monitor";
        ASSERT_EQ(2, m_count);
        ASSERT_GT(m_second.right - m_second.left, m_primary.right - m_primary.left);
        ASSERT_GT(m_second.bottom - m_second.top, m_primary.bottom - m_primary.top);
    }
    int m_count = 0;
    RECT m_primary{}, m_second{};
};

TEST_F(TwoMonitorsTest, APlaceMostlyOnTheLargerMonitorKeepsASizeOnlyThatMonitorHolds) {
    // Wider and taller than the primary monitor's work area, inside the second one's.
    const int width = m_second.right - m_second.left - 40;
    const int height = m_second.bottom - m_second.top - 30;
    ASSERT_GT(width, m_primary.right - m_primary.left);
    Settings().WriteInt(setting::LeftPosition, m_second.left + 20);
    Settings().WriteInt(setting::TopPosition, m_second.top + 10);
    Settings().WriteInt(setting::Width, width);
    Settings().WriteInt(setting::Height, height);
    CFileInfomationView& view = CreateChangerCopy();
    RECT rc = WindowRect(view.m_hWnd);
    EXPECT_EQ(m_second.left + 20, rc.left);
    EXPECT_EQ(m_second.top + 10, rc.top);
    EXPECT_EQ(width, rc.right - rc.left);
    EXPECT_EQ(height, rc.bottom - rc.top);
    EXPECT_EQ(width, Stored("Width"));

    // Larger than even that monitor: as much as its work area holds, not the primary's.
    const RECT fitted = CFileInfomationView::FromStored(m_second.left + 20, m_second.top + 10,
                                                        width + 500, height + 500);
    EXPECT_EQ(m_second.right - m_second.left, fitted.right - fitted.left);
    EXPECT_EQ(m_second.bottom - m_second.top, fitted.bottom - fitted.top);
}

TEST_F(TwoMonitorsTest, MovedOntoTheLargerMonitorAtAnotherDpiItStaysInsideThatWorkArea) {
    CFileInfomationView& view = CreateChangerCopy();
    const int twice = WindowDpi(view.m_hWnd) * 2;
    // Windows' suggestion, mostly on the second monitor and past its right edge.
    const int width = m_second.right - m_second.left - 100;
    const int height = m_primary.bottom - m_primary.top;
    RECT suggested{m_second.left + 200, m_second.top + 20, m_second.left + 200 + width,
                   m_second.top + 20 + height};
    SendMessageW(view.m_hWnd, WM_DPICHANGED, MAKEWPARAM(twice, twice),
                 reinterpret_cast<LPARAM>(&suggested));
    const RECT rc = WindowRect(view.m_hWnd);
    EXPECT_EQ(m_second.right, rc.right);
    EXPECT_EQ(width, rc.right - rc.left);
    EXPECT_EQ(height, rc.bottom - rc.top);
    EXPECT_EQ(rc.left, Stored("LeftPosition"));
}

TEST_F(FileInfomationViewTest, NeverTakesTheActivationAndCannotBeClosedByTheUser) {
    HWND user = CreateWindowExW(0, L"STATIC", L"user", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(user);
    SetActiveWindow(user);
    SetForegroundWindow(user);
    ASSERT_EQ(user, GetActiveWindow());

    CFileInfomationView& view = CreateChangerCopy();
    EXPECT_EQ(user, GetActiveWindow());
    EXPECT_FALSE(GetWindowLongPtrW(view.m_hWnd, GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ(MA_NOACTIVATE,
              SendMessageW(view.m_hWnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(view.m_hWnd),
                           MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN)));
    view.SetTexts("b.jpg", "p", "a", "c");
    EXPECT_EQ(user, GetActiveWindow());
    SendMessageW(view.m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(view.m_hWnd));
    DestroyWindow(user);
}

}  // namespace
