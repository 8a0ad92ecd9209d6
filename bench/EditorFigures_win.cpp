// Figures for the editor, run by hand under Wine (never part of the tests):
//  - start to an idle window with a collection of 100,000 entries;
//  - ShowFolder of a folder of 10,000 entries.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/PelorandApp.h"
#include "doc/PelorandDoc.h"
#include "fw/SingleDocTemplate.h"
#include "model/Block.h"

namespace {

class FigureApp : public CPelorandApp {
  public:
    bool InitInstance() override { return true; }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void PumpUntilIdle(CWinApp& app) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    app.OnIdle(0);
}

// folders x files entries, files named after an existing file so that the shell has work.
void WriteCollection(const std::string& path, int folders, int files, const std::string& file) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
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
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    char windir[MAX_PATH] = "";
    GetWindowsDirectoryA(windir, MAX_PATH);
    std::string existing = std::string(windir) + "\\notepad.exe";

    FigureApp app;
    app.SetRegistryKey("TesmarinFigures");
    app.LoadStdProfileSettings(8);

    auto start = std::chrono::steady_clock::now();
    if (!app.CreateEditor("")) return 1;
    PumpUntilIdle(app);
    std::printf("start to idle, new collection: %.3f s\n", Seconds(start));
    app.GetDocTemplate()->CloseAll();

    std::string big = std::string(temp) + "pelorand_figures_100k.plr";
    WriteCollection(big, 1000, 100, existing);
    start = std::chrono::steady_clock::now();
    if (!app.CreateEditor(big)) return 1;
    PumpUntilIdle(app);
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
        PumpUntilIdle(app);
        std::printf("ShowFolder of 10,000 entries (%s): %.3f s, visible rows drawn after %.3f s\n",
                    name == existing ? "existing file" : "missing file", filled, Seconds(start));
        app.GetDocTemplate()->CloseAll();
    }
    DeleteFileA(big.c_str());
    DeleteFileA(wide.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TesmarinFigures");
    return 0;
}
