#include "fw/WinApp.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "fw/CmdUI.h"
#include "fw/Document.h"
#include "fw/FrameWnd.h"
#include "fw/Ids.h"
#include "fw/ProfileStore.h"
#include "fw/Recovery.h"
#include "fw/SingleDocTemplate.h"
#include "model/Mbcs.h"
#include "win/Strconv.h"

namespace {
CWinApp* g_app = nullptr;
}  // namespace

void InitPlatform() {
    // Results ignored: without OLE only the clipboard and drag and drop are missing, and the
    // common controls answer the classes asked for or the windows fail to be created.
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
}

std::string FullPathName(const std::string& path) {
    wchar_t full[MAX_PATH * 2] = L"";
    const DWORD room = MAX_PATH * 2;
    DWORD length = GetFullPathNameW(ToWide(path).c_str(), room, full, nullptr);
    std::string named;
    if (length > 0 && length < room && PathToCp932(std::wstring(full, length), named)) return named;
    return path;
}

std::string LoadResourceString(UINT id) {
    // With a zero length LoadString hands out a pointer to the resource's UTF-16 text.
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    // Kept as the program keeps its own texts, whatever the system's code page.
    return UiFromWide(std::wstring(text, static_cast<std::size_t>(length)));
}

CWinApp::CWinApp() {
    g_app = this;
    m_hInstance = GetModuleHandleW(nullptr);
    m_strAppTitle = LoadResourceString(AFX_IDS_APP_TITLE);
}

CWinApp::~CWinApp() {
    m_pDocTemplate.reset();
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Get() {
    return g_app;
}

void CWinApp::LoadStdProfileSettings(int recentCount) {
    m_pRecentFileList =
        std::make_unique<CRecentFileList>("Recent File List", "File%d", recentCount);
    if (m_pProfileStore) m_pRecentFileList->ReadList(*m_pProfileStore);
}

std::string CWinApp::GetFrameTitle() const {
    std::string title = m_pDocTemplate
                            ? m_pDocTemplate->GetDocString(CSingleDocTemplate::windowTitle)
                            : std::string();
    return title.empty() ? m_strAppTitle : title;
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) {
    m_pDocTemplate = std::move(docTemplate);
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path) {
    if (!m_pDocTemplate) return nullptr;
    // The collection already open is only brought forward: reading it again from disk would
    // throw away what was changed since it was saved.
    if (CDocument* open = m_pDocTemplate->GetDocument()) {
        if (!open->GetPathName().empty() &&
            mbcs::ToLower(FullPathName(path)) == mbcs::ToLower(open->GetPathName())) {
            if (CFrameWnd* frame = m_pDocTemplate->GetFrame()) {
                if (IsIconic(frame->m_hWnd)) ShowWindow(frame->m_hWnd, SW_RESTORE);
                SetForegroundWindow(frame->m_hWnd);
            }
            return open;
        }
    }
    // Open in another editor of ours: that one comes forward, rather than two editors on one
    // file where the later save would silently win.
    if (CFrameWnd::BringForwardFrameOf(path)) return m_pDocTemplate->GetDocument();
    return m_pDocTemplate->OpenDocumentFile(path);
}

void CWinApp::OfferRecoveryCopy() {
    CDocument* doc = m_pDocTemplate ? m_pDocTemplate->GetDocument() : nullptr;
    if (!doc) return;
    const std::string copy = RecoveryCopyPath(m_strRecoveryFolder, doc->GetPathName());
    const std::wstring wideCopy = ToWide(copy);
    if (copy.empty() || GetFileAttributesW(wideCopy.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    const std::string question =
        (doc->GetPathName().empty()
             ? std::string("前回 Windows が終了したとき、新しいコレクションの保存されていない変更が残されました。")
             : doc->GetPathName() + " の保存されていない変更が、前回 Windows が終了したときに残されました。") +
        "\n復元しますか?";
    if (DoMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        DeleteFileW(wideCopy.c_str());
        return;
    }
    if (!m_pDocTemplate->RestoreDocument(copy)) {
        DoMessageBox("保存されていなかった変更を復元できませんでした。その内容は次のファイルに残してあります:\n" + copy,
                     MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The edits are the document's now, marked unsaved; a later forced end writes them anew.
    DeleteFileW(wideCopy.c_str());
}

void CWinApp::CloseAllDocuments() {
    if (m_pDocTemplate) m_pDocTemplate->CloseAll();
}

void CWinApp::OnFileNew() {
    if (m_pDocTemplate) m_pDocTemplate->OpenDocumentFile(std::string());
}

void CWinApp::OnFileOpen() {
    std::string name;
    if (!DoPromptFileName(name, true, m_pDocTemplate.get())) return;
    OpenDocumentFile(name);
}

void CWinApp::AddToRecentFileList(const std::string& path) {
    if (!m_pRecentFileList) return;
    m_pRecentFileList->Add(path);
    WriteRecentFileList();
}

void CWinApp::WriteRecentFileList() {
    // Written at once rather than at exit: the changer window reads the same values.
    if (!m_pProfileStore) return;
    m_pProfileStore->ClearSection(m_pRecentFileList->Section());
    m_pRecentFileList->WriteList(*m_pProfileStore);
}

void CWinApp::UpdateRecentFileMenu(HMENU popup, int first) {
    if (!m_pRecentFileList) return;
    // Remove the items of the last update (or the placeholder).
    for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_LAST; ++id) {
        DeleteMenu(popup, id, MF_BYCOMMAND);
    }
    const auto& items = m_pRecentFileList->Items();
    if (items.empty()) {
        InsertMenuW(popup, static_cast<UINT>(first), MF_BYPOSITION | MF_STRING | MF_GRAYED,
                    ID_FILE_MRU_FILE1, UiText("最近使ったﾌｧｲﾙ").c_str());
        return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string text = CRecentFileList::MenuText(static_cast<int>(i), items[i]);
        InsertMenuW(popup, static_cast<UINT>(first) + static_cast<UINT>(i),
                    MF_BYPOSITION | MF_STRING, ID_FILE_MRU_FILE1 + i, UiText(text).c_str());
    }
}

bool CWinApp::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_FILE_NEW:
            if (!ui) OnFileNew();
            return true;
        case ID_FILE_OPEN:
            if (!ui) OnFileOpen();
            return true;
        case ID_APP_EXIT:
            if (!ui && m_pMainWnd) PostMessageW(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
            return true;
        case ID_HELP_INDEX:
        case ID_HELP_FINDER:
        case ID_HELP:
            if (!ui) ShowHelp();
            return true;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST && m_pRecentFileList) {
        int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
        const auto& items = m_pRecentFileList->Items();
        if (ui) {
            ui->Enable(index < static_cast<int>(items.size()));
            return true;
        }
        if (index >= static_cast<int>(items.size())) return true;
        std::string path = items[static_cast<std::size_t>(index)];
        // A file that cannot be opened any more leaves the list.
        if (!OpenDocumentFile(path) &&
            GetFileAttributesW(ToWide(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
            m_pRecentFileList->Remove(index);
            WriteRecentFileList();
        }
        return true;
    }
    return false;
}

std::string CWinApp::GetHelpPath() const {
    std::string dir = ModulePath();
    dir.erase(mbcs::LastComponentStart(dir));
    return dir + m_strAppTitle + ".html";
}

bool CWinApp::ShowHelp() {
    std::string path = GetHelpPath();
    if (m_helpHook) return m_helpHook(path);
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    const std::wstring widePath = ToWide(path);
    if (GetFileAttributesW(widePath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(owner, L"open", widePath.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) return true;
    }
    DoMessageBox("ﾍﾙﾌﾟ ﾌｧｲﾙ " + path + " を開けません。", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

int CWinApp::DoMessageBox(const std::string& text, UINT type) {
    if (m_messageBoxHook) return m_messageBoxHook(text, type);
    return DoMessageBox(UiText(text), type);
}

int CWinApp::DoMessageBox(const std::wstring& text, UINT type) {
    if (m_messageBoxHook) return m_messageBoxHook(UiFromWide(text), type);
    // The box belongs to the window the user works in (a dialog over the frame, say), so that
    // it is disabled while the box is up and gets the focus back afterwards.
    HWND owner = GetActiveWindow();
    if (!owner && m_pMainWnd) owner = GetLastActivePopup(m_pMainWnd->m_hWnd);
    if (owner && !IsWindowVisible(owner)) owner = nullptr;
    return MessageBoxUi(owner, text, m_strAppTitle, type | MB_TASKMODAL);
}

void ReportRefusedNames(const std::vector<std::wstring>& names) {
    if (names.empty()) return;
    if (CWinApp* app = CWinApp::Get()) {
        app->DoMessageBox(RefusedNamesMessage(names), MB_OK | MB_ICONEXCLAMATION);
    }
}

bool CWinApp::DoPromptFileName(std::string& name, bool open, CSingleDocTemplate* docTemplate) {
    if (m_fileDialogHook) return m_fileDialogHook(name, open);
    std::string filter;
    std::string ext;
    if (docTemplate) {
        std::string filterName = docTemplate->GetDocString(CSingleDocTemplate::filterName);
        ext = docTemplate->GetDocString(CSingleDocTemplate::filterExt);
        if (!filterName.empty() && !ext.empty()) {
            filter += filterName;
            filter += '\0';
            filter += "*" + ext;
            filter += '\0';
        }
    }
    filter += LoadResourceString(AFX_IDS_ALLFILTER);
    filter += '\0';
    filter += "*.*";
    filter += '\0';
    std::vector<wchar_t> buffer(MAX_PATH * 2, L'\0');
    const std::wstring wideName = ToWide(name);
    wideName.copy(buffer.data(), std::min(wideName.size(), buffer.size() - 1));
    // The filter's parts are separated by NULs: converted whole, by its length.
    const std::wstring wideFilter = UiText(filter);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    ofn.lpstrFilter = wideFilter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    std::wstring defExt = ext.size() > 1 ? UiText(ext.substr(1)) : std::wstring();
    ofn.lpstrDefExt = defExt.empty() ? nullptr : defExt.c_str();
    ofn.Flags =
        OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    BOOL ok = open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (!ok) return false;
    std::string chosen;
    if (!PathToCp932(buffer.data(), chosen)) {
        DoMessageBox(RefusedNamesMessage({buffer.data()}), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    name = chosen;
    return true;
}

bool CWinApp::HandleOneMessage(MSG& msg) {
    if (!GetMessageW(&msg, nullptr, 0, 0)) return false;
    bool handled = false;
    // A filter that throws has had its say: the message is not handled twice.
    if (!CallGuarded([&] { handled = PreTranslateMessage(&msg); })) handled = true;
    if (!handled) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

bool CWinApp::PumpMessage() {
    MSG msg;
    if (!HandleOneMessage(msg)) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the outer loop too
        return false;
    }
    return true;
}

bool CWinApp::PreTranslateMessage(MSG* msg) {
    // The filters first: a key typed in a modeless window is that window's, not a shortcut
    // of the main window's. A copy: a filter may close its window, and so leave the list.
    std::vector<CWnd*> filters = m_filters;
    for (CWnd* wnd : filters) {
        if (wnd != m_pMainWnd && wnd->PreTranslateMessage(msg)) return true;
    }
    return m_pMainWnd && m_pMainWnd->PreTranslateMessage(msg);
}

void CWinApp::AddMessageFilter(CWnd* wnd) {
    if (std::find(m_filters.begin(), m_filters.end(), wnd) == m_filters.end())
        m_filters.push_back(wnd);
}

void CWinApp::RemoveMessageFilter(CWnd* wnd) {
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), wnd), m_filters.end());
}

bool CWinApp::OnIdle(long count) {
    if (count == 0) {
        if (m_pMainWnd) m_pMainWnd->OnIdleUpdateCmdUI();
        std::vector<CWnd*> filters = m_filters;
        for (CWnd* wnd : filters) {
            if (wnd != m_pMainWnd) wnd->OnIdleUpdateCmdUI();
        }
    }
    return false;
}

int CWinApp::Run() {
    MSG msg;
    for (;;) {
        long idleCount = 0;
        bool more = true;
        while (more && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // A handler that throws at idle is reported; idling stops until the next message.
            if (!CallGuarded([&] { more = OnIdle(idleCount++); })) more = false;
        }
        do {
            if (!HandleOneMessage(msg)) return static_cast<int>(msg.wParam);
        } while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

void ReportUnexpectedException(const char* what) noexcept {
    try {
        std::string text = "予期しないエラーが発生しました。\n";
        text += what ? what : "";
        if (CWinApp* app = CWinApp::Get()) {
            app->DoMessageBox(text, MB_OK | MB_ICONSTOP);
        } else {
            MessageBoxW(nullptr, UiText(text).c_str(), nullptr, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
        }
    } catch (...) {
        // Out of memory while reporting, or a message box hook that throws: nothing is left
        // to tell the user with, and nothing may cross into Windows.
    }
}
