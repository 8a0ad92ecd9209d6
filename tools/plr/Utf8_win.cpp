#include <windows.h>
// (after windows.h)
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "app/RegistrySettingsStore_win.h"
#include "model/Settings.h"
#include "tools/plr/PlrCommands.h"
#include "win/Strconv.h"

std::string ToUtf8(const std::string& cp932) {
    if (cp932.empty()) return cp932;
    int wide =
        MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), &w[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], bytes, nullptr, nullptr);
    return out;
}

void SetBinaryStdout() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

// The command line arrives in the system's code page, which the program's own (CP932) is on
// the Japanese Windows it is made for; the bytes are kept as they come, as plr rebase does.
std::string TerminalText(const std::string& text) {
    return text;
}

bool CollectionText(const std::string& typed, std::string& out) {
    out = typed;
    return true;
}

std::string WholePath(const std::string& path) {
    const std::wstring wide = ToWide(path);
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (!size) return std::string();
    std::wstring whole(size, L'\0');
    const DWORD got = GetFullPathNameW(wide.c_str(), size, &whole[0], nullptr);
    if (!got || got >= size) return std::string();
    whole.resize(got);
    // "C:\pics\" names the folder "C:\pics", as the editor's folder picker gives it.
    while (whole.size() > 3 && (whole.back() == L'\\' || whole.back() == L'/')) whole.pop_back();
    std::string out;
    return ToMultiByte(whole, out) ? out : std::string();
}

std::string SettingsFileType() {
    CRegistrySettingsStore store("Tesmarin", "Pelorand");
    return CSettings(store).GetString(setting::FileType);
}

std::vector<std::string> ScanRefusingNames(const std::function<void()>& scan) {
    CRefusedNames refused;
    scan();
    std::vector<std::string> names;
    for (const std::wstring& name : refused.Names())
        names.push_back(ToMultiByteLossy(name, CP_ACP));
    return names;
}
