#include "app/AuthorList.h"

#include "app/Settings.h"

std::vector<std::string> ReadAuthors(const CSettings& settings) {
    std::vector<std::string> names;
    int count = settings.GetInt(setting::CreaterCount);
    for (int slot = 0; slot < count; ++slot) {
        std::string name = settings.GetString(setting::CreaterSlot(slot));
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

void AppendAuthor(CSettings& settings, const std::string& name) {
    int count = settings.GetInt(setting::CreaterCount);
    // A count spoilt by hand (negative) starts the list again rather than writing slot -1.
    if (count < 0) count = 0;
    settings.WriteString(setting::CreaterSlot(count), name);
    settings.WriteInt(setting::CreaterCount, count + 1);
}

void StoreAuthors(CSettings& settings, const std::vector<std::string>& names) {
    int slot = 0;
    for (const std::string& name : names) settings.WriteString(setting::CreaterSlot(slot++), name);
    settings.WriteInt(setting::CreaterCount, slot);
}
