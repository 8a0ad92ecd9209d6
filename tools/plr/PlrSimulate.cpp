// plr simulate: runs the wallpaper changer's ticks over a collection at chosen moments and
// prints what each would set, without touching the desktop.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "changer/ChangerEngine.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#ifdef _WIN32
#include "changer/PlatformDisplayName.h"
#include "model/PlatformFileSystem.h"
using CCollectionFileSystem = CPlatformFileSystem;
using CCollectionDisplayName = CPlatformDisplayName;
#else
#include "tools/plr/CollectionPaths_posix.h"
#endif
#include "changer/SystemClock.h"
#include "model/Block.h"
#include "model/CollectionFile.h"
#include "tools/plr/PlrCommands.h"

namespace {

class CapturedInfo : public IInfoSink {
  public:
    void ShowWallpaperInfo(const WallpaperInfo& info) override { last = info; }
    WallpaperInfo last;
};

// Remembers the path instead of setting it.
class CapturedWallpaper : public IWallpaperSetter {
  public:
    bool SetDesktopWallpaper(const std::string& path) override {
        last = path;
        return true;
    }
    std::string last;
};

bool ParseCount(const std::string& text, std::int64_t limit, std::int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value <= limit;
}

}  // namespace

// "YYYY-MM-DD HH:MM:SS" as local time, daylight saving left for the C library to find.
bool ParseLocalMoment(const std::string& text, std::int64_t& seconds) {
    static const char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof kShape - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
    }
    auto number = [&](std::size_t at, std::size_t length) {
        return std::stoi(text.substr(at, length));
    };
    std::tm fields = {};
    fields.tm_year = number(0, 4) - 1900;
    fields.tm_mon = number(5, 2) - 1;
    fields.tm_mday = number(8, 2);
    fields.tm_hour = number(11, 2);
    fields.tm_min = number(14, 2);
    fields.tm_sec = number(17, 2);
    fields.tm_isdst = -1;
    if (fields.tm_mon > 11 || fields.tm_mday < 1 || fields.tm_mday > 31 || fields.tm_hour > 23 ||
        fields.tm_min > 59 || fields.tm_sec > 59) {
        return false;
    }
    const std::tm asked = fields;
    const std::time_t moment = std::mktime(&fields);
    if (moment == static_cast<std::time_t>(-1)) return false;
    // mktime rolls 31 February over into March; such a date was never there.
    if (fields.tm_year != asked.tm_year || fields.tm_mon != asked.tm_mon ||
        fields.tm_mday != asked.tm_mday) {
        return false;
    }
    seconds = static_cast<std::int64_t>(moment);
    return true;
}

int RunSimulate(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string mode, fileType, start, interval = "600", ticks = "10";
    bool haveMode = false, haveFileType = false, haveStart = false;
    bool raw = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* value = nullptr;
        if (a == "--mode") {
            value = &mode;
            haveMode = true;
        } else if (a == "--filetype") {
            value = &fileType;
            haveFileType = true;
        } else if (a == "--raw") {
            raw = true;
            continue;
        } else if (a == "--start") {
            value = &start;
            haveStart = true;
        } else if (a == "--interval") {
            value = &interval;
        } else if (a == "--ticks") {
            value = &ticks;
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail("unknown option '" + a + "'");
        } else {
            files.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) return Fail("option " + a + " needs a value");
        *value = args[++i];
    }
    if (files.size() != 1) return Fail("expected one FILE (see --help)");
    if (!haveStart) return Fail("--start \"YYYY-MM-DD HH:MM:SS\" is required");
    if (haveMode && mode != "turn" && mode != "random") {
        return Fail("--mode must be turn or random, not '" + mode + "'");
    }
    std::int64_t startSeconds = 0, intervalSeconds = 0, tickCount = 0;
    if (!ParseLocalMoment(start, startSeconds)) {
        return Fail("--start '" + start + "' is not a local time as YYYY-MM-DD HH:MM:SS");
    }
    if (!ParseCount(interval, 100LL * 365 * 24 * 3600, intervalSeconds)) {
        return Fail("--interval '" + interval + "' is not a number of seconds (0 or more)");
    }
    if (!ParseCount(ticks, 100000000, tickCount)) {
        return Fail("--ticks '" + ticks + "' is not a count (0 or more)");
    }

    // Loaded as the changer loads it: below a fresh root of its own.
    CBlock root;
    root.m_bFolder = 1;
    RecordReadContext context;
    const ReadStatus status = ReadCollectionFile(files[0], context, &root);
    const int openError = errno;
    if (status == ReadStatus::CannotOpen) {
        return Fail("cannot open " + files[0] + ": " + std::strerror(openError));
    }
    if (status == ReadStatus::ReadError) return Fail("error while reading " + files[0]);

    CMemorySettingsStore store;
    CSettings settings(store);
    if (haveMode) settings.WriteInt(setting::ModType, mode == "turn" ? 0 : 1);
    if (haveFileType) settings.WriteString(setting::FileType, fileType);
    CFixedStepClock clock;
    CCollectionFileSystem fileSystem;
    CCollectionDisplayName displayName;
    CapturedWallpaper wallpaper;
    CapturedInfo info;
    CChangerEngine engine(settings, clock, fileSystem, displayName, wallpaper);
    engine.SetInfoSink(&info);
    engine.BuildRotationList(root);

    std::string line;
    for (std::int64_t k = 1; k <= tickCount; ++k) {
        clock.Set(startSeconds + k * intervalSeconds);
        line = std::to_string(k);
        if (engine.Tick() == TickEnd::Applied) {
            const WallpaperInfo& shown = info.last;
            const std::string& path = wallpaper.last;
            for (const std::string* field :
                 {&path, &shown.name, &shown.priority, &shown.author, &shown.comment}) {
                line += '\t';
                line += OneLine(raw ? *field : TerminalText(*field));
            }
        } else {
            line += "\t-";
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}
