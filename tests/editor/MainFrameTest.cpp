#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "EditorFixture.h"
#include "app/RegistrySettingsStore_win.h"
#include "doc/PelorandDoc.h"
#include "fw/CmdUI.h"
#include "fw/Dialog.h"
#include "fw/Dpi.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "win/Strconv.h"

namespace {

int TreeWidth(CMainFrame* frame) {
    int current = 0, min = 0;
    frame->m_wndSplitter.GetColumnInfo(0, current, min);
    return current;
}

int RowHeight(CMainFrame* frame, int row) {
    int current = 0, min = 0;
    frame->m_wndSplitter2.GetRowInfo(row, current, min);
    return current;
}

int WindowWidth(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc.right - rc.left;
}

struct CmdState {
    bool handled, enabled;
    int check;
};

CmdState StateOf(CMainFrame* frame, unsigned id) {
    CCmdUI ui(id);
    bool handled = frame->RouteCmdMsg(id, &ui);
    return {handled, ui.m_bEnabled, ui.m_nCheck};
}

void Command(CMainFrame* frame, unsigned id) {
    SendMessageW(frame->m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

std::string CountPaneText(CMainFrame* frame) {
    for (int i = 0; i < frame->m_wndStatusBar.GetCount(); ++i) {
        if (frame->m_wndStatusBar.GetItemID(i) == ID_INDICATOR_COUNT) {
            return frame->m_wndStatusBar.GetPaneText(i);
        }
    }
    return "<none>";
}

}  // namespace

TEST_F(EditorTest, FirstStartLaysOutThePanesFromTheDefaultsAndWritesTheListStyle) {
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    EXPECT_EQ(m_app->Store().GetInt("Option", "ViewType", -1), 59411);  // written at once
    EXPECT_EQ(TreeWidth(frame), 150);
    EXPECT_EQ(WindowWidth(TreeView()->m_hWnd), 150);
    EXPECT_EQ(RowHeight(frame, 0), 150);
    EXPECT_GT(RowHeight(frame, 1), 0);  // the thumbnails take what is left
    CPelorandListView* list = frame->GetActiveList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetViewType(), static_cast<DWORD>(LVS_REPORT));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(list->GetColumnWidth(i), 100) << i;
    EXPECT_EQ(frame->GetWindowText(), "無題 - Pelorand For ActiveDesktop ");
    EXPECT_TRUE(IsWindowVisible(frame->m_wndReBar.m_hWnd));
    EXPECT_TRUE(IsWindowVisible(frame->m_wndStatusBar.m_hWnd));
    // The three panes registered with the document.
    EXPECT_EQ(static_cast<CView*>(TreeView()), frame->GetViews()[0]);
    EXPECT_EQ(ListView(), list);
    EXPECT_EQ(static_cast<CView*>(ImageView()), frame->GetViews()[2]);
}

TEST_F(EditorTest, PaneSizesRoundTripThroughTheRegistry) {
    Settings().WriteInt(setting::TreeSize, 222);
    Settings().WriteInt(setting::ViewSize, 90);
    Settings().WriteInt(setting::ImageViewSize, 70);
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    EXPECT_EQ(TreeWidth(frame), 222);
    EXPECT_EQ(RowHeight(frame, 0), 90);
    int imageHeight = RowHeight(frame, 1);

    // The user drags the tree's bar 40 pixels to the right.
    HWND splitter = frame->m_wndSplitter.m_hWnd;
    int y = 50;
    SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(224, y));
    SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(264, y));
    SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(264, y));
    EXPECT_EQ(TreeWidth(frame), 262);

    SendMessageW(frame->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(splitter));
    EXPECT_EQ(Settings().GetInt(setting::TreeSize), 262);
    EXPECT_EQ(Settings().GetInt(setting::ViewSize), 90);
    EXPECT_EQ(Settings().GetInt(setting::ImageViewSize), imageHeight);
}

TEST_F(EditorTest, ClosingWhileMinimisedKeepsThePaneSizes) {
    Settings().WriteInt(setting::TreeSize, 180);
    Settings().WriteInt(setting::ViewSize, 120);
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    ShowWindow(frame->m_hWnd, SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(frame->m_hWnd));
    SendMessageW(frame->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Settings().GetInt(setting::TreeSize), 180);
    EXPECT_EQ(Settings().GetInt(setting::ViewSize), 120);
    EXPECT_GE(Settings().GetInt(setting::ImageViewSize), 10);
}

TEST_F(EditorTest, AStoredSizeBelowTheMinimumStartsThePaneHidden) {
    Settings().WriteInt(setting::TreeSize, 9);
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(TreeWidth(Frame()), 0);
    EXPECT_FALSE(IsWindowVisible(TreeView()->m_hWnd));
}

TEST_F(EditorTest, ListStyleCommandsChangeOnlyTheViewTypeAndShowTheirState) {
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    CPelorandListView* list = frame->GetActiveList();
    LONG_PTR otherBits = list->GetStyle() & ~static_cast<LONG_PTR>(LVS_TYPEMASK);
    ASSERT_TRUE(otherBits & LVS_EDITLABELS);

    Command(frame, ID_VIEW_LARGEICON);
    EXPECT_EQ(list->GetViewType(), static_cast<DWORD>(LVS_ICON));
    EXPECT_EQ(list->GetStyle() & ~static_cast<LONG_PTR>(LVS_TYPEMASK), otherBits);
    EXPECT_EQ(Settings().GetInt(setting::ViewType), ID_VIEW_LARGEICON);
    EXPECT_EQ(StateOf(frame, ID_VIEW_LARGEICON).check, 1);
    EXPECT_EQ(StateOf(frame, ID_VIEW_DETAILS).check, 0);
    EXPECT_TRUE(StateOf(frame, ID_VIEW_LINEUP).enabled);

    Command(frame, ID_VIEW_SMALLICON);
    EXPECT_EQ(list->GetViewType(), static_cast<DWORD>(LVS_SMALLICON));
    EXPECT_TRUE(StateOf(frame, ID_VIEW_LINEUP).enabled);
    Command(frame, ID_VIEW_LIST);
    EXPECT_EQ(list->GetViewType(), static_cast<DWORD>(LVS_LIST));
    EXPECT_FALSE(StateOf(frame, ID_VIEW_LINEUP).enabled);
    EXPECT_EQ(StateOf(frame, ID_VIEW_LINEUP).check, 0);

    // Sort by name and line up change nothing and write nothing.
    Command(frame, ID_VIEW_BYNAME);
    Command(frame, ID_VIEW_LINEUP);
    EXPECT_EQ(list->GetViewType(), static_cast<DWORD>(LVS_LIST));
    EXPECT_EQ(Settings().GetInt(setting::ViewType), ID_VIEW_LIST);
    CmdState byName = StateOf(frame, ID_VIEW_BYNAME);
    EXPECT_TRUE(byName.enabled);
    EXPECT_EQ(byName.check, 0);

    // The toolbar shows the same state once the program is idle.
    Pump();
    auto button = [&](UINT message, UINT id) {
        return SendMessageW(frame->m_wndToolBar.m_hWnd, message, id, 0) != 0;
    };
    EXPECT_TRUE(button(TB_ISBUTTONCHECKED, ID_VIEW_LIST));
    EXPECT_FALSE(button(TB_ISBUTTONCHECKED, ID_VIEW_DETAILS));
    EXPECT_TRUE(button(TB_ISBUTTONENABLED, ID_FILE_SAVE));
    EXPECT_TRUE(button(TB_ISBUTTONENABLED, ID_AUTHOR_LIST));  // the document has it
}

TEST_F(EditorTest, AStoredViewTypeThatIsNoListStyleWritesNothing) {
    Settings().WriteInt(setting::ViewType, ID_VIEW_LINEUP);
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(Frame()->GetActiveList()->GetViewType(), static_cast<DWORD>(LVS_ICON));
    EXPECT_EQ(Settings().GetInt(setting::ViewType), ID_VIEW_LINEUP);
    CloseEditor();
    // Not even a command of another kind runs from it.
    Settings().WriteInt(setting::ViewType, ID_CHANGER_START);
    ASSERT_TRUE(OpenEditor());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Settings().GetInt(setting::ViewType), ID_CHANGER_START);
}

TEST_F(EditorTest, ColumnWidthsAreKeptAcrossStyleChangesAndClosing) {
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    CPelorandListView* list = frame->GetActiveList();
    list->SetColumnWidth(2, 180);
    Command(frame, ID_VIEW_LARGEICON);  // leaving report saves
    EXPECT_EQ(Settings().GetInt(setting::Column(2)), 180);
    EXPECT_EQ(Settings().GetInt(setting::Column(0)), 100);
    Settings().WriteInt(setting::Column(3), 77);
    Command(frame, ID_VIEW_DETAILS);  // entering report loads
    EXPECT_EQ(list->GetColumnWidth(2), 180);
    EXPECT_EQ(list->GetColumnWidth(3), 77);
    // The list style has one column of its own; passing through it keeps the six widths.
    Command(frame, ID_VIEW_LIST);
    Command(frame, ID_VIEW_DETAILS);
    EXPECT_EQ(list->GetColumnWidth(2), 180);
    EXPECT_EQ(list->GetColumnWidth(3), 77);
    EXPECT_EQ(Settings().GetInt(setting::Column(2)), 180);
    list->SetColumnWidth(5, 33);
    SendMessageW(frame->m_hWnd, WM_CLOSE, 0, 0);  // destruction saves
    EXPECT_EQ(Settings().GetInt(setting::Column(5)), 33);
}

TEST_F(EditorTest, TheEntryCountPaneCountsTheListedEntries) {
    ASSERT_TRUE(OpenEditor());
    Pump();
    EXPECT_EQ(CountPaneText(Frame()), "壁紙件数-0");
    CBlock* root = Doc()->m_pRoot;
    for (int i = 0; i < 12; ++i) {
        auto* child = new CBlock;
        child->m_strName = "C:\\nothing\\" + std::to_string(i) + ".bmp";
        child->m_pParent = root;
        root->m_Children.AddTail(child);
    }
    Doc()->ShowFolder(root);
    Pump();
    EXPECT_EQ(CountPaneText(Frame()), "壁紙件数-12");
}

TEST_F(EditorTest, MenusShowWhatCanRunAndTheRecentFiles) {
    std::string path = TempPath("menu.plr");
    WriteBytes(path, "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    HMENU file = GetSubMenu(GetMenu(frame->m_hWnd), 0);
    SendMessageW(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    auto state = [&](unsigned id) { return GetMenuState(file, id, MF_BYCOMMAND); };
    EXPECT_FALSE(state(ID_FILE_SAVE) & MF_GRAYED);
    EXPECT_FALSE(state(ID_CHANGER_START) & MF_GRAYED);
    EXPECT_TRUE(state(ID_FILE_MRU_FILE1) & MF_GRAYED);  // the placeholder of an empty list

    ASSERT_NE(m_app->OpenDocumentFile(path), nullptr);
    SendMessageW(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    wchar_t text[MAX_PATH + 8] = L"";
    GetMenuStringW(file, ID_FILE_MRU_FILE1, text, MAX_PATH + 8, MF_BYCOMMAND);
    EXPECT_EQ(UiFromWide(text), "&1 " + path);
    EXPECT_FALSE(state(ID_FILE_MRU_FILE1) & MF_GRAYED);
    EXPECT_EQ(m_app->Store().GetString("Recent File List", "File1", ""), path);
    EXPECT_EQ(frame->GetWindowText(), "menu.plr - Pelorand For ActiveDesktop ");

    HMENU view = GetSubMenu(GetMenu(frame->m_hWnd), 2);
    SendMessageW(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 0);
    EXPECT_TRUE(GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    Command(frame, ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(IsWindowVisible(frame->m_wndStatusBar.m_hWnd));
    SendMessageW(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 0);
    EXPECT_FALSE(GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
}

namespace {
struct ChangerStartScript {
    int action = 0;  // 0: tick and OK, 1: untick and OK, 2: cancel button, 3: Enter (IDOK)
    bool initiallyChecked = false;
};
ChangerStartScript* g_changer = nullptr;

void DriveChangerStart(CDialog& dialog) {
    HWND hwnd = dialog.m_hWnd;
    g_changer->initiallyChecked = IsDlgButtonChecked(hwnd, IDC_EXECUTE_CHECK) == BST_CHECKED;
    switch (g_changer->action) {
        case 0:
        case 1:
            CheckDlgButton(hwnd, IDC_EXECUTE_CHECK,
                           g_changer->action == 0 ? BST_CHECKED : BST_UNCHECKED);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_CHANGER_START_OK, BN_CLICKED), 0);
            break;
        case 2:
            CheckDlgButton(hwnd, IDC_EXECUTE_CHECK, BST_CHECKED);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0);
            break;
        case 3:
            CheckDlgButton(hwnd, IDC_EXECUTE_CHECK, BST_CHECKED);
            SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            break;
    }
}
}  // namespace

TEST_F(EditorTest, TheChangerLaunchPromptStoresTheModeOnlyThroughItsOkButton) {
    ASSERT_TRUE(OpenEditor());
    ChangerStartScript script;
    g_changer = &script;
    CDialog::s_onShown = DriveChangerStart;

    script.action = 2;  // キャンセル
    Command(Frame(), ID_CHANGER_START);
    EXPECT_EQ(m_app->Store().GetInt("Option", "ExeCuteCheck", -1), -1);
    script.action = 3;  // Enter
    Command(Frame(), ID_CHANGER_START);
    EXPECT_EQ(m_app->Store().GetInt("Option", "ExeCuteCheck", -1), -1);
    EXPECT_TRUE(m_messages.empty());

    script.action = 0;
    Command(Frame(), ID_CHANGER_START);
    EXPECT_FALSE(script.initiallyChecked);
    EXPECT_EQ(Settings().GetInt(setting::ExeCuteCheck), 1);
    script.action = 0;  // the message follows the box, changed or not
    Command(Frame(), ID_CHANGER_START);
    EXPECT_TRUE(script.initiallyChecked);
    script.action = 1;
    Command(Frame(), ID_CHANGER_START);
    EXPECT_EQ(Settings().GetInt(setting::ExeCuteCheck), 0);
    EXPECT_EQ(m_messages,
              (std::vector<std::string>{
                  "Pelorandを再起動すると、指定したファイルで壁紙チェンジャーを起動できます",
                  "Pelorandを再起動すると、指定したファイルで壁紙チェンジャーを起動できます",
                  "Pelorandを設定モードにしました"}));
    CDialog::s_onShown = nullptr;
    g_changer = nullptr;
}

TEST_F(EditorTest, HelpOpensThePageBesideTheProgramAndContextHelpAsksInsteadOfRunning) {
    std::string path = TempPath("help.plr");
    WriteBytes(path, "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
    ASSERT_TRUE(OpenEditor(path));
    std::vector<std::string> pages;
    m_app->m_helpHook = [&](const std::string& page) {
        pages.push_back(page);
        return true;
    };
    Command(Frame(), ID_HELP_INDEX);
    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_HELP, 1), 0);  // F1
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].substr(pages[0].size() - 14), "\\Pelorand.html");

    SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_CONTEXT_HELP, 1), 0);  // Shift+F1
    EXPECT_EQ(StateOf(Frame(), ID_CONTEXT_HELP).check, 1);
    Command(Frame(), ID_FILE_NEW);  // chosen from the menu while asking for help
    EXPECT_EQ(StateOf(Frame(), ID_CONTEXT_HELP).check, 0);
    EXPECT_EQ(pages.size(), 3u);
    EXPECT_EQ(Doc()->GetPathName(), path);  // the command did not run
    Command(Frame(), ID_FILE_NEW);
    EXPECT_EQ(Doc()->GetPathName(), "");
}

namespace {

std::vector<RECT> g_dialogRects;

void RecordAndClose(CDialog& dialog) {
    RECT rc{};
    GetWindowRect(dialog.m_hWnd, &rc);
    g_dialogRects.push_back(rc);
    dialog.EndDialog(IDCANCEL);
}

POINT Centre(const RECT& rc) {
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace

TEST_F(EditorTest, TheAboutBoxAndTheLaunchPromptAreCentredOverTheMainWindow) {
    ASSERT_TRUE(OpenEditor());
    SetWindowPos(Frame()->m_hWnd, nullptr, 30, 20, 640, 480, SWP_NOZORDER);
    RECT frame{};
    GetWindowRect(Frame()->m_hWnd, &frame);
    g_dialogRects.clear();
    CDialog::s_onShown = RecordAndClose;
    Command(Frame(), ID_APP_ABOUT);
    Command(Frame(), ID_CHANGER_START);
    CDialog::s_onShown = nullptr;
    ASSERT_EQ(g_dialogRects.size(), 2u);
    for (const RECT& rc : g_dialogRects) {
        EXPECT_NEAR(Centre(rc).x, Centre(frame).x, 1);
        EXPECT_NEAR(Centre(rc).y, Centre(frame).y, 1);
    }
}

TEST_F(EditorTest, StoredPaneSizesNoDragCanMakeReadAsTheDefaults) {
    for (int stored : {-1, INT_MIN, 100000, INT_MAX}) {
        Settings().WriteInt(setting::TreeSize, stored);
        Settings().WriteInt(setting::ViewSize, stored);
        ASSERT_TRUE(OpenEditor());
        EXPECT_EQ(TreeWidth(Frame()), 150) << stored;
        EXPECT_EQ(RowHeight(Frame(), 0), 150) << stored;
        EXPECT_TRUE(IsWindowVisible(TreeView()->m_hWnd));
        EXPECT_TRUE(IsWindowVisible(Frame()->GetActiveList()->m_hWnd));
        CloseEditor();
        // What is written back at exit is the size shown, so that the fault does not stick.
        EXPECT_EQ(Settings().GetInt(setting::TreeSize), 150) << stored;
        EXPECT_EQ(Settings().GetInt(setting::ViewSize), 150) << stored;
    }
}

TEST_F(EditorTest, AtAHigherDpiEveryPixelSizeGrowsAndSizesAreStoredAt96Dpi) {
    struct DpiScope {
        DpiScope() { OverrideScreenDpi(144); }
        ~DpiScope() { OverrideScreenDpi(0); }
    } dpi;
    Settings().WriteInt(setting::TreeSize, 200);
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    EXPECT_EQ(TreeWidth(frame), 300);
    EXPECT_EQ(RowHeight(frame, 0), 225);
    CPelorandListView* list = frame->GetActiveList();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(list->GetColumnWidth(i), 150) << i;
    // The bar between the panes, and the toolbar's images.
    RECT tree{}, right{};
    GetWindowRect(TreeView()->m_hWnd, &tree);
    GetWindowRect(frame->m_wndSplitter2.m_hWnd, &right);
    EXPECT_EQ(right.left - tree.right, 9);
    auto images = reinterpret_cast<HIMAGELIST>(
        SendMessageW(frame->m_wndToolBar.m_hWnd, TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
    EXPECT_EQ(cx, 24);
    EXPECT_EQ(cy, 23);  // 15 * 1.5, rounded half away from zero
    CloseEditor();
    EXPECT_EQ(Settings().GetInt(setting::TreeSize), 200);
    EXPECT_EQ(Settings().GetInt(setting::ViewSize), 150);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Settings().GetInt(setting::Column(i)), 100) << i;
}

namespace {

RECT ChildRect(HWND child) {
    RECT rc{};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

int FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return std::abs(font.lfHeight);
}

// The frame's bars and panes each inside the client area, none over another; the toolbar's
// buttons inside the toolbar, and the toolbar as tall as its buttons.
void ExpectFrameLaidOut(CMainFrame* frame, int dpi) {
    const RECT client = frame->GetClientRect();
    std::vector<HWND> parts = {frame->m_wndReBar.m_hWnd, frame->m_wndSplitter.m_hWnd,
                               frame->m_wndStatusBar.m_hWnd};
    std::vector<RECT> rects;
    for (HWND part : parts) {
        RECT rc = ChildRect(part), inside{};
        IntersectRect(&inside, &rc, &client);
        EXPECT_TRUE(EqualRect(&inside, &rc)) << dpi << " part " << GetDlgCtrlID(part);
        EXPECT_GT(rc.bottom - rc.top, 0) << dpi << " part " << GetDlgCtrlID(part);
        for (const RECT& other : rects) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &rc, &other)) << dpi << " " << GetDlgCtrlID(part);
        }
        rects.push_back(rc);
    }
    HWND toolbar = frame->m_wndToolBar.m_hWnd;
    const RECT bar = ChildRect(toolbar);
    const RECT band = frame->m_wndReBar.GetClientRect();
    EXPECT_LE(bar.bottom, band.bottom) << dpi;
    const RECT tools = frame->m_wndToolBar.GetClientRect();
    const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; ++i) {
        RECT button{};
        SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_LE(button.bottom, tools.bottom) << dpi << " button " << i;
    }
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images, &cx, &cy));
    const DWORD button = static_cast<DWORD>(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_EQ(cx, MulDiv(16, dpi, 96)) << dpi;
    EXPECT_GE(static_cast<int>(LOWORD(button)), cx) << dpi;
    EXPECT_GE(static_cast<int>(HIWORD(button)), cy) << dpi;
    // The status bar's text fits in it.
    EXPECT_GE(ChildRect(frame->m_wndStatusBar.m_hWnd).bottom -
                  ChildRect(frame->m_wndStatusBar.m_hWnd).top,
              FontHeight(frame->m_wndStatusBar.m_hWnd))
        << dpi;
}

}  // namespace

// Also run by tests/editor/screens.sh with the system's fonts and metrics at 120, 144 and 192.
TEST_F(EditorTest, AtEveryCommonDpiTheBarsAndPanesFitAndDoNotOverlap) {
    for (int dpi : {96, 120, 144, 192}) {
        OverrideScreenDpi(dpi);
        ASSERT_TRUE(OpenEditor());
        ExpectFrameLaidOut(Frame(), dpi);
        CloseEditor();
        OverrideScreenDpi(0);
    }
}

TEST_F(EditorTest, AMoveToAMonitorOfAnotherDpiTakesTheSuggestedPlaceAndScalesEveryPart) {
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    const int dpi = WindowDpi(frame->m_hWnd);
    CPelorandListView* list = frame->GetActiveList();
    const int listFont = FontHeight(list->m_hWnd), treeFont = FontHeight(TreeView()->m_hWnd);
    const int statusFont = FontHeight(frame->m_wndStatusBar.m_hWnd);
    const int treeWidth = TreeWidth(frame), rowHeight = RowHeight(frame, 0);
    std::vector<int> columns;
    for (int i = 0; i < 6; ++i) columns.push_back(list->GetColumnWidth(i));

    // Windows' suggestion for a monitor of twice the DPI: the same window twice as large.
    RECT suggested{20, 10, 20 + 1000, 10 + 760};
    const int twice = dpi * 2;
    SendMessageW(frame->m_hWnd, WM_DPICHANGED, MAKEWPARAM(twice, twice),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(frame->m_hWnd, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested));
    EXPECT_EQ(WindowDpi(list->m_hWnd), twice);
    EXPECT_EQ(TreeWidth(frame), treeWidth * 2);
    EXPECT_EQ(RowHeight(frame, 0), rowHeight * 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(list->GetColumnWidth(i), columns[i] * 2) << i;
    EXPECT_NEAR(FontHeight(list->m_hWnd), listFont * 2, 1);
    EXPECT_NEAR(FontHeight(TreeView()->m_hWnd), treeFont * 2, 1);
    EXPECT_NEAR(FontHeight(frame->m_wndStatusBar.m_hWnd), statusFont * 2, 1);
    RECT tree{}, right{};
    GetWindowRect(TreeView()->m_hWnd, &tree);
    GetWindowRect(frame->m_wndSplitter2.m_hWnd, &right);
    EXPECT_EQ(right.left - tree.right, MulDiv(CSplitterWnd::kBarSize, twice, 96));
    ExpectFrameLaidOut(frame, twice);

    // And back: what is stored is in 96-DPI pixels whichever monitor the frame closed on.
    suggested = RECT{20, 10, 20 + 500, 10 + 380};
    SendMessageW(frame->m_hWnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(TreeWidth(frame), treeWidth);
    EXPECT_EQ(FontHeight(list->m_hWnd), listFont);
    ExpectFrameLaidOut(frame, dpi);
    SendMessageW(frame->m_hWnd, WM_DPICHANGED, MAKEWPARAM(twice, twice),
                 reinterpret_cast<LPARAM>(&suggested));
    CloseEditor();
    EXPECT_EQ(Settings().GetInt(setting::TreeSize), MulDiv(treeWidth, 96, dpi));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Settings().GetInt(setting::Column(i)), MulDiv(columns[i], 96, dpi)) << i;
}

TEST_F(EditorTest, AfterALayoutChangeEveryPaneRepaintsWhole) {
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    std::vector<HWND> panes = {TreeView()->m_hWnd, frame->GetActiveList()->m_hWnd,
                               ImageView()->m_hWnd};
    // The page view redraws whole when it is resized by anyone, a window resize included.
    UINT pageStyle = static_cast<UINT>(GetClassLongPtrW(panes[2], GCL_STYLE));
    EXPECT_EQ(pageStyle & (CS_HREDRAW | CS_VREDRAW), UINT(CS_HREDRAW | CS_VREDRAW));

    auto paintAll = [&] {
        RedrawWindow(frame->m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        for (HWND pane : panes) ASSERT_FALSE(GetUpdateRect(pane, nullptr, FALSE));
    };
    auto expectWholeInvalid = [&](const char* after, std::size_t first) {
        for (std::size_t i = first; i < panes.size(); ++i) {
            HWND pane = panes[i];
            RECT client{}, update{};
            GetClientRect(pane, &client);
            GetUpdateRect(pane, &update, FALSE);
            EXPECT_TRUE(EqualRect(&client, &update)) << after << " " << GetDlgCtrlID(pane);
        }
    };
    paintAll();
    // Either bar dragged 30 pixels.
    HWND splitter = frame->m_wndSplitter.m_hWnd;
    SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(152, 50));
    SendMessageW(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(182, 50));
    SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(182, 50));
    expectWholeInvalid("tree bar", 0);
    paintAll();
    HWND splitter2 = frame->m_wndSplitter2.m_hWnd;
    SendMessageW(splitter2, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 152));
    SendMessageW(splitter2, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 122));
    SendMessageW(splitter2, WM_LBUTTONUP, 0, MAKELPARAM(50, 122));
    expectWholeInvalid("list bar", 1);  // the tree is not in that splitter
}
