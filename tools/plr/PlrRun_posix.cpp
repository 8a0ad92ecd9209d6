// plr run: the wallpaper changer on free desktops, with the Windows program's engine, settings
// and collection files; plr history: the wallpapers it set.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "changer/ChangerEngine.h"
#include "changer/SystemClock.h"
#include "changer/WallpaperFit.h"
#include "model/Block.h"
#include "model/CollectionFile.h"
#include "model/IniSettingsStore.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "model/ShellText.h"
#include "tools/plr/CollectionPaths_posix.h"
#include "tools/plr/Command_posix.h"
#include "tools/plr/DesktopSetter_posix.h"
#include "tools/plr/PlrCommands.h"
#include "tools/plr/UserFiles_posix.h"
#include "tools/plr/Utf8_posix.h"
#include "tools/plr/Steering_posix.h"

namespace {

constexpr std::size_t kHistoryLines = 100;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}



// Collection texts are the program's code page; a Linux file name or a text written on Linux
// may already be UTF-8, and is then shown as it is.
std::string Shown(const std::string& text) {
    return OneLine(IsUtf8Text(text) ? text : ToUtf8(text));
}

// The flags given on the command line, over the settings file (or nothing).
class CLayeredSettingsStore : public ISettingsStore {
  public:
    explicit CLayeredSettingsStore(std::unique_ptr<ISettingsStore> base)
        : m_base(std::move(base)) {}
    int GetInt(const std::string& section, const std::string& name, int def) const override {
        if (m_flags.Has(section, name)) return m_flags.GetInt(section, name, def);
        return m_base ? m_base->GetInt(section, name, def) : def;
    }
    std::string GetString(const std::string& section, const std::string& name,
                          const std::string& def) const override {
        if (m_flags.Has(section, name)) return m_flags.GetString(section, name, def);
        return m_base ? m_base->GetString(section, name, def) : def;
    }
    // Flags live for this run only; the file is never written.
    bool WriteInt(const std::string& section, const std::string& name, int value) override {
        return m_flags.WriteInt(section, name, value);
    }
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override {
        return m_flags.WriteString(section, name, value);
    }

  private:
    std::unique_ptr<ISettingsStore> m_base;
    CMemorySettingsStore m_flags;
};

// Remembers the clock reading the tick drew with, for the line's time of day.
class CRecordingClock : public IClock {
  public:
    explicit CRecordingClock(const IClock& inner) : m_inner(inner) {}
    ClockReading Now() const override {
        m_last = m_inner.Now();
        return m_last;
    }
    const ClockReading& Last() const { return m_last; }

  private:
    const IClock& m_inner;
    mutable ClockReading m_last;
};

class CCapturedInfo : public IInfoSink {
  public:
    void ShowWallpaperInfo(const WallpaperInfo& info) override { last = info; }
    WallpaperInfo last;
};

// Says each thing once on standard error: why nothing changes repeats at every tick otherwise.
class CTellOnce {
  public:
    void operator()(const std::string& message) {
        if (m_told.insert(message).second) Fail(message);
    }

  private:
    std::set<std::string> m_told;
};

// The desktop's setter behind the engine's seam; a failure is told on standard error. What is
// not a picture is passed over (once told) before any desktop tool sees it; the user's own
// command decides for itself what it takes.
class CReportingSetter : public IWallpaperSetter {
  public:
    CReportingSetter(CDesktopSetter& setter, CTellOnce& tell) : m_setter(setter), m_tell(tell) {}
    bool SetDesktopWallpaper(const std::string& path) override {
        std::string error;
        if (m_setter.Name() != "command" && !IsWallpaperPicture(LocalPath(path), error)) {
            m_tell("passed over " + Shown(path) + ": " + error);
            return false;
        }
        if (m_setter.Set(LocalPath(path), error)) {
            last = path;
            return true;
        }
        Fail("cannot set " + Shown(path) + ": " + error);
        return false;
    }
    std::string last;

    // A picture for each monitor of the desktop's last Monitors(); what is not a picture is
    // passed over as above. last becomes the first monitor's.
    std::vector<bool> ApplyEach(const std::vector<MonitorPath>& paths) override {
        std::vector<std::string> byMonitor;
        for (const MonitorPath& each : paths) {
            std::string error;
            if (m_setter.Name() != "command" && !IsWallpaperPicture(LocalPath(each.path), error)) {
                m_tell("passed over " + Shown(each.path) + ": " + error);
                continue;
            }
            if (byMonitor.size() <= each.monitor) byMonitor.resize(each.monitor + 1);
            byMonitor[each.monitor] = LocalPath(each.path);
        }
        std::vector<bool> setOn, set(paths.size(), false);
        std::string error;
        if (!m_setter.SetEach(byMonitor, setOn, error)) Fail("cannot set the pictures: " + error);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::size_t monitor = paths[i].monitor;
            set[i] = monitor < setOn.size() && setOn[monitor] && !byMonitor[monitor].empty();
            if (set[i] && monitor == 0) last = paths[i].path;
        }
        return set;
    }

  private:
    CDesktopSetter& m_setter;
    CTellOnce& m_tell;
};

// The last changes, oldest first, one "YYYY-MM-DD HH:MM:SS<TAB>path" line each. An empty path
// keeps none; a path that is no regular file (/dev/null, a pipe) gets each line appended.
class CHistoryFile {
  public:
    explicit CHistoryFile(std::string path) : m_path(std::move(path)) {
        if (m_path.empty()) return;
        struct stat info;
        m_stream = ::stat(m_path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
        if (m_stream) return;
        RemoveStaleTemporaries();
        std::ifstream in(m_path, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty()) continue;
            m_lines.push_back(line);
            if (m_lines.size() > kHistoryLines) m_lines.pop_front();
        }
    }
    void Add(const ClockReading& when, const std::string& path) {
        if (m_path.empty()) return;
        const LocalTimeFields& t = when.local;
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        const std::string line = std::string(stamp) + "\t" + Shown(path);
        if (m_stream) {
            Append(line);
            return;
        }
        m_lines.push_back(line);
        if (m_lines.size() > kHistoryLines) m_lines.pop_front();
        Save();
    }

  private:
    void Append(const std::string& line) {
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
        const std::string text = line + "\n";
        if (fd < 0 || ::write(fd, text.data(), text.size()) < 0) {
            Fail("cannot write the history " + m_path + ": " + std::strerror(errno));
        }
        if (fd >= 0) ::close(fd);
    }
    void Save() {
        std::string error;
        if (!MakeParents(error)) {
            Fail("cannot write the history " + m_path + ": " + error);
            return;
        }
        const bool saved = SaveReplacing(
            m_path,
            [this](std::FILE* file, std::string& why) {
                for (const std::string& line : m_lines) {
                    std::fputs(line.c_str(), file);
                    std::fputc('\n', file);
                }
                if (std::ferror(file)) why = std::strerror(errno);
                return !std::ferror(file);
            },
            error);
        if (!saved) Fail("cannot write the history " + m_path + ": " + error);
    }
    // A run killed while it wrote (SIGKILL, power loss) leaves its temporary file beside the
    // history; they are ours by name ("~plr." and six characters), and nobody else's.
    void RemoveStaleTemporaries() const {
        const std::size_t slash = m_path.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : m_path.substr(0, slash + 1);
        DIR* listing = ::opendir(dir.c_str());
        if (!listing) return;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name.size() != 11 || name.compare(0, 5, "~plr.") != 0) continue;
            const std::string full = (slash == std::string::npos ? "./" : dir) + name;
            struct stat info;
            if (::lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(full.c_str());
        }
        ::closedir(listing);
    }
    // The folders above the history; the first that cannot be made says why (a read-only
    // folder above would otherwise show later as a missing one).
    bool MakeParents(std::string& error) const {
        for (std::size_t slash = m_path.find('/', 1); slash != std::string::npos;
             slash = m_path.find('/', slash + 1)) {
            const std::string dir = m_path.substr(0, slash);
            if (::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) continue;
            const int why = errno;
            struct stat info;
            if (::stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
            error = "cannot create " + dir + ": " + std::strerror(why);
            return false;
        }
        return true;
    }
    std::string m_path;
    bool m_stream = false;
    std::deque<std::string> m_lines;
};

// Desktop notifications through the session's notification service.
class CNotifier {
  public:
    bool Create(int timeoutMs, const sigset_t* stopOn, std::string& error) {
        m_timeoutMs = timeoutMs;
        m_stopOn = stopOn;
        for (const char* tool : {"notify-send", "gdbus"}) {
            if (!FindProgram(tool).empty()) {
                m_tool = tool;
                return true;
            }
        }
        error =
            "--notify needs notify-send or gdbus: install the package libnotify-bin or "
            "libglib2.0-bin";
        return false;
    }
    void Show(const CSettings& settings, const std::string& path, const WallpaperInfo& info) {
        // The lines the information window shows, as its switches choose them.
        std::string body;
        auto add = [&](const SettingDef& def, const std::string& text) {
            if (!settings.GetInt(def)) return;
            if (!body.empty()) body += '\n';
            body += Escaped(Shown(text));
        };
        add(setting::CheckDispFileName, info.name);
        add(setting::CheckDispFindAttr, info.priority);
        add(setting::CheckDispCreater, info.author);
        add(setting::CheckDispComment, info.comment);
        const std::string title = ToUtf8("壁紙情報");
        std::vector<std::string> argv;
        if (m_tool == "notify-send") {
            const std::string icon = AbsolutePath(LocalPath(path));
            argv = {"notify-send", "-a", "Pelorand", "-i", icon, "--", title, body};
        } else {
            argv = {"gdbus",
                    "call",
                    "--session",
                    "--dest",
                    "org.freedesktop.Notifications",
                    "--object-path",
                    "/org/freedesktop/Notifications",
                    "--method",
                    "org.freedesktop.Notifications.Notify",
                    GVariantString("Pelorand"),
                    "uint32 0",
                    GVariantString(AbsolutePath(LocalPath(path))),
                    GVariantString(title),
                    GVariantString(body),
                    "@as []",
                    "@a{sv} {}",
                    "int32 -1"};
        }
        CommandResult result = RunCommand(argv, m_timeoutMs, m_stopOn);
        if (!result.Ok()) Fail("cannot show a notification: " + result.Describe(m_tool));
    }

  private:
    // Notification bodies may carry markup; the texts are shown as they are.
    static std::string Escaped(const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '&')
                out += "&amp;";
            else if (c == '<')
                out += "&lt;";
            else if (c == '>')
                out += "&gt;";
            else
                out += c;
        }
        return out;
    }
    std::string m_tool;
    int m_timeoutMs = 0;
    const sigset_t* m_stopOn = nullptr;
};

bool ParseNumber(const std::string& text, std::int64_t low, std::int64_t high,
                 std::int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= low && value <= high;
}

std::string HistoryPath(const std::string& given) {
    return given.empty() ? XdgPath("XDG_STATE_HOME", "/.local/state", "history") : given;
}

// What the command line asked for; empty strings where it said nothing.
struct RunOptions {
    std::string file, interval, mode, fileType, endFile, setterName, setterCommand, historyPath;
    std::string fit;
    std::string timeout;
    std::string start, ticks;  // for tests only
    bool haveInterval = false, haveMode = false, haveFileType = false, haveEnd = false;
    bool notify = false, noHistory = false, json = false;
    bool replace = false, perMonitor = false;
};

// --fit's words, in the order of the options' list (none leaves the desktop's choice alone).
int FitFromName(const std::string& name) {
    static const char* const kNames[] = {"none", "center", "tile", "stretch", "fit", "fill"};
    for (int i = 0; i < kWallpaperFitCount; ++i) {
        if (name == kNames[i]) return i;
    }
    return -1;
}

bool ParseRunOptions(const std::vector<std::string>& args, RunOptions& o) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string* value = nullptr;
        bool* given = nullptr;
        if (a == "--notify") {
            o.notify = true;
            continue;
        }
        if (a == "--no-history") {
            o.noHistory = true;
            continue;
        }
        if (a == "--json") {
            o.json = true;
            continue;
        }
        if (a == "--replace") {
            o.replace = true;
            continue;
        }
        if (a == "--per-monitor") {
            o.perMonitor = true;
            continue;
        }
        if (a == "--interval") {
            value = &o.interval, given = &o.haveInterval;
        } else if (a == "--mode") {
            value = &o.mode, given = &o.haveMode;
        } else if (a == "--filetype") {
            value = &o.fileType, given = &o.haveFileType;
        } else if (a == "--end") {
            value = &o.endFile, given = &o.haveEnd;
        } else if (a == "--setter") {
            value = &o.setterName;
        } else if (a == "--setter-command") {
            value = &o.setterCommand;
        } else if (a == "--history") {
            value = &o.historyPath;
        } else if (a == "--fit") {
            value = &o.fit;
        } else if (a == "--timeout") {
            value = &o.timeout;
        } else if (a == "--start") {
            value = &o.start;
        } else if (a == "--ticks") {
            value = &o.ticks;
        } else if (a.size() > 1 && a[0] == '-') {
            Fail("unknown option '" + a + "'");
            return false;
        } else {
            files.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) {
            Fail("option " + a + " needs a value");
            return false;
        }
        *value = args[++i];
        if (given) *given = true;
    }
    // Without a FILE the settings name it (ExecuteFile).
    if (files.size() > 1) {
        Fail("expected one FILE (see --help)");
        return false;
    }
    if (!files.empty()) o.file = files[0];
    if (!o.fit.empty() && FitFromName(o.fit) < 0) {
        Fail("--fit must be one of none, center, tile, stretch, fit, fill, not '" + o.fit + "'");
        return false;
    }
    if (o.haveMode && o.mode != "turn" && o.mode != "random") {
        Fail("--mode must be turn or random, not '" + o.mode + "'");
        return false;
    }
    return true;
}

// The setter named on the command line, or the one for this session's desktop.
bool CreateSetter(const RunOptions& o, CDesktopSetter& setter) {
    std::string name = o.setterName;
    if (!o.setterCommand.empty()) {
        if (!name.empty() && name != "command") {
            Fail("--setter " + name + " and --setter-command exclude each other");
            return false;
        }
        name = "command";
    } else if (name == "command") {
        Fail("--setter command needs --setter-command 'CMD {}'");
        return false;
    }
    if (name.empty()) {
        name = CDesktopSetter::ForDesktop(CDesktopSetter::SessionFromEnvironment());
        if (name.empty()) {
            Fail(CDesktopSetter::NoDesktopMessage(CDesktopSetter::SessionFromEnvironment()));
            return false;
        }
    }
    std::string error;
    if (!setter.Create(name, o.setterCommand, error)) {
        Fail(error);
        return false;
    }
    return true;
}

// The changer's timer: one tick a period, the first a full period after the start. The ending
// signals stay blocked and are looked at between ticks, at every tick however late it is, and
// by the commands a tick runs, which end at once when one is pending.
class CTickTimer {
  public:
    CTickTimer(std::int64_t periodSeconds, bool wait)
        : m_step(std::chrono::seconds(periodSeconds)), m_wait(wait) {
        sigemptyset(&m_ending);
        for (int s : {SIGTERM, SIGINT, SIGHUP}) {
            sigaddset(&m_ending, s);
            // A shell starts background jobs with SIGINT ignored; here it still ends the changer.
            signal(s, SIG_DFL);
        }
        sigprocmask(SIG_BLOCK, &m_ending, nullptr);
        m_next = Steady::now() + m_step;
    }
    const sigset_t& Ending() const { return m_ending; }
    bool EndingPending() const { return SignalPending(m_ending); }
    // False when an ending signal came first (it is then taken). Without waiting (the tests'
    // stepped clock) the ticks follow each other at once, a signal still ending them between two.
    // With steering, requests are heard meanwhile: next ticks at once (Forced), pause holds
    // the ticks until resume, status is answered, and quit ends as a signal does.
    bool WaitForTick() {
        m_forced = false;
        if (m_steer) return WaitSteered();
        const timespec none = {0, 0};
        if (!m_wait) return sigtimedwait(&m_ending, nullptr, &none) <= 0;
        for (;;) {
            // An overdue tick still looks first: a slow setter must not hide a signal.
            const auto left = std::max(m_next - Steady::now(), Steady::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            const timespec wait = {static_cast<time_t>(ns / 1000000000),
                                   static_cast<long>(ns % 1000000000)};
            if (sigtimedwait(&m_ending, nullptr, &wait) > 0) return false;
            if (Steady::now() >= m_next) break;
        }
        NextPeriod();
        return true;
    }
    void Steer(CSteeringServer* steer, std::function<std::string()> status) {
        m_steer = steer;
        m_status = std::move(status);
    }
    // The tick was asked for by plr next, which waits for Answer.
    bool Forced() const { return m_forced; }
    void Answer(const std::string& text) {
        if (m_steer) m_steer->Answer(text);
    }
    bool Paused() const { return m_paused; }
    // When the next tick is due, in seconds since 1970.
    std::int64_t NextChange() const {
        const auto left = std::chrono::duration_cast<std::chrono::seconds>(m_next - Steady::now());
        return static_cast<std::int64_t>(std::time(nullptr)) +
               std::max<std::int64_t>(0, left.count());
    }

  private:
    using Steady = std::chrono::steady_clock;
    // A tick that overran its period (a slow setter) does not make the next ones bunch up.
    void NextPeriod() {
        m_next += m_step;
        if (m_next < Steady::now()) m_next = Steady::now() + m_step;
    }
    bool WaitSteered() {
        for (;;) {
            int waitMs = 0;
            if (m_wait && m_paused) {
                waitMs = -1;
            } else if (m_wait) {
                const auto left = std::max(m_next - Steady::now(), Steady::duration::zero());
                waitMs = static_cast<int>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
            }
            switch (m_steer->Wait(waitMs)) {
                case SteerRequest::Ended:
                    return false;
                case SteerRequest::Quit:
                    m_steer->Answer("0\nplr run ends\n");
                    return false;
                case SteerRequest::Next:
                    m_forced = true;
                    if (!m_paused) m_next = Steady::now() + m_step;
                    return true;
                case SteerRequest::Pause:
                    m_paused = true;
                    m_steer->Answer("0\npaused\n");
                    break;
                case SteerRequest::Resume:
                    if (m_paused) m_next = Steady::now() + m_step;
                    m_paused = false;
                    m_steer->Answer("0\nresumed\n");
                    break;
                case SteerRequest::Status:
                    m_steer->Answer("0\n" + m_status());
                    break;
                case SteerRequest::None:
                    if (!m_wait) return true;
                    if (!m_paused && Steady::now() >= m_next) {
                        NextPeriod();
                        return true;
                    }
                    break;
            }
        }
    }
    sigset_t m_ending;
    Steady::duration m_step;
    Steady::time_point m_next;
    bool m_wait;
    CSteeringServer* m_steer = nullptr;
    std::function<std::string()> m_status;
    bool m_forced = false;
    bool m_paused = false;
};

// Whether any file entry could ever be chosen: one switched on, in folders switched on.
bool HasShowableEntry(const CBlock& folder) {
    const CBlockChildList& children = folder.m_Children;
    for (BlockPos pos = children.GetHeadPosition(); pos;) {
        const CBlock* child = children.GetNext(pos);
        if (!child->m_bChangerEnabled) continue;
        if (!child->m_bFolder || HasShowableEntry(*child)) return true;
    }
    return false;
}

// Why a tick changed nothing, when it is the collection's doing rather than the moment's.
void TellWhyNothingChanged(TickEnd end, const std::string& chosen, CSettings& settings,
                           const std::string& file, CTellOnce& tell) {
    switch (end) {
        case TickEnd::NoFolder:
            tell(file + " has no folder with the changer switched on: nothing changes");
            break;
        case TickEnd::NothingFound: {
            struct stat info;
            const std::string local = LocalPath(chosen);
            if (::stat(local.c_str(), &info) != 0) {
                tell("cannot find " + Shown(chosen) + ": " + std::strerror(errno));
            } else if (S_ISDIR(info.st_mode)) {
                tell("no file of the types '" + settings.GetString(setting::FileType) + "' in " +
                     Shown(chosen));
            } else {
                tell("cannot read " + Shown(chosen));
            }
            break;
        }
        default:  // the setter told its own failure; the rest is the moment's draw
            break;
    }
}

// A JSON string of UTF-8 text; a byte that is no part of a character becomes U+FFFD, or, with
// bytesAsLatin1, every byte at or above 0x80 becomes the character of the same number.
std::string JsonString(const std::string& text, bool bytesAsLatin1 = false) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || (bytesAsLatin1 && c >= 0x80)) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
            continue;
        }
        const std::size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out + "\"";
}


// A collection's text in UTF-8 as it is stored, line breaks and all.
std::string StoredText(const std::string& text) {
    return IsUtf8Text(text) ? text : ToUtf8(text);
}

// One change as a JSON object. The path is the file's own on this system; its bytes that are
// no UTF-8 are kept in pathBytes, one character from U+0000 to U+00FF a byte.
std::string ChangeJson(const ClockReading& when, const std::string& path, const WallpaperInfo& info,
                       int level, const std::string& monitor = std::string()) {
    const LocalTimeFields& t = when.local;
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    const std::string local = LocalPath(path);
    std::string json = std::string("{\"time\":\"") + stamp + "\",\"path\":" + JsonString(local);
    if (!IsUtf8Text(local)) json += ",\"pathBytes\":" + JsonString(local, true);
    json += ",\"name\":" + JsonString(StoredText(info.name));
    json += ",\"priority\":" + std::to_string(level);
    json += ",\"label\":" + JsonString(StoredText(info.priority));
    json += ",\"author\":" + JsonString(StoredText(info.author));
    json += ",\"comment\":" + JsonString(StoredText(info.comment));
    if (!monitor.empty()) json += ",\"monitor\":" + JsonString(monitor);
    return json + "}\n";
}

std::string ChangeLine(const ClockReading& when, const std::string& path,
                       const WallpaperInfo& info, const std::string& monitor = std::string()) {
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", when.local.hour, when.local.minute,
                  when.local.second);
    std::string line = stamp;
    for (const std::string* field :
         {&path, &info.name, &info.priority, &info.author, &info.comment}) {
        line += '\t';
        line += Shown(*field);
    }
    if (!monitor.empty()) line += '\t' + monitor;
    return line + '\n';
}

// The level whose label the information shows (the inherited one); 2 for a label of none.
int PriorityLevel(const std::string& label) {
    for (short level = 0; level <= 4; ++level) {
        if (GetPriorityLabel(level) == label) return level;
    }
    return 2;
}

// A monitor as the user knows it: XFCE's property path ends in its connector's name.
std::string MonitorShownName(const std::string& monitor) {
    const std::size_t at = monitor.rfind("/monitor");
    return at == std::string::npos ? monitor : monitor.substr(at + 8);
}

constexpr int kNextTries = 64;

// What plr status prints: the picture shown with its name, author and comment, whether the
// changer is paused, and when it changes next.
std::string SteeringStatus(const std::string& path, const WallpaperInfo& info, const CBlock* entry,
                           bool paused, std::int64_t next) {
    std::string text;
    if (path.empty() || !entry) {
        text = "picture\t(none yet)\n";
    } else {
        text = "picture\t" + Shown(LocalPath(path)) + "\nname\t" + Shown(info.name) +
               "\npriority\t" + Shown(info.priority) + "\nauthor\t" + Shown(info.author) +
               "\ncomment\t" + Shown(info.comment) + "\n";
    }
    text += std::string("paused\t") + (paused ? "yes" : "no") + "\n";
    if (paused) return text + "next change\t(none while paused)\n";
    const LocalTimeFields t = LocalTimeAt(next);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text + "next change\t" + stamp + "\n";
}

}  // namespace

int RunRun(const std::vector<std::string>& args) {
    RunOptions o;
    if (!ParseRunOptions(args, o)) return 2;

    // The settings file, when there is one, under the flags.
    const std::string iniPath = SettingsFilePath();
    struct stat iniInfo;
    CTellOnce tell;
    std::unique_ptr<ISettingsStore> base;
    if (!iniPath.empty() && ::stat(iniPath.c_str(), &iniInfo) == 0) {
        auto ini = std::make_unique<CIniSettingsStore>(iniPath);
        ini->SetBadValueSink([&tell](const std::string& message) { tell(message); });
        base = std::move(ini);
    }
    CLayeredSettingsStore store(std::move(base));
    CSettings settings(store);
    if (o.file.empty()) {
        // The collection the Windows changer runs, so that the session's autostart entry
        // and user unit name none of their own.
        o.file = LocalPath(settings.GetString(setting::ExecuteFile));
        if (o.file.empty()) {
            return Fail("no FILE given, and no ExecuteFile in the section [Option] of " +
                        (iniPath.empty() ? std::string("the settings file") : iniPath));
        }
    }
    if (o.haveMode) settings.WriteInt(setting::ModType, o.mode == "turn" ? 0 : 1);
    if (o.haveFileType) settings.WriteString(setting::FileType, o.fileType);

    std::int64_t period = 0;
    if (o.haveInterval) {
        if (!ParseNumber(o.interval, 1, 9999, period)) {
            return Fail("--interval '" + o.interval +
                        "' is not a number of seconds from 1 to 9999");
        }
    } else {
        // The options sheet keeps it within 1 to 9999; a hand-edited file may not.
        period = settings.GetInt(setting::ChangerType);
        if (period < 1 || period > 9999) {
            const std::int64_t stored = period;
            period = period < 1 ? 1 : 9999;
            Fail("ChangerType " + std::to_string(stored) + " in " + iniPath +
                 " is outside 1 to 9999; " + std::to_string(period) + " is used");
        }
    }
    std::string end;
    if (o.haveEnd) {
        end = o.endFile;
    } else if (settings.GetInt(setting::EndFileSetCheck)) {
        end = settings.GetString(setting::EndFileName);
    }
    std::int64_t startSeconds = 0, tickLimit = 0;
    const bool stepped = !o.start.empty();
    if (stepped && !ParseLocalMoment(o.start, startSeconds)) {
        return Fail("--start '" + o.start + "' is not a local time as YYYY-MM-DD HH:MM:SS");
    }
    if (!o.ticks.empty() && !ParseNumber(o.ticks, 1, 100000000, tickLimit)) {
        return Fail("--ticks '" + o.ticks + "' is not a count (1 or more)");
    }

    if (o.noHistory && !o.historyPath.empty())
        return Fail("--history and --no-history exclude each other");
    const std::string historyPath = HistoryPath(o.historyPath);
    if (!o.noHistory && historyPath.empty()) {
        return Fail(
            "no home directory for the history (HOME is unset and the user has none): "
            "name one with --history FILE or XDG_STATE_HOME, or give --no-history");
    }
    struct stat historyInfo;
    if (!o.noHistory && ::stat(historyPath.c_str(), &historyInfo) == 0 &&
        S_ISDIR(historyInfo.st_mode)) {
        return Fail("the history " + historyPath + " is a directory");
    }
    struct stat collectionInfo;
    if (::stat(o.file.c_str(), &collectionInfo) == 0 && S_ISDIR(collectionInfo.st_mode)) {
        return Fail(o.file + " is a directory, not a collection");
    }
    // Loaded as the changer loads it: below a fresh root of its own.
    CBlock root;
    root.m_bFolder = 1;
    RecordReadContext context;
    const ReadStatus status = ReadCollectionFile(o.file, context, &root);
    const int openError = errno;
    if (status == ReadStatus::CannotOpen) {
        return Fail("cannot open " + o.file + ": " + std::strerror(openError));
    }
    if (status == ReadStatus::ReadError) return Fail("error while reading " + o.file);
    if (root.m_Children.GetCount() == 0) {
        struct stat fileInfo;
        if (::stat(o.file.c_str(), &fileInfo) == 0 && fileInfo.st_size > 0) {
            return Fail(o.file + " is not a collection: it holds no folder");
        }
    }

    std::int64_t timeout = CDesktopSetter::kDefaultTimeoutMs / 1000;
    if (!o.timeout.empty() && !ParseNumber(o.timeout, 1, 600, timeout)) {
        return Fail("--timeout '" + o.timeout + "' is not a number of seconds from 1 to 600");
    }
    CTickTimer timer(period, !stepped);
    // A reader that goes away must not end the changer; the desktop still wants its wallpaper.
    signal(SIGPIPE, SIG_IGN);

    CDesktopSetter desktop;
    desktop.SetTimeout(static_cast<int>(timeout * 1000));
    desktop.SetStopSignals(&timer.Ending());
    if (!o.fit.empty()) settings.WriteInt(setting::FitType, FitFromName(o.fit));
    desktop.SetFit(ToWallpaperFit(settings.GetInt(setting::FitType)));
    const std::string runtimeDir = Env("XDG_RUNTIME_DIR");
    if (!runtimeDir.empty() && runtimeDir[0] == '/') {
        desktop.SetBackgroundPidFile(runtimeDir + "/pelorand-swaybg.pid");
    }
    if (!CreateSetter(o, desktop)) return 2;
    CNotifier notifier;
    std::string error;
    if (o.notify && !notifier.Create(desktop.Timeout(), &timer.Ending(), error)) return Fail(error);

    CSystemClock systemClock;
    CFixedStepClock steppedClock;
    CRecordingClock clock(stepped ? static_cast<const IClock&>(steppedClock) : systemClock);
    CCollectionFileSystem fileSystem;
    CCollectionDisplayName displayName;
    if (!root.m_Children.IsEmpty() && !HasShowableEntry(root)) {
        tell(o.file + " has no file entry with the changer switched on: nothing changes");
    }
    CReportingSetter setter(desktop, tell);
    CCapturedInfo info;
    CChangerEngine engine(settings, clock, fileSystem, displayName, setter);
    engine.SetInfoSink(&info);
    engine.BuildRotationList(root);
    CHistoryFile history(o.noHistory ? std::string() : historyPath);

    // One changer a user: a second is refused (or, with --replace, ends the first) before it
    // changes anything. Without XDG_RUNTIME_DIR (a bare service) it runs unsteered, quietly.
    CSteeringServer steering;
    if (CSteeringServer::HasRuntimeFolder()) {
        if (!steering.Start(o.replace, timer.Ending(), error)) return Fail(error);
        timer.Steer(&steering, [&] {
            return SteeringStatus(setter.last, info.last, engine.CurrentEntry(), timer.Paused(),
                                  timer.NextChange());
        });
    }

    const bool perMonitor = o.perMonitor || settings.GetInt(setting::CheckPerMonitor) != 0;
    if (perMonitor && !desktop.CanSetEachMonitor()) {
        tell(desktop.Name() + " shows one picture on every monitor: one is set for all");
    }
    // A tick for a picture on each monitor; the lines it printed (the primary's first).
    auto tickEach = [&](const std::vector<std::string>& monitors) {
        std::vector<MonitorPick> picks = engine.PrepareEach(monitors.size());
        std::vector<TickFound> found(picks.size());
        for (std::size_t i = 0; i < picks.size(); ++i) {
            if (!picks[i].searching) {
                TellWhyNothingChanged(picks[i].end, "", settings, o.file, tell);
                continue;
            }
            const std::string chosen = picks[i].search.path;
            found[i] = CChangerEngine::Search(fileSystem, displayName, picks[i].search);
            if (found[i].end != TickEnd::Applied) {
                TellWhyNothingChanged(found[i].end, chosen, settings, o.file, tell);
            }
        }
        CChangerEngine::SetEach(setter, found);
        engine.ConcludeEach(found);
        std::string lines;
        for (std::size_t i = 0; i < found.size(); ++i) {
            if (found[i].end != TickEnd::Applied) continue;
            const std::string name = MonitorShownName(monitors[i]);
            const std::string line =
                o.json ? ChangeJson(clock.Last(), found[i].path, found[i].info,
                                    PriorityLevel(found[i].info.priority), name)
                       : ChangeLine(clock.Last(), found[i].path, found[i].info, name);
            std::fwrite(line.data(), 1, line.size(), stdout);
            history.Add(clock.Last(), found[i].path);
            lines += line;
        }
        std::fflush(stdout);
        if (o.notify && !timer.EndingPending() && found[0].end == TickEnd::Applied) {
            notifier.Show(settings, found[0].path, found[0].info);
        }
        return lines;
    };

    for (std::int64_t k = 1; timer.WaitForTick(); ++k) {
        if (stepped) steppedClock.Set(startSeconds + k * period);
        // plr next wants a change: a tick that lands on nothing (a folder of folders, say) is
        // followed by more, at most one round of the folders and a few draws.
        const int tries = timer.Forced() ? kNextTries : 1;
        std::string line;
        for (int t = 0; t < tries && line.empty(); ++t) {
            // Asked at every tick: monitors come and go. Fewer than two is the single
            // picture's tick.
            const std::vector<std::string> monitors =
                perMonitor && desktop.CanSetEachMonitor() ? desktop.Monitors()
                                                          : std::vector<std::string>();
            if (monitors.size() >= 2) {
                line = tickEach(monitors);
                if (timer.EndingPending()) break;
                continue;
            }
            TickSearch search;
            TickEnd end = TickEnd::NoFolder;
            std::string chosen;
            if (engine.Prepare(search, end)) {
                chosen = search.path;
                end = engine.Finish(
                    CChangerEngine::Search(fileSystem, displayName, std::move(search)));
            }
            if (end != TickEnd::Applied) TellWhyNothingChanged(end, chosen, settings, o.file, tell);
            if (end == TickEnd::Applied) {
                const CBlock* entry = engine.CurrentEntry();
                const int level = entry ? InheritedDetails(*entry).m_nPriority : 0;
                line = o.json ? ChangeJson(clock.Last(), setter.last, info.last, level)
                              : ChangeLine(clock.Last(), setter.last, info.last);
                std::fwrite(line.data(), 1, line.size(), stdout);
                std::fflush(stdout);
                history.Add(clock.Last(), setter.last);
                if (o.notify && !timer.EndingPending())
                    notifier.Show(settings, setter.last, info.last);
            }
            if (timer.EndingPending()) break;
        }
        if (timer.Forced()) {
            // The line printed: with a picture per monitor, every monitor's.
            timer.Answer(line.empty() ? "1\nnothing changed: see plr run's messages\n"
                                      : "0\n" + (o.json ? ChangeLine(clock.Last(), setter.last,
                                                                      info.last)
                                                         : line));
        }
        if (tickLimit && k >= tickLimit) break;
    }

    if (!end.empty() && setter.SetDesktopWallpaper(end)) {
        ClockReading now;
        now.secondsSince1970 = static_cast<std::int64_t>(std::time(nullptr));
        now.local = LocalTimeAt(now.secondsSince1970);
        history.Add(now, end);
    }
    return 0;
}

int RunHistory(const std::vector<std::string>& args) {
    std::string path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--history" && i + 1 < args.size()) {
            path = args[++i];
        } else {
            return Fail("unknown argument '" + args[i] + "' (see --help)");
        }
    }
    path = HistoryPath(path);
    if (path.empty())
        return Fail(
            "no home directory (HOME is unset and the user has none): name the history with "
            "--history FILE");
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return Fail(path + " is a directory, not a history");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT) return 0;  // nothing set yet
        return Fail("cannot open " + path + ": " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    // What was read, with the control bytes a damaged file may hold (NULs after a crash mid-
    // write, say) shown as \xNN rather than written raw to a terminal or a script.
    std::string shown;
    for (const char c : text.str()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    return 0;
}
