// plr thumbs: prints the thumbnail page the editor would write for some paths.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "model/PlatformFileSystem.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "tools/plr/PlrCommands.h"
#include "views/ThumbnailPage.h"

namespace {

bool ParseInt(const std::string& text, int& value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) i = 1;
    if (i == text.size() || text.size() - i > 10) return false;
    long long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + (text[i] - '0');
    }
    if (negative) number = -number;
    if (number < INT_MIN || number > INT_MAX) return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

int RunThumbs(const std::vector<std::string>& args) {
    CMemorySettingsStore store;
    CSettings settings(store);
    const struct {
        const char* option;
        const SettingDef& def;
    } sizeOptions[] = {{"--width", setting::ViewWhiDth},
                       {"--height", setting::ViewHeight},
                       {"--hspace", setting::ViewMarjinWidth},
                       {"--vspace", setting::ViewMarjinHeight},
                       {"--border", setting::ViewBordar}};
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            paths.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (i + 1 >= args.size()) return Fail("option " + a + " needs a value");
        const std::string& value = args[++i];
        if (a == "--file-type") {
            settings.WriteString(setting::FileType, value);
            continue;
        }
        bool known = false;
        for (const auto& option : sizeOptions) {
            if (a != option.option) continue;
            int number = 0;
            if (!ParseInt(value, number)) return Fail(a + " '" + value + "' is not a whole number");
            settings.WriteInt(option.def, number);
            known = true;
        }
        if (!known) return Fail("unknown option '" + a + "'");
    }
    CPlatformFileSystem fileSystem;
    const std::string page =
        BuildThumbnailPageText(CollectUniquePaths(paths, nullptr), ReadThumbnailSizes(settings),
                               settings, fileSystem, nullptr);
    SetBinaryStdout();
    if (std::fwrite(page.data(), 1, page.size(), stdout) != page.size() || std::fflush(stdout)) {
        return Fail("cannot write the page");
    }
    return 0;
}
