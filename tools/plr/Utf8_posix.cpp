#include <iconv.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "model/IniSettingsStore.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "tools/plr/PlrCommands.h"
#include "tools/plr/Utf8_posix.h"

// The length of the well-formed UTF-8 character at text[i] (no overlong form, no surrogate,
// nothing past U+10FFFF), or 0 when the byte there starts none.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + n > text.size() || byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    return n;
}

bool IsUtf8Text(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool ConvertText(const char* to, const char* from, const std::string& text, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char buffer[1024];
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    bool ok = true;
    while (inLeft > 0) {
        char* o = buffer;
        std::size_t oLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<std::size_t>(o - buffer));
        if (rc == static_cast<std::size_t>(-1) && o == buffer) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

std::string ToUtf8(const std::string& cp932) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return cp932;
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(cp932.data());
    std::size_t inLeft = cp932.size();
    while (inLeft > 0) {
        char* o = buffer;
        std::size_t oLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, o - buffer);
        if (rc == static_cast<std::size_t>(-1) && o == buffer) {
            // An invalid byte: show it as '?' and go on.
            out += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

void SetBinaryStdout() {}

std::string TerminalText(const std::string& text) {
    return IsUtf8Text(text) ? text : ToUtf8(text);
}

bool CollectionText(const std::string& typed, std::string& out) {
    if (!IsUtf8Text(typed)) {
        out = typed;
        return true;
    }
    return ConvertText("CP932", "UTF-8", typed, out);
}

std::string WholePath(const std::string& path) {
    // The folder as the user named it, links and all: only made absolute and tidied.
    std::string whole = path;
    if (whole.empty() || whole[0] != '/') {
        char here[PATH_MAX];
        if (!::getcwd(here, sizeof here)) return std::string();
        whole = std::string(here) + '/' + path;
    }
    std::string out;
    std::size_t i = 0;
    while (i < whole.size()) {
        std::size_t next = whole.find('/', i);
        if (next == std::string::npos) next = whole.size();
        const std::string part = whole.substr(i, next - i);
        i = next + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            const std::size_t cut = out.rfind('/');
            out.erase(cut == std::string::npos ? 0 : cut);
            continue;
        }
        out += '/' + part;
    }
    return out.empty() ? "/" : out;
}

std::string SettingsFileType() {
    const std::string path = SettingsFilePath();
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        CMemorySettingsStore none;
        return CSettings(none).GetString(setting::FileType);
    }
    CIniSettingsStore store(path);
    return CSettings(store).GetString(setting::FileType);
}

std::vector<std::string> ScanRefusingNames(const std::function<void()>& scan) {
    scan();
    return {};
}
