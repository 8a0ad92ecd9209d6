#include <windows.h>

#include "changer/PlatformDisplayName.h"
// after windows.h, which it needs
#include <shellapi.h>

#include "win/Strconv.h"

std::string CPlatformDisplayName::GetDisplayName(const std::string& path) const {
    SHFILEINFOW info = {};
    // The shell knows no name for a path that does not exist; the name is then empty.
    if (!SHGetFileInfoW(ToWide(path).c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME)) return {};
    return UiFromWide(info.szDisplayName);
}
