#include "model/AuthorList.h"

#include "model/Settings.h"
#include "model/SettingsStore.h"

namespace {

// What a slot that was never stored reads as: no stored text holds a zero byte.
const std::string& Missing() {
    static const std::string missing("\0missing", 8);
    return missing;
}

// Reads slot; false when the slot is not stored at all.
bool ReadSlot(const CSettings& settings, int slot, std::string& name) {
    const SettingDef def = setting::CreaterSlot(slot);
    name = settings.Store().GetString(def.section, def.name, Missing());
    return name != Missing();
}

// The slots in use: up to the count, and no further than the names stored. The program
// writes every slot below the count, so a slot missing there means the count is damaged
// (a million, say, with ten names): the list then goes as far as its names go.
// onName returns false to stop reading.
template <typename OnName>
int ReadSlots(const CSettings& settings, OnName onName) {
    const int count = settings.GetInt(setting::CreaterCount);
    int slot = 0;
    std::string name;
    for (; slot < count && ReadSlot(settings, slot, name); ++slot) {
        if (!onName(name)) break;
    }
    return slot;
}

}  // namespace

std::vector<std::string> ReadAuthors(const CSettings& settings, std::size_t limit) {
    std::vector<std::string> names;
    if (limit == 0) return names;
    ReadSlots(settings, [&](std::string& name) {
        if (!name.empty()) names.push_back(std::move(name));
        return names.size() < limit;
    });
    return names;
}

bool RemoveAuthor(CSettings& settings, const std::string& name) {
    std::vector<std::string> names = ReadAuthors(settings);
    for (auto it = names.begin(); it != names.end(); ++it) {
        if (*it == name) {
            names.erase(it);
            StoreAuthors(settings, names);
            return true;
        }
    }
    return false;
}

void AppendAuthor(CSettings& settings, const std::string& name) {
    // After the last name stored: a count spoilt by hand (negative, or beyond the names)
    // would put the name where no reader finds it.
    const int count = ReadSlots(settings, [](std::string&) { return true; });
    settings.WriteString(setting::CreaterSlot(count), name);
    settings.WriteInt(setting::CreaterCount, count + 1);
}

void StoreAuthors(CSettings& settings, const std::vector<std::string>& names) {
    int slot = 0;
    for (const std::string& name : names) settings.WriteString(setting::CreaterSlot(slot++), name);
    settings.WriteInt(setting::CreaterCount, slot);
}
