#include "tools/plr/UserFiles_posix.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "tools/plr/PlrCommands.h"

namespace {
std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
}  // namespace

std::string HomeDirectory() {
    const std::string home = Env("HOME");
    if (!home.empty() && home[0] == '/') return home;
    const passwd* user = ::getpwuid(::getuid());
    if (user && user->pw_dir && user->pw_dir[0] == '/') return user->pw_dir;
    return std::string();
}

std::string XdgPath(const char* variable, const char* fallback, const char* file) {
    std::string base = Env(variable);
    if (base.empty() || base[0] != '/') {
        const std::string home = HomeDirectory();
        if (home.empty()) return std::string();
        base = (home == "/" ? std::string() : home) + fallback;
    }
    return base + "/pelorand/" + file;
}

std::string SettingsFilePath() {
    return XdgPath("XDG_CONFIG_HOME", "/.config", "pelorand.ini");
}
