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

// The table: every fixed setting once, as X(name, section, type, int default, string
// default, default source). The name in code is the name stored.
#define PELORAND_SETTINGS(X)                                   \
    X(FileType, kOption, String, 0, "BMP JPG HTML", Constant)  \
    X(ModType, kOption, Int, 1, "", Constant)                  \
    X(ChangerType, kOption, Int, 600, "", Constant)            \
    X(EndFileName, kOption, String, 0, "", Constant)           \
    X(EndFileSetCheck, kOption, Int, 0, "", Constant)          \
    X(ExecuteRadio, kOption, Int, 0, "", Constant)             \
    X(ExecuteFile, kOption, String, 0, "", RecentFile1)        \
    X(ExeCuteCheck, kOption, Int, 0, "", Constant)             \
    X(CheckDispFileInfo, kOption, Int, 1, "", Constant)        \
    X(FileInfoBackColor, kOption, Int, 0, "", WindowColor)     \
    X(FileInfoFontColor, kOption, Int, 0, "", WindowTextColor) \
    X(CheckDispFileName, kOption, Int, 1, "", Constant)        \
    X(CheckDispFindAttr, kOption, Int, 1, "", Constant)        \
    X(CheckDispCreater, kOption, Int, 1, "", Constant)         \
    X(CheckDispComment, kOption, Int, 1, "", Constant)         \
    X(lfHeight, kOption, Int, 0, "", DialogFont)               \
    X(lfWidth, kOption, Int, 0, "", DialogFont)                \
    X(lfEscapement, kOption, Int, 0, "", DialogFont)           \
    X(lfOrientation, kOption, Int, 0, "", DialogFont)          \
    X(lfWeight, kOption, Int, 0, "", DialogFont)               \
    X(lfItalic, kOption, Int, 0, "", DialogFont)               \
    X(lfUnderline, kOption, Int, 0, "", DialogFont)            \
    X(lfStrikeOut, kOption, Int, 0, "", DialogFont)            \
    X(lfCharSet, kOption, Int, 0, "", DialogFont)              \
    X(lfOutPrecision, kOption, Int, 0, "", DialogFont)         \
    X(lfClipPrecision, kOption, Int, 0, "", DialogFont)        \
    X(lfQuality, kOption, Int, 0, "", DialogFont)              \
    X(lfPitchAndFamily, kOption, Int, 0, "", DialogFont)       \
    X(lfFaceName, kOption, String, 0, "", DialogFont)          \
    X(TreeSize, kOption, Int, 150, "", Constant)               \
    X(ViewSize, kOption, Int, 150, "", Constant)               \
    X(ImageViewSize, kOption, Int, 150, "", Constant)          \
    X(ViewType, kOption, Int, 59411, "", Constant)             \
    X(ViewBordar, kOption, Int, 1, "", Constant)               \
    X(ViewWhiDth, kOption, Int, 120, "", Constant)             \
    X(ViewHeight, kOption, Int, 160, "", Constant)             \
    X(ViewMarjinWidth, kOption, Int, 10, "", Constant)         \
    X(ViewMarjinHeight, kOption, Int, 10, "", Constant)        \
    X(FitType, kOption, Int, 0, "", Constant)                  \
    X(CheckTrayIcon, kOption, Int, 0, "", Constant)            \
    X(CheckFullScreenQuiet, kOption, Int, 0, "", Constant)     \
    X(CheckPerMonitor, kOption, Int, 0, "", Constant)          \
    X(CreaterCount, kCreater, Int, 0, "", Constant)            \
    X(LeftPosition, kFileInfoView, Int, 0, "", DesktopRect)    \
    X(TopPosition, kFileInfoView, Int, 0, "", DesktopRect)     \
    X(Width, kFileInfoView, Int, 0, "", DesktopRect)           \
    X(Height, kFileInfoView, Int, 0, "", DesktopRect)

namespace setting {
extern const char kOption[];
extern const char kCreater[];
extern const char kFileInfoView[];
extern const char kRecentFileList[];

#define PELORAND_DECLARE_SETTING(name, ...) extern const SettingDef name;
PELORAND_SETTINGS(PELORAND_DECLARE_SETTING)
#undef PELORAND_DECLARE_SETTING

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
