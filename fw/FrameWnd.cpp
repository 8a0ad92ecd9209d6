#include "fw/FrameWnd.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "fw/CmdUI.h"
#include "fw/ControlBar.h"
#include "fw/Document.h"
#include "fw/Dpi.h"
#include "fw/Ids.h"
#include "fw/Recovery.h"
#include "fw/StatusBar.h"
#include "fw/View.h"
#include "fw/WinApp.h"
#include "win/Handles.h"
#include "win/MessageFilter.h"
#include "win/Strconv.h"

namespace {

const char kFrameClass[] = "FrameWnd";
// WM_COPYDATA's tag for "have you this file open?" (the data: its full path in UTF-16).
constexpr ULONG_PTR kFileQuery = 0x506C7201;
// A frame that does not answer within this long (hung, or stopped at a debugger) is passed.
constexpr UINT kFileQueryTimeout = 2000;  // ms

class CMenuCmdUI : public CCmdUI {
  public:
    CMenuCmdUI(HMENU menu, UINT index, UINT id) : CCmdUI(id), m_menu(menu), m_index(index) {}
    void Apply() {
        EnableMenuItem(m_menu, m_index, MF_BYPOSITION | (m_bEnabled ? MF_ENABLED : MF_GRAYED));
        if (m_bRadio) {
            CheckMenuRadioItem(m_menu, m_index, m_index, m_index, MF_BYPOSITION);
        } else {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE;
            GetMenuItemInfoW(m_menu, m_index, TRUE, &info);
            info.fType &= ~MFT_RADIOCHECK;
            info.fState = (info.fState & ~MFS_CHECKED) | (m_nCheck ? MFS_CHECKED : 0);
            SetMenuItemInfoW(m_menu, m_index, TRUE, &info);
        }
    }

  private:
    HMENU m_menu;
    UINT m_index;
};

}  // namespace

bool CFrameWnd::OnFileQuery(const COPYDATASTRUCT& data) {
    if (data.dwData != kFileQuery || !data.lpData || data.cbData % sizeof(wchar_t) != 0)
        return false;
    const std::wstring asked(static_cast<const wchar_t*>(data.lpData),
                             data.cbData / sizeof(wchar_t));
    CDocument* doc = GetActiveDocument();
    if (!doc || doc->GetPathName().empty()) return false;
    if (lstrcmpiW(ToWide(doc->GetPathName()).c_str(), asked.c_str()) != 0) return false;
    if (IsIconic(m_hWnd)) ShowWindow(m_hWnd, SW_RESTORE);
    SetForegroundWindow(m_hWnd);
    return true;
}

bool CFrameWnd::BringForwardFrameOf(const std::string& path) {
    const std::wstring full = ToWide(FullPathName(path));
    COPYDATASTRUCT data{};
    data.dwData = kFileQuery;
    data.cbData = static_cast<DWORD>(full.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(full.data());
    HWND frame = nullptr;
    const std::wstring frameClass = UiText(kFrameClass);
    while ((frame = FindWindowExW(nullptr, frame, frameClass.c_str(), nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(frame, &process);
        // The one asked may then take the foreground, which Windows allows only with leave.
        AllowSetForegroundWindow(process);
        DWORD_PTR answer = FALSE;
        if (SendMessageTimeoutW(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                SMTO_ABORTIFHUNG | SMTO_BLOCK, kFileQueryTimeout, &answer) &&
            answer == TRUE)
            return true;
    }
    return false;
}

bool CFrameWnd::LoadFrame(UINT resourceId, CDocument* doc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(resourceId));
    RegisterClassOnce(kFrameClass, CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW),
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);
    // The window owns the menu once it exists; until then it is ours to free.
    CUniqueMenu menu(LoadMenuW(instance, MAKEINTRESOURCEW(resourceId)));
    m_hAccel = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(resourceId));
    m_pCreateDoc = doc;
    m_pDocument = doc;
    std::string title = CWinApp::Get()->AppTitle();
    bool created =
        CreateEx(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu.Get());
    m_pCreateDoc = nullptr;
    if (created) menu.Detach();
    return created;
}

int CFrameWnd::OnCreate(CREATESTRUCTW* create) {
    // Run as administrator, the frame still takes files dropped from Explorer.
    AllowDroppedFilesFromLowerPrograms(m_hWnd);
    return OnCreateClient(create, m_pCreateDoc) ? 0 : -1;
}

bool CFrameWnd::OnCreateClient(CREATESTRUCTW*, CDocument*) {
    return true;
}

void CFrameWnd::AddControlBar(CControlBar* bar) {
    m_bars.push_back(bar);
}

CControlBar* CFrameWnd::BarById(UINT id) const {
    for (CControlBar* bar : m_bars) {
        if (bar->m_hWnd && static_cast<UINT>(GetDlgCtrlID(bar->m_hWnd)) == id) return bar;
    }
    return nullptr;
}

CDocument* CFrameWnd::GetActiveDocument() const {
    if (m_pActiveView && m_pActiveView->GetDocument()) return m_pActiveView->GetDocument();
    return m_pDocument;
}

void CFrameWnd::SetActiveView(CView* view, bool focus) {
    m_pActiveView = view;
    if (focus && view && view->m_hWnd && GetFocus() != view->m_hWnd) SetFocus(view->m_hWnd);
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, bool makeVisible) {
    m_pDocument = doc;
    std::vector<CView*> views = GetViews();
    for (CView* view : views) view->OnInitialUpdate();
    if (!m_pActiveView && !views.empty()) SetActiveView(views.front(), false);
    OnUpdateFrameTitle();
    if (makeVisible) {
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        UpdateWindow(m_hWnd);
    }
}

bool CFrameWnd::RouteCmdMsg(unsigned id, CCmdUI* ui) {
    if (m_pActiveView && m_pActiveView->OnCmdMsg(id, ui)) return true;
    if (CDocument* doc = GetActiveDocument()) {
        if (doc->OnCmdMsg(id, ui)) return true;
    }
    if (OnCmdMsg(id, ui)) return true;
    CWinApp* app = CWinApp::Get();
    return app && app->OnCmdMsg(id, ui);
}

void CFrameWnd::ExecuteCommand(unsigned id, bool fromShortcut) {
    if (m_bHelpMode && id != ID_CONTEXT_HELP) {
        ExitHelpMode();
        CWinApp::Get()->ShowHelp();
        return;
    }
    if (fromShortcut) {
        CCmdUI probe(id);
        if (!RouteCmdMsg(id, &probe) || !probe.m_bEnabled) return;
    }
    RouteCmdMsg(id, nullptr);
}

bool CFrameWnd::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_VIEW_TOOLBAR:
        case ID_VIEW_STATUS_BAR: {
            CControlBar* bar = BarById(id == ID_VIEW_TOOLBAR ? AFX_IDW_REBAR : AFX_IDW_STATUS_BAR);
            if (!bar && id == ID_VIEW_TOOLBAR) bar = BarById(AFX_IDW_TOOLBAR);
            if (!bar) return false;
            if (ui) {
                ui->SetCheck(bar->IsVisible() ? 1 : 0);
            } else {
                ToggleBar(bar);
            }
            return true;
        }
        case ID_CONTEXT_HELP:
            if (!ui) {
                if (m_bHelpMode) {
                    ExitHelpMode();
                } else {
                    EnterHelpMode();
                }
            } else {
                ui->SetCheck(m_bHelpMode ? 1 : 0);
            }
            return true;
        case ID_NEXT_PANE:
        case ID_PREV_PANE:
            if (ui) {
                ui->Enable(GetViews().size() > 1);
            } else {
                ActivateNextPane(id == ID_PREV_PANE);
            }
            return true;
    }
    return false;
}

void CFrameWnd::ToggleBar(CControlBar* bar) {
    ShowWindow(bar->m_hWnd, bar->IsVisible() ? SW_HIDE : SW_SHOWNA);
    RecalcLayout();
}

void CFrameWnd::ActivateNextPane(bool previous) {
    std::vector<CView*> views = GetViews();
    views.erase(std::remove_if(views.begin(), views.end(),
                               [](CView* v) { return !IsWindowVisible(v->m_hWnd); }),
                views.end());
    if (views.empty()) return;
    auto it = std::find(views.begin(), views.end(), m_pActiveView);
    std::size_t index = it == views.end() ? 0 : static_cast<std::size_t>(it - views.begin());
    std::size_t count = views.size();
    index = previous ? (index + count - 1) % count : (index + 1) % count;
    SetActiveView(views[index], true);
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    if (!m_hWnd || m_bMenuOpen) return;
    for (CControlBar* bar : m_bars) {
        if (bar->IsVisible()) bar->OnUpdateCmdUI(this, true);
    }
}

void CFrameWnd::UpdateMenuPopup(HMENU popup) {
    // The recent-file list rebuilds its own items first, so that they are updated below.
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(popup, i);
        if (id == ID_FILE_MRU_FILE1) {
            if (CWinApp* app = CWinApp::Get()) app->UpdateRecentFileMenu(popup, i);
            count = GetMenuItemCount(popup);
            break;
        }
    }
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or sub-menu
        CMenuCmdUI ui(popup, static_cast<UINT>(i), id);
        if (!RouteCmdMsg(id, &ui)) ui.m_bEnabled = false;  // nobody runs it: grey it
        ui.Apply();
    }
}

void CFrameWnd::SetMessageText(const std::string& text) {
    if (m_pMessageBar && m_pMessageBar->m_hWnd) m_pMessageBar->SetPaneText(0, text);
}

std::string CFrameWnd::CommandPrompt(UINT id) {
    std::string text = LoadResourceString(id);
    std::size_t newline = text.find('\n');
    return newline == std::string::npos ? text : text.substr(0, newline);
}

std::string CFrameWnd::CommandTip(UINT id) {
    std::string text = LoadResourceString(id);
    std::size_t newline = text.find('\n');
    return newline == std::string::npos ? std::string() : text.substr(newline + 1);
}

void CFrameWnd::OnUpdateFrameTitle() {
    if (!m_hWnd) return;
    std::string title = CWinApp::Get()->GetFrameTitle();
    if (CDocument* doc = GetActiveDocument()) title = doc->GetTitle() + " - " + title;
    if (GetWindowText() != title) SetWindowText(title);
}

void CFrameWnd::RecalcLayout() {
    if (!m_hWnd) return;
    RECT rc = GetClientRect();
    int width = rc.right - rc.left;
    LONG top = rc.top, bottom = rc.bottom;
    for (CControlBar* bar : m_bars) {
        if (!bar->IsVisible() || bar->m_align != CControlBar::Align::Top) continue;
        int height = bar->CalcHeight(width);
        SetWindowPos(bar->m_hWnd, nullptr, 0, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        top += height;
    }
    for (CControlBar* bar : m_bars) {
        if (!bar->IsVisible() || bar->m_align != CControlBar::Align::Bottom) continue;
        int height = bar->CalcHeight(width);
        SetWindowPos(bar->m_hWnd, nullptr, 0, bottom - height, width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        bottom -= height;
    }
    if (HWND pane = GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST)) {
        SetWindowPos(pane, nullptr, 0, top, width, std::max<LONG>(bottom - top, 0),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CFrameWnd::OnDpiChanged(int dpi, const RECT& suggested) {
    const int old = WindowDpi(m_hWnd);
    NoteWindowDpi(m_hWnd, dpi);
    if (old != dpi) {
        for (CControlBar* bar : m_bars) bar->OnDpiChanged(old, dpi);
        for (CView* view : GetViews()) {
            if (view->m_hWnd) view->OnDpiChanged(old, dpi);
        }
    }
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RecalcLayout();
}

void CFrameWnd::EnterHelpMode() {
    m_bHelpMode = true;
    SetCursor(LoadCursor(nullptr, IDC_HELP));
}

void CFrameWnd::ExitHelpMode() {
    m_bHelpMode = false;
    POINT point;
    GetCursorPos(&point);
    SetCursorPos(point.x, point.y);  // lets the window under the cursor set its own again
}

bool CFrameWnd::PreTranslateMessage(MSG* msg) {
    if (m_bHelpMode && m_hWnd) {
        // In help mode the frame takes the clicks and keys that would act on its children.
        bool inFrame = msg->hwnd == m_hWnd || IsChild(m_hWnd, msg->hwnd);
        if (inFrame && msg->message == WM_SETCURSOR) {
            SetCursor(LoadCursor(nullptr, IDC_HELP));
            return true;
        }
        if (inFrame && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
            ExitHelpMode();
            return true;
        }
        if (inFrame && (msg->message == WM_LBUTTONDOWN || msg->message == WM_RBUTTONDOWN)) {
            // A toolbar button asks for its command's help; anywhere else ends the mode.
            wchar_t className[32] = L"";
            GetClassNameW(msg->hwnd, className, 32);
            if (msg->message == WM_LBUTTONDOWN && lstrcmpiW(className, TOOLBARCLASSNAMEW) == 0) {
                POINT point{static_cast<short>(LOWORD(msg->lParam)),
                            static_cast<short>(HIWORD(msg->lParam))};
                int index = static_cast<int>(
                    SendMessageW(msg->hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
                TBBUTTON button{};
                if (index >= 0 &&
                    SendMessageW(msg->hwnd, TB_GETBUTTON, index,
                                 reinterpret_cast<LPARAM>(&button)) &&
                    button.idCommand != 0) {
                    ExecuteCommand(static_cast<unsigned>(button.idCommand), false);
                    return true;
                }
            }
            ExitHelpMode();
            if (msg->message == WM_LBUTTONDOWN) CWinApp::Get()->ShowHelp();
            return true;
        }
    }
    // Keys typed into an edit box (a label being renamed) are the box's: Delete must delete a
    // character there, not the folder.
    if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN || msg->message == WM_CHAR) {
        wchar_t className[16] = L"";
        if (msg->hwnd && GetClassNameW(msg->hwnd, className, 16) &&
            lstrcmpiW(className, L"Edit") == 0 && GetParent(msg->hwnd) &&
            IsChild(m_hWnd, msg->hwnd) && !(GetKeyState(VK_MENU) & 0x8000)) {
            return false;
        }
    }
    return m_hAccel && m_hWnd && TranslateAcceleratorW(m_hWnd, m_hAccel, msg);
}

bool CFrameWnd::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (info->uFlags & TTF_IDISHWND) return false;
        static std::wstring tip;  // must outlive this call; the tooltip copies it at once
        tip = UiText(CommandTip(static_cast<UINT>(header->idFrom)));
        info->lpszText = &tip[0];
        result = 0;
        return true;
    }
    if (header->code == TBN_HOTITEMCHANGE) {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
        if (hot->dwFlags & HICF_LEAVING) {
            SetMessageText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
        } else {
            SetMessageText(CommandPrompt(static_cast<UINT>(hot->idNew)));
        }
        result = 0;
        return true;
    }
    return false;
}

void CFrameWnd::OnDropFiles(HDROP dropped) {
    CUniqueDrop drop(dropped);  // finished on every path
    const UINT count = DragQueryFileW(drop.Get(), 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    CRefusedNames refused;
    for (UINT i = 0; i < count; ++i) {
        // Asked for its length first: a long path arrives whole, never cut.
        const UINT length = DragQueryFileW(drop.Get(), i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        if (!DragQueryFileW(drop.Get(), i, &path[0], length + 1)) continue;
        path.resize(length);
        std::string name;
        if (PathToCp932(path, name)) {
            paths.push_back(name);
        } else {
            NoteRefusedName(path);
        }
    }
    drop.Reset();
    SetForegroundWindow(m_hWnd);
    ReportRefusedNames(refused.Names());
    // One after the other, in the order of the drop: the last one stays open.
    for (const std::string& path : paths) CWinApp::Get()->OpenDocumentFile(path);
}

void CFrameWnd::OnDocumentModified(bool modified) {
    if (!m_hWnd || modified == m_bBlockReason) return;
    if (modified) {
        ShutdownBlockReasonCreate(m_hWnd, UiText("保存されていない変更があります").c_str());
    } else {
        ShutdownBlockReasonDestroy(m_hWnd);
    }
    m_bBlockReason = modified;
}

LRESULT CFrameWnd::OnQueryEndSession(LPARAM flags) {
    CDocument* doc = GetActiveDocument();
    if (!doc) return TRUE;
    if (!(flags & (ENDSESSION_CRITICAL | ENDSESSION_CLOSEAPP))) {
        // Shutdown or sign-out: Windows ends the process without a WM_CLOSE, so unsaved edits
        // are offered here; cancel refuses the end.
        return doc->SaveModified() ? TRUE : FALSE;
    }
    // A forced end or the Restart Manager: a question would be covered by Windows' own screen
    // and the process ended with it still up. The edits go to a recovery copy, never over the
    // document's own file, and the end is agreed to at once.
    if (!doc->IsModified()) return TRUE;
    std::string copy, error;
    if (WriteRecoveryCopy(*doc, CWinApp::Get()->GetRecoveryFolder(), copy, error)) {
        m_strRecoveryCopy = copy;
        return TRUE;
    }
    // Nowhere to keep the edits: the Restart Manager may be refused; a critical end may not.
    return (flags & ENDSESSION_CRITICAL) ? TRUE : FALSE;
}

bool CFrameWnd::OnCommand(UINT id, UINT code) {
    // Accelerators say 1; menus and toolbar buttons send 0 (BN_CLICKED).
    if (code > 1) return false;
    ExecuteCommand(id, code == 1);
    return true;
}

bool CFrameWnd::OnSize(UINT type, int, int) {
    // A minimised frame keeps its panes as they were: laid out in no space at all they would
    // shrink to nothing, and be stored so at closing.
    if (type != SIZE_MINIMIZED) RecalcLayout();
    return true;
}

void CFrameWnd::OnDestroy() {
    if (m_bBlockReason) ShutdownBlockReasonDestroy(m_hWnd);
    m_bBlockReason = false;
}

bool CFrameWnd::OnClose() {
    if (CDocument* doc = GetActiveDocument()) {
        if (!doc->SaveModified()) return true;  // cancelled: the window stays
    }
    DestroyWindow();
    return true;
}

LRESULT CFrameWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
        case WM_INITMENUPOPUP:
            if (!HIWORD(lParam)) UpdateMenuPopup(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_ENTERMENULOOP:
            m_bMenuOpen = true;
            break;
        case WM_EXITMENULOOP:
            m_bMenuOpen = false;
            SetMessageText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
            break;
        case WM_MENUSELECT: {
            UINT flags = HIWORD(wParam);
            if (flags == 0xFFFF && lParam == 0) break;  // the menu is closing
            if (!(flags & (MF_POPUP | MF_SEPARATOR))) {
                SetMessageText(CommandPrompt(LOWORD(wParam)));
            } else {
                SetMessageText("");
            }
            return 0;
        }
        case WM_SETFOCUS:
            if (m_pActiveView && m_pActiveView->m_hWnd && IsWindowVisible(m_pActiveView->m_hWnd)) {
                SetFocus(m_pActiveView->m_hWnd);
                return 0;
            }
            break;
        case WM_DPICHANGED:
            OnDpiChanged(DpiChangedDpi(wParam), DpiChangedRect(m_hWnd, lParam));
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_COPYDATA:
            if (lParam && OnFileQuery(*reinterpret_cast<const COPYDATASTRUCT*>(lParam))) return TRUE;
            break;
        case WM_NCDESTROY:
            // After the children, which may store sizes at their DPI as they go.
            ForgetWindowDpi(m_hWnd);
            break;
        case WM_QUERYENDSESSION:
            return OnQueryEndSession(lParam);
        case WM_ENDSESSION:
            if (!wParam) {
                // The end was refused after all: the edits stay here, and a copy left behind
                // would be offered later with edits the user may since have given up.
                if (!m_strRecoveryCopy.empty()) DeleteFileW(ToWide(m_strRecoveryCopy).c_str());
                m_strRecoveryCopy.clear();
                return 0;
            }
            // The edits were saved, kept in a recovery copy or given up at the question; what
            // the window keeps at its destruction (the layout) is kept now, before the process
            // is ended.
            if (wParam) DestroyWindow();
            return 0;
    }
    return CWnd::WndProc(msg, wParam, lParam);
}
