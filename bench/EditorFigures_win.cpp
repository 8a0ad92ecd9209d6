// Figures for the editor, run by hand under Wine (never part of the tests):
//  - start to an idle window with a collection of 100,000 entries;
//  - the editor's memory per entry with 1,000,000 entries in 10,000 folders;
//  - ShowFolder of a folder of 10,000 entries;
//  - 1,000,000 files in one folder: start to idle, listing them, closing;
//  - 1,000,000 nested folders (a file of "FILE{" lines): start to idle, closing;
//  - importing a disk folder of 10,000 images in 100 sub-folders;
//  - copying and pasting, then deleting, a folder of 100,000 entries, and undoing and redoing
//    the delete, with the memory the edit history holds.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/PelorandApp.h"
#include "bench/ProcessMemory_win.h"
#include "doc/PelorandDoc.h"
#include "fw/SingleDocTemplate.h"
#include "model/Block.h"
#include "model/CollectionFile.h"
#include "win/Handles.h"

#include "bench/FigureKit_win.h"
#include "win/Strconv.h"

namespace {

// folders x files entries, files named after an existing file so that the shell has work.
void WriteCollection(const std::string& path, int folders, int files, const std::string& file) {
    std::FILE* out = OpenStdioFile(path, "wb");
    std::fputs("FILE{\r\nNAME\t\"root\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n", out);
    for (int f = 0; f < folders; ++f) {
        std::fprintf(out, "FILE{\r\nNAME\t\"folder %d\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n", f);
        for (int i = 0; i < files; ++i) {
            std::fprintf(out, "DATA\t\"%s\",\"%d\",\"author %d\",\"?\",\"0\",\"1\"\r\n",
                         file.c_str(), i % 5, i % 7);
        }
        std::fputs("}FILE\r\n", out);
    }
    std::fputs("}FILE\r\n", out);
    std::fclose(out);
}

}  // namespace

int main() {
    InitPlatform();
    const std::string temp = TempFolderPath();
    wchar_t windir[MAX_PATH] = L"";
    GetWindowsDirectoryW(windir, MAX_PATH);
    std::string existing = UiFromWide(windir) + "\\notepad.exe";

    {
        // What destroying any visible top-level window costs here, as a yardstick.
        HWND plain = CreateWindowExW(0, L"STATIC", L"x", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                     200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        auto begin = std::chrono::steady_clock::now();
        DestroyWindow(plain);
        std::printf("destroying a plain visible top-level window: %.3f s\n", Seconds(begin));
    }
    FigureApp app;

    auto start = std::chrono::steady_clock::now();
    if (!app.CreateEditor("")) return 1;
    PumpOnce(app);
    std::printf("start to idle, new collection: %.3f s\n", Seconds(start));
    start = std::chrono::steady_clock::now();
    app.GetDocTemplate()->CloseAll();
    std::printf("  closing: %.3f s\n", Seconds(start));

    {
        // Private memory before and after opening a million entries.
        std::string path = std::string(temp) + "pelorand_figures_mem.plr";
        {
            // The shape of the core's benchmark collection, so that the figures compare.
            std::FILE* out = OpenStdioFile(path, "wb");
            std::fputs("FILE{\r\nNAME\t\"root\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n", out);
            for (long d = 0; d < 10000; ++d) {
                std::fprintf(out,
                             "FILE{\r\nNAME\t\"folder %05ld\",\"%ld\",\"author%ld\",\"?\",\"%ld\","
                             "\"1\"\r\n",
                             d, d % 5, d % 7, d % 2);
                for (long e = 0; e < 100; ++e) {
                    std::fprintf(out,
                                 "DATA\t\"C:\\Users\\me\\Pictures\\wall\\f%05ld\\img%07ld.jpg\","
                                 "\"%ld\",\"?\",\"?\",\"0\",\"1\"\r\n",
                                 d, d * 100 + e, e % 5);
                }
                std::fputs("}FILE\r\n", out);
            }
            std::fputs("}FILE\r\n", out);
            std::fclose(out);
        }
        double before = PrivateMegabytes();
        {
            // The collection alone, read below a root as the changer reads it.
            CBlock root;
            RecordReadContext context;
            ReadCollectionFile(path, context, &root);
            std::printf("memory with the same collection read alone: %.1f bytes an entry\n",
                        (PrivateMegabytes() - before) * 1024 * 1024 / 1010001.0);
        }
        before = PrivateMegabytes();
        if (!app.CreateEditor(path)) return 1;
        PumpOnce(app);
        const double after = PrivateMegabytes();
        std::printf(
            "memory with 1,000,000 entries in 10,000 folders open: %.1f MB more, "
            "%.1f bytes an entry\n",
            after - before, (after - before) * 1024 * 1024 / 1010001.0);
        app.GetDocTemplate()->CloseAll();
        DeleteFileW(ToWide(path).c_str());
    }

    std::string big = std::string(temp) + "pelorand_figures_100k.plr";
    WriteCollection(big, 1000, 100, existing);
    start = std::chrono::steady_clock::now();
    if (!app.CreateEditor(big)) return 1;
    PumpOnce(app);
    std::printf("start to idle, 100,000 entries in 1,000 folders: %.3f s\n", Seconds(start));
    app.GetDocTemplate()->CloseAll();

    std::string wide = std::string(temp) + "pelorand_figures_10k.plr";
    for (const std::string& name : {existing, std::string("C:\\no\\such\\file.jpg")}) {
        WriteCollection(wide, 1, 10000, name);
        if (!app.CreateEditor(wide)) return 1;
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        CBlock* folder = doc->m_pRoot->m_Children.GetAtIndex(0);
        start = std::chrono::steady_clock::now();
        doc->ShowFolder(folder);
        const double filled = Seconds(start);
        // The rows in sight ask the shell for their names and icons as they are drawn.
        PumpOnce(app);
        std::printf("ShowFolder of 10,000 entries (%s): %.3f s, visible rows drawn after %.3f s\n",
                    name == existing ? "existing file" : "missing file", filled, Seconds(start));
        app.GetDocTemplate()->CloseAll();
    }
    std::string million = std::string(temp) + "pelorand_figures_1m.plr";
    WriteCollection(million, 1, 1000000, existing);
    start = std::chrono::steady_clock::now();
    if (!app.CreateEditor(million)) return 1;
    PumpOnce(app);
    std::printf("start to idle, 1,000,000 files in one folder: %.3f s\n", Seconds(start));
    {
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        start = std::chrono::steady_clock::now();
        doc->ShowFolder(doc->m_pRoot->m_Children.GetAtIndex(0));
        PumpOnce(app);
        std::printf("  listing the 1,000,000 files, drawn: %.3f s\n", Seconds(start));
    }
    {
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        start = std::chrono::steady_clock::now();
        doc->DeleteContents();
        std::printf("  views emptied: %.3f s\n", Seconds(start));
        start = std::chrono::steady_clock::now();
        delete doc->m_pRoot;
        doc->m_pRoot = nullptr;
        std::printf("  tree freed: %.3f s\n", Seconds(start));
    }
    start = std::chrono::steady_clock::now();
    app.GetDocTemplate()->CloseAll();
    std::printf("  closing: %.3f s\n", Seconds(start));
    DeleteFileW(ToWide(million).c_str());

    std::string deep = std::string(temp) + "pelorand_figures_deep.plr";
    {
        std::FILE* out = OpenStdioFile(deep, "wb");
        for (int i = 0; i < 1000000; ++i) std::fputs("FILE{\r\n", out);
        std::fclose(out);
    }
    start = std::chrono::steady_clock::now();
    if (!app.CreateEditor(deep)) return 1;
    PumpOnce(app);
    std::printf("start to idle, 1,000,000 nested folders: %.3f s\n", Seconds(start));
    start = std::chrono::steady_clock::now();
    app.GetDocTemplate()->CloseAll();
    std::printf("  closing: %.3f s\n", Seconds(start));
    DeleteFileW(ToWide(deep).c_str());

    {
        // 100 sub-folders of 100 (empty) images each.
        std::string dir = std::string(temp) + "pelorand_figures_import";
        CreateDirectoryW(ToWide(dir).c_str(), nullptr);
        for (int d = 0; d < 100; ++d) {
            std::string sub = dir + "\\sub" + std::to_string(d);
            CreateDirectoryW(ToWide(sub).c_str(), nullptr);
            for (int i = 0; i < 100; ++i) {
                std::FILE* f =
                    std::fopen((sub + "\\img" + std::to_string(i) + ".jpg").c_str(), "wb");
                if (f) std::fclose(f);
            }
        }
        app.m_messageBoxHook = [](const std::string&, UINT) { return IDYES; };
        if (!app.CreateEditor("")) return 1;
        auto* doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        start = std::chrono::steady_clock::now();
        doc->AddPath(doc->m_pRoot, dir);
        doc->WaitForImport();
        PumpOnce(app);
        std::printf("importing a disk folder of 10,000 images in 100 sub-folders: %.3f s\n",
                    Seconds(start));
        app.GetDocTemplate()->CloseAll();
        for (int d = 0; d < 100; ++d) {
            std::string sub = dir + "\\sub" + std::to_string(d);
            for (int i = 0; i < 100; ++i)
                DeleteFileW(ToWide((sub + "\\img" + std::to_string(i) + ".jpg")).c_str());
            RemoveDirectoryW(ToWide(sub).c_str());
        }
        RemoveDirectoryW(ToWide(dir).c_str());

        WriteCollection(big, 1, 100000, existing);
        if (!app.CreateEditor(big)) return 1;
        doc = static_cast<CPelorandDoc*>(app.GetDocTemplate()->GetDocument());
        CBlock* folder = doc->m_pRoot->m_Children.GetAtIndex(0);
        start = std::chrono::steady_clock::now();
        ComPtr<IDataObject> data = doc->SendEntries({folder});
        double copied = Seconds(start);
        start = std::chrono::steady_clock::now();
        doc->AcceptData(doc->m_pRoot, data.Get());
        doc->ShowFolder(doc->m_pRoot);
        PumpOnce(app);
        std::printf("copying a folder of 100,000 entries: %.3f s, pasting it: %.3f s\n", copied,
                    Seconds(start));
        const double beforeDelete = PrivateMegabytes();
        start = std::chrono::steady_clock::now();
        doc->RemoveEntry(folder);
        doc->ShowFolder(doc->m_pRoot);
        PumpOnce(app);
        std::printf("deleting a folder of 100,000 entries: %.3f s (private memory %+.1f MB, the "
                    "history holds it)\n",
                    Seconds(start), PrivateMegabytes() - beforeDelete);
        start = std::chrono::steady_clock::now();
        doc->Undo();
        PumpOnce(app);
        std::printf("undoing it: %.3f s; ", Seconds(start));
        start = std::chrono::steady_clock::now();
        doc->Redo();
        PumpOnce(app);
        std::printf("redoing it: %.3f s; history weight %zu entries, private memory %+.1f MB "
                    "against before the delete\n",
                    Seconds(start), doc->History().Weight(), PrivateMegabytes() - beforeDelete);
        app.GetDocTemplate()->CloseAll();
        app.m_messageBoxHook = nullptr;
    }
    {
        auto* root = new CBlock;
        root->m_bFolder = 1;
        for (int i = 0; i < 1000000; ++i) {
            auto* entry = new CBlock;
            entry->m_strName = existing;
            entry->m_pParent = root;
            root->m_Children.AddTail(entry);
        }
        start = std::chrono::steady_clock::now();
        delete root;
        std::printf("freeing a tree of 1,000,000 entries alone: %.3f s\n", Seconds(start));
    }

    DeleteFileW(ToWide(big).c_str());
    DeleteFileW(ToWide(wide).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TesmarinFigures");
    return 0;
}
