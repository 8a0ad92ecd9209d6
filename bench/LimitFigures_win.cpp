// Figures for what hostile sizes cost the editor, run by hand under Wine (never part of the
// tests): numpad * on a chain of nested folders, and the properties dialog and the author
// list over a stored list of many author slots. Arguments: the depths, e.g. 20000 80000.
// "authors N" instead times the dialogs over N author slots.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/PelorandApp.h"
#include "app/RegistrySettingsStore_win.h"
#include "doc/PelorandDoc.h"
#include "fw/SingleDocTemplate.h"
#include "model/AuthorList.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/CreaterListDlg.h"
#include "ui/MainFrame.h"
#include "ui/PropertyDlg.h"
#include "views/PelorandTreeView.h"
#include "win/Handles.h"

#include "bench/FigureKit_win.h"

namespace {

void ExpandChain(FigureApp& app, int depth, const std::string& temp) {
    std::string deep = temp + "pelorand_figures_chain.plr";
    {
        std::FILE* out = std::fopen(deep.c_str(), "wb");
        for (int i = 0; i < depth; ++i) std::fputs("FILE{\r\n", out);
        std::fclose(out);
    }
    if (!app.CreateEditor(deep)) return;
    PumpOnce(app);
    auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    auto* tree = dynamic_cast<CPelorandTreeView*>(frame->GetViews()[0]);
    tree->SelectItem(tree->GetRootItem());
    auto start = FigureClock::now();
    SendMessageA(tree->m_hWnd, WM_KEYDOWN, VK_MULTIPLY, 0);
    const double opened = Seconds(start);
    start = FigureClock::now();
    PumpOnce(app);
    std::printf("numpad * on a chain of %d folders: %.3f s (then drawn: %.3f s), %u items\n",
                depth, opened, Seconds(start), static_cast<unsigned>(tree->GetCount()));
    app.GetDocTemplate()->CloseAll();
    DeleteFileA(deep.c_str());
}

void OpenAuthorDialogs(FigureApp& app, int slots) {
    // Straight into the key, one open for all, so that setting up is not what is measured.
    const std::string keyPath = app.Store().KeyPath("Option\\Creater");
    CUniqueKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < slots; ++i) {
        char name[32], value[32];
        std::snprintf(name, sizeof name, "Creater%04d", i);
        std::snprintf(value, sizeof value, "author %d", slots - i);
        RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(std::strlen(value) + 1));
    }
    DWORD count = static_cast<DWORD>(slots);
    RegSetValueExA(key.Get(), "CreaterCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                   sizeof count);
    key.Reset();

    auto start = FigureClock::now();
    std::size_t read = ReadAuthors(app.Settings()).size();
    std::printf("reading %d author slots: %.3f s (%u names)\n", slots, Seconds(start),
                static_cast<unsigned>(read));
    CBlock entry;
    entry.m_strName = "x.jpg";
    entry.SetTexts("author 7", "?", nullptr);
    {
        CPropertyDlg dialog(app.Settings());
        dialog.m_pBlock = &entry;
        start = FigureClock::now();
        dialog.Create();
        const int shown = static_cast<int>(
            SendMessageA(dialog.GetDlgItem(IDC_PROP_AUTHOR), CB_GETCOUNT, 0, 0));
        std::printf("properties dialog over %d author slots: %.3f s (%d names shown)\n", slots,
                    Seconds(start), shown);
        dialog.DestroyWindow();
    }
    {
        CCreaterListDlg dialog(app.Settings());
        start = FigureClock::now();
        dialog.Create();
        std::printf("author list dialog over %d author slots: %.3f s (%u names shown)\n", slots,
                    Seconds(start), static_cast<unsigned>(dialog.GetListedNames().size()));
        dialog.DestroyWindow();
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    InitPlatform();
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    FigureApp app;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "authors" && i + 1 < argc) {
            OpenAuthorDialogs(app, std::atoi(argv[++i]));
        } else {
            ExpandChain(app, std::atoi(argv[i]), temp);
        }
        std::fflush(stdout);
    }
    return 0;
}
