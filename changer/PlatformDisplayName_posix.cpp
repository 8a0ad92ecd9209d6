#include "changer/PlatformDisplayName.h"
#include "model/Mbcs.h"

std::string CPlatformDisplayName::GetDisplayName(const std::string& path) const {
    return mbcs::FileName(path);
}
