// Every setting of the program: its section, name, type and default, in one table, and the
// reading and writing of them through a store. Defaults that depend on the system (colours,
// the dialog font, the desktop) come from hooks that the caller fills in.
#pragma once

#include <functional>
#include <string>
#include <vector>

class ISettingsStore;

enum class SettingType { Int, String };

enum class DefaultSource {
    Constant,
    WindowColor,      // system window colour at the time of reading
    WindowTextColor,  // system window-text colour
    DialogFont,       // the field of the reading window's dialog font
    DesktopRect,      // bottom-right tenth of the desktop
    RecentFile1,      // File1 of the recent-file list, or ""
};

struct SettingDef {
    const char* section;
    const char* name;
    SettingType type;
    int intDefault;
    const char* stringDefault;
    DefaultSource source;
};

namespace setting {
extern const char kOption[];
extern const char kCreater[];
extern const char kFileInfoView[];
extern const char kRecentFileList[];

extern const SettingDef FileType, ModType, ChangerType, EndFileName, EndFileSetCheck, ExecuteRadio,
    ExecuteFile, ExeCuteCheck, CheckDispFileInfo, FileInfoBackColor, FileInfoFontColor,
    CheckDispFileName, CheckDispFindAttr, CheckDispCreater, CheckDispComment, lfHeight, lfWidth,
    lfEscapement, lfOrientation, lfWeight, lfItalic, lfUnderline, lfStrikeOut, lfCharSet,
    lfOutPrecision, lfClipPrecision, lfQuality, lfPitchAndFamily, lfFaceName, TreeSize, ViewSize,
    ImageViewSize, ViewType, ViewBordar, ViewWhiDth, ViewHeight, ViewMarjinWidth, ViewMarjinHeight,
    CreaterCount, LeftPosition, TopPosition, Width, Height;

// The numbered values: "Column-%02d" (0..5), "Creater%04d", "File%d" (1..8).
SettingDef Column(int index);
SettingDef CreaterSlot(int index);
SettingDef RecentFile(int number);

constexpr int kColumnCount = 6;
constexpr int kRecentFileCount = 8;
constexpr int kFaceNameMax = 31;  // bytes that fit the font record's face field

// Every fixed setting of the table plus the six column widths (not the numbered author slots or
// recent files, which have no fixed count).
const std::vector<SettingDef>& All();
}  // namespace setting

struct DesktopRect {
    int left, top, right, bottom;
};

// The font fields that the information window stores, in the Windows font-record layout.
struct FontRecord {
    int height = 0, width = 0, escapement = 0, orientation = 0, weight = 0;
    int italic = 0, underline = 0, strikeOut = 0, charSet = 0, outPrecision = 0, clipPrecision = 0,
        quality = 0, pitchAndFamily = 0;
    std::string faceName;
};

struct SettingHooks {
    std::function<int()> windowColor;
    std::function<int()> windowTextColor;
    std::function<FontRecord()> dialogFont;
    std::function<DesktopRect()> desktop;
};

// Reads with the table's defaults; nothing is cached, every read asks the store.
class CSettings {
  public:
    explicit CSettings(ISettingsStore& store, SettingHooks hooks = SettingHooks());

    int GetInt(const SettingDef& def) const;
    std::string GetString(const SettingDef& def) const;
    void WriteInt(const SettingDef& def, int value);
    void WriteString(const SettingDef& def, const std::string& value);

    // The information window's font, field by field, defaults from the dialog-font hook.
    FontRecord GetFont() const;
    void WriteFont(const FontRecord& font);

    ISettingsStore& Store() const { return m_store; }

  private:
    int ComputedInt(const SettingDef& def) const;
    std::string ComputedString(const SettingDef& def) const;

    ISettingsStore& m_store;
    SettingHooks m_hooks;
};

// Cuts a face name to the font record's 31 bytes without splitting a double-byte character.
std::string CutFaceName(const std::string& face);

// The default place of the information window: the bottom-right tenth of the desktop.
int InfoWindowDefault(const SettingDef& def, const DesktopRect& desktop);
