#include "app/PelorandApp.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>

#include "app/RegistrySettingsStore_win.h"
#include "changer/PelorandChanger_win.h"
#include "changer/WallpaperStyle_win.h"
#include "doc/PelorandDoc.h"
#include "fw/FrameWnd.h"
#include "fw/Recovery.h"
#include "fw/SingleDocTemplate.h"
#include "model/Block.h"
#include "model/FontRecord_win.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

FontRecord GuiFont() {
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return ToFontRecord(lf);
}

// Defaults that come from the system rather than the settings table.
SettingHooks SystemHooks() {
    SettingHooks hooks;
    hooks.windowColor = [] { return static_cast<int>(GetSysColor(COLOR_WINDOW)); };
    hooks.windowTextColor = [] { return static_cast<int>(GetSysColor(COLOR_WINDOWTEXT)); };
    hooks.dialogFont = GuiFont;
    // The information window's default place: the work area, not the whole screen, so that
    // it never lies under the taskbar.
    hooks.desktop = [] {
        RECT rc{};
        if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0)) {
            GetWindowRect(GetDesktopWindow(), &rc);
        }
        return DesktopRect{rc.left, rc.top, rc.right, rc.bottom};
    };
    return hooks;
}

// Sets a key's default text; true only when the stored text really changed.
bool UpdateRegistryText(const std::string& key, const std::string& value) {
    CUniqueKey handle;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ToWide(key).c_str(), 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, handle.Put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring wide = ToWide(value);
    wchar_t old[1024] = L"";
    DWORD type = 0, size = sizeof old - sizeof(wchar_t);
    bool same = RegQueryValueExW(handle.Get(), nullptr, nullptr, &type,
                                 reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS &&
                type == REG_SZ && wide == old;
    LONG rc = same ? ERROR_SUCCESS
                   : RegSetValueExW(handle.Get(), nullptr, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(wide.c_str()),
                                    static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    return !same && rc == ERROR_SUCCESS;
}

}  // namespace

CPelorandApp::CPelorandApp() {
    // Every wallpaper set in this process, by the changer or the editor, takes the fit chosen
    // in the options at that moment.
    SetWallpaperFitSource([] {
        CPelorandApp* app = Get();
        return app ? app->Settings().GetInt(setting::FitType) : 0;
    });
}

CPelorandApp::~CPelorandApp() {
    SetWallpaperFitSource(nullptr);
    // The document template's windows may still write settings as they close.
    CloseAllDocuments();
    SetProfileStore(nullptr);
}

void CPelorandApp::SetRegistryKey(const std::string& company) {
    m_pStore = std::make_unique<CRegistrySettingsStore>(company, AppTitle());
    m_pSettings = std::make_unique<CSettings>(*m_pStore, SystemHooks());
    SetProfileStore(m_pStore.get());
}

CSettings& CPelorandApp::Settings() {
    if (!m_pSettings) SetRegistryKey("Local AppWizard-Generated Applications");
    return *m_pSettings;
}

CRegistrySettingsStore& CPelorandApp::Store() {
    Settings();
    return *m_pStore;
}

std::string CPelorandApp::FileToOpen(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!argv[i] || !argv[i][0]) continue;
        if (argv[i][0] == L'/' || argv[i][0] == L'-') continue;
        std::string file;
        if (!PathToCp932(argv[i], file)) NoteRefusedName(argv[i]);
        return file;
    }
    return {};
}

bool CPelorandApp::InitInstance() {
    InitPlatform();
    SetRegistryKey("Tesmarin");
    LoadStdProfileSettings(8);
    SetRecoveryFolder(DefaultRecoveryFolder("Pelorand"));
    std::string file;
    {
        // The wide command line: the multibyte one would hold a look-alike of a name the
        // system's code page cannot hold.
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        CUniqueLocal owner(argv);
        CRefusedNames refused;
        if (argv) file = FileToOpen(argc, argv);
        ReportRefusedNames(refused.Names());
    }
    // The file is open in another window already: that one comes forward instead.
    if (!file.empty() && CFrameWnd::BringForwardFrameOf(file)) return false;
    if (!RunChangerPhase(file)) return false;
    AddPelorandTemplate();
    RegisterShellFileTypes();
    if (file.empty() && !m_strChangerEditFile.empty()) {
        if (!CreateEditor(m_strChangerEditFile)) return false;
        SelectChangerEntry();
        return true;
    }
    return CreateEditor(file);
}

bool CPelorandApp::RunChangerPhase(const std::string& file) {
    if (!file.empty() || Settings().GetInt(setting::ExeCuteCheck) == 0) return true;
    INT_PTR result = 0;
    {
        // Ending the window object stops the changer and sets the end wallpaper, whichever
        // way the window was left.
        CPelorandChanger changer(Settings());
        result = changer.DoModal();
        m_strChangerEditFile = changer.GetEditFile();
        m_changerEditEntry = changer.GetEditEntry();
    }
    return result != IDCANCEL;
}

void CPelorandApp::SelectChangerEntry() {
    CSingleDocTemplate* docTemplate = GetDocTemplate();
    auto* doc = docTemplate ? dynamic_cast<CPelorandDoc*>(docTemplate->GetDocument()) : nullptr;
    if (!doc || !doc->m_pRoot || m_changerEditEntry.empty()) return;
    // The same file read again: the same indexes lead to the same entry, unless it was
    // changed meanwhile, when the walk stops at the deepest folder it still finds.
    CBlock* folder = doc->m_pRoot;
    CBlock* entry = nullptr;
    for (std::size_t i = 0; i < m_changerEditEntry.size(); ++i) {
        const int index = m_changerEditEntry[i];
        if (index < 0 || index >= folder->m_Children.GetCount()) break;
        CBlock* child = folder->m_Children.GetAtIndex(index);
        if (i + 1 < m_changerEditEntry.size()) {
            if (!child->m_bFolder) break;
            folder = child;
        } else {
            entry = child;
        }
    }
    doc->SelectFolder(folder);
    auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd);
    CPelorandListView* listView = frame ? frame->GetActiveList() : nullptr;
    if (!entry || !listView) return;
    HWND list = listView->m_hWnd;
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        if (listView->GetEntry(row) != entry) continue;
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
        break;
    }
}

void CPelorandApp::AddPelorandTemplate() {
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [this] { return std::make_unique<CPelorandDoc>(Settings()); },
        [this] { return std::make_unique<CMainFrame>(Settings()); }));
}

bool CPelorandApp::CreateEditor(const std::string& path) {
    if (!GetDocTemplate()) AddPelorandTemplate();
    if (!GetDocTemplate()->OpenDocumentFile(path, false)) return false;
    m_pMainWnd = GetDocTemplate()->GetFrame();
    ShowWindow(m_pMainWnd->m_hWnd, SW_SHOWNORMAL);
    UpdateWindow(m_pMainWnd->m_hWnd);
    DragAcceptFiles(m_pMainWnd->m_hWnd, TRUE);
    // Edits a forced end of the last session kept aside come back to the collection now open.
    OfferRecoveryCopy();
    return true;
}

void CPelorandApp::RegisterShellFileTypes() {
    CSingleDocTemplate* docTemplate = GetDocTemplate();
    std::string typeId = "Pelorand.Document", typeName = "Pelorand Document", ext = ".plr";
    if (docTemplate) {
        typeId = docTemplate->GetDocString(CSingleDocTemplate::regFileTypeId);
        typeName = docTemplate->GetDocString(CSingleDocTemplate::regFileTypeName);
        ext = docTemplate->GetDocString(CSingleDocTemplate::filterExt);
    }
    wchar_t exePath[MAX_PATH] = L"", tempPath[MAX_PATH + 2] = L"";
    DWORD exeLength = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    DWORD tempLength = GetTempPathW(MAX_PATH + 2, tempPath);
    if (exeLength > 0 && exeLength < MAX_PATH && tempLength > 0 && tempLength <= MAX_PATH + 1 &&
        IsInsideFolder(exePath, tempPath)) {
        return;
    }
    const std::string exe = ModulePath();
    if (exe.empty()) return;  // a path CP932 cannot name would open nothing
    const std::string classes = "Software\\Classes\\";
    bool changed = UpdateRegistryText(classes + ext, typeId);
    changed |= UpdateRegistryText(classes + typeId, typeName);
    changed |= UpdateRegistryText(classes + typeId + "\\DefaultIcon", std::string(exe) + ",0");
    changed |= UpdateRegistryText(classes + typeId + "\\shell\\open\\command",
                                  "\"" + std::string(exe) + "\" \"%1\"");
    // Tell the shell only when something changed: the notice makes it reload every association.
    if (changed) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

bool CPelorandApp::IsInsideFolder(const std::wstring& path, const std::wstring& folder) {
    // Both as full long paths: the temporary folder is often given in its short form.
    auto normal = [](const std::wstring& in) {
        std::wstring out = in;
        DWORD length = GetFullPathNameW(in.c_str(), 0, nullptr, nullptr);
        if (length > 0) {
            std::wstring full(length, L'\0');
            length = GetFullPathNameW(in.c_str(), length, &full[0], nullptr);
            if (length > 0 && length < full.size()) out.assign(full, 0, length);
        }
        DWORD longLength = GetLongPathNameW(out.c_str(), nullptr, 0);
        if (longLength > 0) {
            std::wstring longPath(longLength, L'\0');
            longLength = GetLongPathNameW(out.c_str(), &longPath[0], longLength);
            if (longLength > 0 && longLength < longPath.size()) out.assign(longPath, 0, longLength);
        }
        while (!out.empty() && (out.back() == L'\\' || out.back() == L'/')) out.pop_back();
        return out;
    };
    const std::wstring inner = normal(path), outer = normal(folder);
    if (outer.empty() || inner.size() <= outer.size()) return false;
    if (inner[outer.size()] != L'\\' && inner[outer.size()] != L'/') return false;
    return CompareStringOrdinal(inner.c_str(), static_cast<int>(outer.size()), outer.c_str(),
                                static_cast<int>(outer.size()), TRUE) == CSTR_EQUAL;
}

bool CPelorandApp::OnCmdMsg(unsigned id, CCmdUI* ui) {
    if (id == ID_APP_ABOUT) {
        if (!ui) {
            CAboutDlg dialog;
            dialog.DoModal();
        }
        return true;
    }
    return CWinApp::OnCmdMsg(id, ui);
}
