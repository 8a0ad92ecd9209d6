#include "model/Settings.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "model/Mbcs.h"
#include "model/SettingsStore.h"

namespace setting {

const char kOption[] = "Option";
const char kCreater[] = "Option\\Creater";
const char kFileInfoView[] = "FileInfoView";
const char kRecentFileList[] = "Recent File List";

// clang-format off
#define PELORAND_DEFINE_SETTING(name, section, type, intDefault, stringDefault, source)       \
    const SettingDef name = {section, #name, SettingType::type, intDefault, stringDefault,   \
                             DefaultSource::source};
// clang-format on
PELORAND_SETTINGS(PELORAND_DEFINE_SETTING)
#undef PELORAND_DEFINE_SETTING

namespace {
// The numbered names must outlive the SettingDef that points at them.
// A set, not a list searched from the front: the author slots alone are as many as the
// stored count says, and a search per slot made reading them quadratic.
const char* Intern(const std::string& name) {
    static std::set<std::string>* names = new std::set<std::string>;
    return names->insert(name).first->c_str();
}

std::string Format(const char* format, int value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
}  // namespace

SettingDef Column(int index) {
    return {kOption,
            Intern(Format("Column-%02d", index)),
            SettingType::Int,
            100,
            "",
            DefaultSource::Constant};
}
SettingDef CreaterSlot(int index) {
    return {kCreater,
            Intern(Format("Creater%04d", index)),
            SettingType::String,
            0,
            "",
            DefaultSource::Constant};
}
SettingDef RecentFile(int number) {
    return {kRecentFileList,        Intern(Format("File%d", number)), SettingType::String, 0, "",
            DefaultSource::Constant};
}

const std::vector<SettingDef>& All() {
    static const std::vector<SettingDef> all = [] {
#define PELORAND_LIST_SETTING(name, ...) name,
        std::vector<SettingDef> v = {PELORAND_SETTINGS(PELORAND_LIST_SETTING)};
#undef PELORAND_LIST_SETTING
        for (int i = 0; i < kColumnCount; ++i) v.push_back(Column(i));
        return v;
    }();
    return all;
}

}  // namespace setting

int InfoWindowDefault(const SettingDef& def, const DesktopRect& d) {
    const std::string name = def.name;
    if (name == "LeftPosition") return d.right - (d.right - d.left) / 10;
    if (name == "TopPosition") return d.bottom - (d.bottom - d.top) / 10;
    if (name == "Width") return (d.right - d.left) / 10;
    if (name == "Height") return (d.bottom - d.top) / 10;
    return 0;
}

namespace {

int FontField(const FontRecord& f, const std::string& name) {
    if (name == "lfHeight") return f.height;
    if (name == "lfWidth") return f.width;
    if (name == "lfEscapement") return f.escapement;
    if (name == "lfOrientation") return f.orientation;
    if (name == "lfWeight") return f.weight;
    if (name == "lfItalic") return f.italic;
    if (name == "lfUnderline") return f.underline;
    if (name == "lfStrikeOut") return f.strikeOut;
    if (name == "lfCharSet") return f.charSet;
    if (name == "lfOutPrecision") return f.outPrecision;
    if (name == "lfClipPrecision") return f.clipPrecision;
    if (name == "lfQuality") return f.quality;
    if (name == "lfPitchAndFamily") return f.pitchAndFamily;
    return 0;
}

}  // namespace

// Cuts a face name to the font record's 31 bytes without splitting a double-byte character.
std::string CutFaceName(const std::string& face) {
    std::size_t end = 0;
    while (end < face.size()) {
        std::size_t width = mbcs::IsLeadByte(static_cast<unsigned char>(face[end])) ? 2 : 1;
        if (end + width > static_cast<std::size_t>(setting::kFaceNameMax)) break;
        end += width;
    }
    return face.substr(0, std::min(end, face.size()));
}

CSettings::CSettings(ISettingsStore& store, SettingHooks hooks)
    : m_store(store), m_hooks(std::move(hooks)) {}

int CSettings::ComputedInt(const SettingDef& def) const {
    switch (def.source) {
        case DefaultSource::WindowColor:
            return m_hooks.windowColor ? m_hooks.windowColor() : 0xFFFFFF;
        case DefaultSource::WindowTextColor:
            return m_hooks.windowTextColor ? m_hooks.windowTextColor() : 0;
        case DefaultSource::DialogFont:
            return m_hooks.dialogFont ? FontField(m_hooks.dialogFont(), def.name) : 0;
        case DefaultSource::DesktopRect:
            return m_hooks.desktop ? InfoWindowDefault(def, m_hooks.desktop()) : 0;
        default:
            return def.intDefault;
    }
}

std::string CSettings::ComputedString(const SettingDef& def) const {
    switch (def.source) {
        case DefaultSource::RecentFile1:
            return GetString(setting::RecentFile(1));
        case DefaultSource::DialogFont:
            return m_hooks.dialogFont ? m_hooks.dialogFont().faceName : std::string();
        default:
            return def.stringDefault;
    }
}

int CSettings::GetInt(const SettingDef& def) const {
    int fallback = def.source == DefaultSource::Constant ? def.intDefault : ComputedInt(def);
    return m_store.GetInt(def.section, def.name, fallback);
}

std::string CSettings::GetString(const SettingDef& def) const {
    std::string fallback = def.source == DefaultSource::Constant ? std::string(def.stringDefault)
                                                                 : ComputedString(def);
    std::string value = m_store.GetString(def.section, def.name, fallback);
    if (def.source == DefaultSource::DialogFont) value = CutFaceName(value);
    return value;
}

void CSettings::WriteInt(const SettingDef& def, int value) {
    m_store.WriteInt(def.section, def.name, value);  // a failed write keeps the old value
}

void CSettings::WriteString(const SettingDef& def, const std::string& value) {
    m_store.WriteString(def.section, def.name, value);
}

FontRecord CSettings::GetFont() const {
    using namespace setting;
    FontRecord f;
    f.height = GetInt(lfHeight);
    f.width = GetInt(lfWidth);
    f.escapement = GetInt(lfEscapement);
    f.orientation = GetInt(lfOrientation);
    f.weight = GetInt(lfWeight);
    f.italic = GetInt(lfItalic) & 0xFF;
    f.underline = GetInt(lfUnderline) & 0xFF;
    f.strikeOut = GetInt(lfStrikeOut) & 0xFF;
    f.charSet = GetInt(lfCharSet) & 0xFF;
    f.outPrecision = GetInt(lfOutPrecision) & 0xFF;
    f.clipPrecision = GetInt(lfClipPrecision) & 0xFF;
    f.quality = GetInt(lfQuality) & 0xFF;
    f.pitchAndFamily = GetInt(lfPitchAndFamily) & 0xFF;
    f.faceName = GetString(lfFaceName);
    return f;
}

void CSettings::WriteFont(const FontRecord& f) {
    using namespace setting;
    WriteInt(lfHeight, f.height);
    WriteInt(lfWidth, f.width);
    WriteInt(lfEscapement, f.escapement);
    WriteInt(lfOrientation, f.orientation);
    WriteInt(lfWeight, f.weight);
    WriteInt(lfItalic, f.italic & 0xFF);
    WriteInt(lfUnderline, f.underline & 0xFF);
    WriteInt(lfStrikeOut, f.strikeOut & 0xFF);
    WriteInt(lfCharSet, f.charSet & 0xFF);
    WriteInt(lfOutPrecision, f.outPrecision & 0xFF);
    WriteInt(lfClipPrecision, f.clipPrecision & 0xFF);
    WriteInt(lfQuality, f.quality & 0xFF);
    WriteInt(lfPitchAndFamily, f.pitchAndFamily & 0xFF);
    WriteString(lfFaceName, CutFaceName(f.faceName));
}
