#include "tools/plr/DesktopSetter_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "tools/plr/Command_posix.h"
#include "views/ImageHeader.h"

namespace {

struct Tool {
    const char* program;
    const char* package;  // the Debian package that brings it
};

const Tool kGsettings = {"gsettings", "libglib2.0-bin"};
const Tool kXfconf = {"xfconf-query", "xfconf"};
const Tool kSwaybg = {"swaybg", "swaybg"};
const Tool kPcmanfmQt = {"pcmanfm-qt", "pcmanfm-qt"};
const Tool kPcmanfm = {"pcmanfm", "pcmanfm"};
const Tool kHyprctl = {"hyprctl", "hyprland"};

// Each desktop's word for a fit, in the order Center, Tile, Stretch, Fit, Fill; null where
// Unchanged leaves it alone.
struct FitWords {
    const char* name;
    const char* unchanged;
    const char* words[5];
};
const FitWords kFitWords[] = {
    // GSettings' picture-options of GNOME, Cinnamon and MATE.
    {"gsettings", nullptr, {"centered", "wallpaper", "stretched", "scaled", "zoom"}},
    // xfdesktop's image-style: 1 centred, 2 tiled, 3 stretched, 4 scaled, 5 zoomed.
    {"xfce", nullptr, {"1", "2", "3", "4", "5"}},
    // Plasma's FillMode: 6 centred, 3 tiled, 0 stretched, 1 fitted, 2 cropped.
    {"kde", nullptr, {"6", "3", "0", "1", "2"}},
    {"swaybg", "fill", {"center", "tile", "stretch", "fit", "fill"}},
    {"pcmanfm-qt", nullptr, {"center", "tile", "stretch", "fit", "zoom"}},
    {"pcmanfm", nullptr, {"center", "tile", "stretch", "fit", "crop"}},
    {"xwallpaper", "--zoom", {"--center", "--tile", "--stretch", "--maximize", "--zoom"}},
    {"feh", "--bg-fill", {"--bg-center", "--bg-tile", "--bg-scale", "--bg-max", "--bg-fill"}},
    // hsetroot: -fill stretches, -extend fits and fills the rest, -full fills and crops.
    {"hsetroot", "-fill", {"-center", "-tile", "-fill", "-extend", "-full"}},
};

// The word for fit in the table called name; null when it is to be left alone.
const char* FitWord(const std::string& name, WallpaperFit fit) {
    for (const FitWords& table : kFitWords) {
        if (name != table.name) continue;
        if (fit == WallpaperFit::Unchanged) return table.unchanged;
        return table.words[static_cast<int>(fit) - 1];
    }
    return nullptr;
}
const Tool kRootSetters[] = {
    {"xwallpaper", "xwallpaper"}, {"feh", "feh"}, {"hsetroot", "hsetroot"}};

bool Need(const Tool& tool, std::string& error) {
    if (!FindProgram(tool.program).empty()) return true;
    error = std::string(tool.program) + " not found: install the package " + tool.package;
    return false;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// How long a new swaybg gets to fail (no compositor, a picture it cannot read) before it
// counts as showing the picture and the one before it is ended.
constexpr int kSwaybgSettleMs = 400;

// The swaybg that sway itself starts for its configuration's "output * bg": it draws over a
// background started after it, so plr's picture would never show while it runs. It is told
// from plr's own by the connection sway hands it (WAYLAND_SOCKET) and by its sway's socket.
std::vector<pid_t> CompositorBackgrounds(const std::string& swaySocket) {
    std::vector<pid_t> found;
    if (swaySocket.empty()) return found;
    DIR* proc = ::opendir("/proc");
    if (!proc) return found;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 1 || *end != '\0') continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        std::string name;
        std::getline(std::ifstream(dir + "/comm"), name);
        if (name != "swaybg") continue;
        // Another user's environment cannot be read, and is none of ours.
        std::ifstream in(dir + "/environ", std::ios::binary);
        bool handed = false, ours = false;
        for (std::string variable; std::getline(in, variable, '\0');) {
            handed = handed || variable.compare(0, 15, "WAYLAND_SOCKET=") == 0;
            ours = ours || variable == "SWAYSOCK=" + swaySocket;
        }
        if (handed && ours) found.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
    return found;
}

// The pid's program name, as /proc shows it; empty when there is no such process.
std::string ProgramOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace

bool IsWallpaperPicture(const std::string& path, std::string& why) {
    // The thumbnails decode no more, and a desktop would decode all of it at every change.
    constexpr std::uint64_t kMaxPixels = 64ull * 1024 * 1024;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = std::strerror(errno);
        return false;
    }
    // 64 KiB hold the start of every format; a JPEG's frame may come after colour profiles.
    std::string head(64 * 1024, '\0');
    in.read(&head[0], static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    ImageHeader header = ReadImageHeader(head);
    if (header.format == ImageHeader::Format::Jpeg && !header.sizeKnown) {
        std::string more(1024 * 1024 - head.size(), '\0');
        in.read(&more[0], static_cast<std::streamsize>(more.size()));
        more.resize(static_cast<std::size_t>(in.gcount()));
        header = ReadImageHeader(head + more);
    }
    if (header.format == ImageHeader::Format::Unknown) {
        if (head.size() >= 12 && head.compare(0, 4, "RIFF") == 0 &&
            head.compare(8, 4, "WEBP") == 0) {
            return true;
        }
        why = head.empty() ? "an empty file, not a picture"
                           : "not a picture (JPEG, PNG, GIF, BMP or WebP)";
        return false;
    }
    if (!header.sizeKnown || header.width == 0 || header.height == 0) {
        why = "a damaged picture (no size in its header)";
        return false;
    }
    if (static_cast<std::uint64_t>(header.width) * header.height > kMaxPixels) {
        why = "a picture of " + std::to_string(header.width) + "x" + std::to_string(header.height) +
              ", more than a desktop takes";
        return false;
    }
    return true;
}

std::string FileUri(const std::string& absolutePath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolutePath) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::string dir(4096, '\0');
    if (!::getcwd(&dir[0], dir.size())) return path;
    dir.resize(std::strlen(dir.c_str()));
    return dir + (dir == "/" ? "" : "/") + path;
}

std::string GVariantString(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

const std::vector<std::string>& CDesktopSetter::Names() {
    static const std::vector<std::string> names = {
        "gnome", "cinnamon", "mate", "kde",        "xfce", "sway",     "hyprland",
        "lxqt",  "lxde",     "x",    "xwallpaper", "feh",  "hsetroot", "command"};
    return names;
}

CDesktopSetter::Session CDesktopSetter::SessionFromEnvironment() {
    auto given = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    Session session;
    const char* current = std::getenv("XDG_CURRENT_DESKTOP");
    session.currentDesktop = current ? current : "";
    session.sway = given("SWAYSOCK");
    session.hyprland = given("HYPRLAND_INSTANCE_SIGNATURE");
    session.wayland = given("WAYLAND_DISPLAY");
    session.x = given("DISPLAY");
    return session;
}

std::string CDesktopSetter::ForDesktop(const Session& session) {
    const std::string& currentDesktop = session.currentDesktop;
    std::size_t start = 0;
    while (start <= currentDesktop.size()) {
        std::size_t colon = currentDesktop.find(':', start);
        if (colon == std::string::npos) colon = currentDesktop.size();
        const std::string name = Lower(currentDesktop.substr(start, colon - start));
        start = colon + 1;
        if (name == "gnome" || name == "unity" || name == "budgie" || name == "gnome-classic" ||
            name == "gnome-flashback" || name == "pantheon") {
            return "gnome";
        }
        if (name == "x-cinnamon" || name == "cinnamon") return "cinnamon";
        if (name == "mate") return "mate";
        if (name == "kde") return "kde";
        if (name == "xfce") return "xfce";
        if (name == "sway" || name == "wlroots") return "sway";
        if (name == "lxqt") return "lxqt";
        if (name == "lxde") return "lxde";
        if (name == "hyprland") return "hyprland";
    }
    if (session.sway) return "sway";
    if (session.hyprland) return "hyprland";
    return session.x && !session.wayland ? "x" : std::string();
}

std::string CDesktopSetter::NoDesktopMessage(const Session& session) {
    const std::string current = "XDG_CURRENT_DESKTOP is '" + session.currentDesktop + "'";
    if (session.wayland) {
        return "a Wayland compositor plr does not know (" + current +
               "): it sets the wallpaper on GNOME, KDE Plasma, sway, Hyprland and the desktops "
               "of plr run --help; name one with --setter, or give the compositor's own tool "
               "with --setter-command 'CMD {}'";
    }
    return "no known desktop (" + current +
           " and there is no DISPLAY): name one with --setter or --setter-command";
}

bool CDesktopSetter::Create(const std::string& name, const std::string& commandTemplate,
                            std::string& error) {
    m_name = name;
    if (name == "gnome") {
        if (!Need(kGsettings, error)) return false;
        std::string keys;
        if (Run({"gsettings", "list-keys", "org.gnome.desktop.background"}, error, &keys)) {
            m_darkKey = ("\n" + keys).find("\npicture-uri-dark\n") != std::string::npos;
        }
        error.clear();  // a missing schema shows at the first setting, with gsettings' words
        return true;
    }
    if (name == "cinnamon" || name == "mate") return Need(kGsettings, error);
    if (name == "kde") {
        for (const char* tool : {"qdbus", "qdbus6", "qdbus-qt5", "gdbus"}) {
            if (!FindProgram(tool).empty()) {
                m_dbusTool = tool;
                return true;
            }
        }
        error = "neither qdbus nor gdbus found: install the package qdbus-qt5 or libglib2.0-bin";
        return false;
    }
    if (name == "xfce") return Need(kXfconf, error);
    if (name == "sway") return Need(kSwaybg, error);
    if (name == "lxqt") return Need(kPcmanfmQt, error);
    if (name == "lxde") return Need(kPcmanfm, error);
    if (name == "hyprland") return Need(kHyprctl, error);
    if (name == "x") {
        for (const Tool& tool : kRootSetters) {
            if (!FindProgram(tool.program).empty()) {
                m_name = tool.program;
                return true;
            }
        }
        error = "no root-window setter found: install the package xwallpaper, feh or hsetroot";
        return false;
    }
    for (const Tool& tool : kRootSetters) {
        if (name == tool.program) return Need(tool, error);
    }
    if (name == "command") {
        if (!SplitCommandWords(commandTemplate, m_template, error)) return false;
        if (FindProgram(m_template[0]).empty()) {
            error = m_template[0] + " not found";
            return false;
        }
        return true;
    }
    error = "unknown setter '" + name + "'";
    return false;
}

bool CDesktopSetter::Run(const std::vector<std::string>& argv, std::string& error,
                         std::string* out) {
    CommandResult result = RunCommand(argv, m_timeoutMs, m_stopOn);
    if (!result.Ok()) {
        error = result.Describe(argv[0]);
        return false;
    }
    if (out) *out = result.out;
    return true;
}

// Plasma's own scripting, through whichever D-Bus tool the session has.
bool CDesktopSetter::RunPlasmaScript(const std::string& script, std::string& error,
                                     std::string* out) {
    if (m_dbusTool == "gdbus") {
        return Run({"gdbus", "call", "--session", "--dest", "org.kde.plasmashell", "--object-path",
                    "/PlasmaShell", "--method", "org.kde.PlasmaShell.evaluateScript",
                    GVariantString(script)},
                   error, out);
    }
    return Run({m_dbusTool, "org.kde.plasmashell", "/PlasmaShell",
                "org.kde.PlasmaShell.evaluateScript", script},
               error, out);
}

bool CDesktopSetter::SetKde(const std::string& uri, std::string& error) {
    // Every desktop of every screen and activity gets the picture, through the image plugin.
    const char* mode = FitWord("kde", m_fit);
    const std::string fillMode =
        mode ? std::string("  d.writeConfig(\"FillMode\", ") + mode + ");\n" : std::string();
    const std::string script =
        "var all = desktops();\n"
        "for (var i = 0; i < all.length; i++) {\n"
        "  var d = all[i];\n"
        "  d.wallpaperPlugin = \"org.kde.image\";\n"
        "  d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
        "  d.writeConfig(\"Image\", \"" +
        uri + "\");\n" + fillMode + "}\n";
    return RunPlasmaScript(script, error);
}

std::vector<std::string> CDesktopSetter::XfceLastImages() {
    std::string listing, ignored;
    std::vector<std::string> properties;
    if (Run({"xfconf-query", "-c", "xfce4-desktop", "-l"}, ignored, &listing)) {
        std::size_t start = 0;
        while (start < listing.size()) {
            std::size_t end = listing.find('\n', start);
            if (end == std::string::npos) end = listing.size();
            const std::string line = listing.substr(start, end - start);
            static const std::string kSuffix = "/last-image";
            if (line.size() > kSuffix.size() &&
                line.compare(line.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0) {
                properties.push_back(line);
            }
            start = end + 1;
        }
    }
    return properties;
}

bool CDesktopSetter::SetXfce(const std::string& path, std::string& error) {
    // xfdesktop keeps one last-image per monitor and workspace; all of them are set. A channel
    // with none yet (xfdesktop never ran) gets the first monitor's.
    std::vector<std::string> properties = XfceLastImages();
    if (properties.empty())
        properties.push_back("/backdrop/screen0/monitor0/workspace0/last-image");
    const char* style = FitWord("xfce", m_fit);
    for (const std::string& property : properties) {
        // -n makes the property where there is none yet and sets it where there is.
        if (!Run({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-n", "-t", "string", "-s",
                  path},
                 error)) {
            return false;
        }
        if (!style) continue;
        const std::string styleProperty =
            property.substr(0, property.size() - std::string("last-image").size()) + "image-style";
        if (!Run({"xfconf-query", "-c", "xfce4-desktop", "-p", styleProperty, "-n", "-t", "int",
                  "-s", style},
                 error)) {
            return false;
        }
    }
    return true;
}

// The fit first: a desktop that watches the keys then draws the new picture in the new way.
bool CDesktopSetter::SetPictureOptions(const std::string& schema, std::string& error) {
    const char* options = FitWord("gsettings", m_fit);
    return !options ||
           Run({"gsettings", "set", schema, "picture-options", GVariantString(options)}, error);
}

// pcmanfm-qt (LXQt) and pcmanfm (LXDE) hand the picture to their running desktop.
bool CDesktopSetter::SetPcmanfm(const std::string& path, std::string& error) {
    const std::string program = m_name == "lxqt" ? "pcmanfm-qt" : "pcmanfm";
    std::vector<std::string> argv = {program, "--set-wallpaper", path};
    if (const char* mode = FitWord(program, m_fit)) {
        argv.push_back("--wallpaper-mode");
        argv.push_back(mode);
    }
    CommandResult result = RunCommand(argv, m_timeoutMs, m_stopOn);
    if (!result.Ok()) {
        error = result.Describe(program);
        return false;
    }
    // LXDE's pcmanfm answers this, and succeeds, when it does not draw the desktop.
    if ((result.out + result.error).find("not active") != std::string::npos) {
        error = program + ": its desktop manager is not active (start it with " + program +
                " --desktop)";
        return false;
    }
    return true;
}

// Hyprland: hyprpaper loads the picture, shows it on every monitor (no monitor named), and
// lets go of the ones no longer shown.
bool CDesktopSetter::SetHyprland(const std::string& path, std::string& error) {
    // hyprctl succeeds whatever hyprpaper answers; hyprpaper says "ok" when it did it.
    auto ask = [&](const std::vector<std::string>& argv) {
        std::string reply;
        if (!Run(argv, error, &reply)) return false;
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == ' ')) reply.pop_back();
        if (reply.empty() || reply == "ok") return true;
        error = "hyprpaper: " + reply.substr(0, reply.find('\n'));
        return false;
    };
    if (!ask({"hyprctl", "hyprpaper", "preload", path}) ||
        !ask({"hyprctl", "hyprpaper", "wallpaper", "," + path})) {
        return false;
    }
    std::string ignored;  // memory only: the picture is shown either way
    Run({"hyprctl", "hyprpaper", "unload", "unused"}, ignored);
    return true;
}

// sway hands a path given over its IPC to a shell; swaybg takes it as one argument. The new one
// is started before the old one is ended, so the screen never shows the grey between.
bool CDesktopSetter::SetSwaybg(const std::string& path, std::string& error) {
    if (!StartSwaybg({"swaybg", "-o", "*", "-i", path, "-m", FitWord("swaybg", m_fit)}, error)) {
        return false;
    }
    m_shown.clear();
    m_shown["*"] = path;
    return true;
}

bool CDesktopSetter::StartSwaybg(const std::vector<std::string>& argv, std::string& error) {
    pid_t previous = m_background;
    if (previous < 0 && !m_pidFile.empty()) {
        std::ifstream in(m_pidFile);
        long stored = 0;
        // Only a swaybg: the pid may have been taken by another program since.
        if (in >> stored && stored > 1 && ProgramOf(static_cast<pid_t>(stored)) == "swaybg") {
            previous = static_cast<pid_t>(stored);
        }
    }
    // Its words go to a file of no name: read when it gives up at once, and otherwise, where a
    // pipe left unread would stop it, kept from plr's own output, which they would fill at
    // every change.
    const std::string tempDir =
        m_pidFile.empty() ? "/tmp" : m_pidFile.substr(0, m_pidFile.rfind('/') + 1);
    int words = ::open(tempDir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (words < 0) words = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    const pid_t pid = StartDetached(argv, words, error);
    auto said = [words] {
        std::string text(4096, '\0');
        const ssize_t n = words >= 0 ? ::pread(words, &text[0], text.size(), 0) : -1;
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return text.substr(0, text.find('\n'));
    };
    if (pid < 0) {
        if (words >= 0) ::close(words);
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point settled = Clock::now() + std::chrono::milliseconds(kSwaybgSettleMs);
    while (Clock::now() < settled && !(m_stopOn && SignalPending(*m_stopOn))) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            error = WIFEXITED(status)
                        ? "swaybg failed (exit " + std::to_string(WEXITSTATUS(status)) + ")"
                        : "swaybg was ended by a signal";
            const std::string why = said();
            if (!why.empty()) error += ": " + why;
            if (words >= 0) ::close(words);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (words >= 0) ::close(words);
    m_background = pid;
    if (!m_pidFile.empty()) std::ofstream(m_pidFile, std::ios::trunc) << pid << '\n';
    if (previous > 0) EndBackground(previous);
    // Ended at each change: sway starts it again when its configuration is reloaded.
    const char* swaySocket = std::getenv("SWAYSOCK");
    for (pid_t configured : CompositorBackgrounds(swaySocket ? swaySocket : "")) {
        ::kill(configured, SIGTERM);
    }
    return true;
}

void CDesktopSetter::EndBackground(pid_t pid) {
    // A group of its own (its session): whatever it started goes with it.
    ::kill(-pid, SIGTERM);
    ::kill(pid, SIGTERM);
    // Our own child is reaped; one of an earlier run belongs to init.
    for (int i = 0; i < 100; ++i) {
        const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

bool CDesktopSetter::Set(const std::string& given, std::string& error) {
    struct stat info;
    if (::stat(given.c_str(), &info) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "not a file";
        return false;
    }
    const std::string path = AbsolutePath(given);
    if (m_name == "gnome" || m_name == "cinnamon") {
        const std::string schema =
            m_name == "gnome" ? "org.gnome.desktop.background" : "org.cinnamon.desktop.background";
        const std::string uri = GVariantString(FileUri(path));
        if (!SetPictureOptions(schema, error)) return false;
        if (!Run({"gsettings", "set", schema, "picture-uri", uri}, error)) return false;
        return !m_darkKey || Run({"gsettings", "set", schema, "picture-uri-dark", uri}, error);
    }
    if (m_name == "mate") {
        return SetPictureOptions("org.mate.background", error) &&
               Run({"gsettings", "set", "org.mate.background", "picture-filename",
                    GVariantString(path)},
                   error);
    }
    if (m_name == "lxqt" || m_name == "lxde") return SetPcmanfm(path, error);
    if (m_name == "hyprland") return SetHyprland(path, error);
    if (m_name == "kde") return SetKde(FileUri(path), error);
    if (m_name == "xfce") return SetXfce(path, error);
    if (m_name == "sway") return SetSwaybg(path, error);
    if (m_name == "xwallpaper") return Run({"xwallpaper", FitWord(m_name, m_fit), path}, error);
    if (m_name == "feh") {
        if (!Run({"feh", "--no-fehbg", FitWord(m_name, m_fit), path}, error)) return false;
        m_shown.clear();
        m_shown["*"] = path;
        return true;
    }
    if (m_name == "hsetroot") return Run({"hsetroot", FitWord(m_name, m_fit), path}, error);
    // The user's command: {} in any word stands for the file; without one, the file comes last.
    std::vector<std::string> argv;
    bool placed = false;
    for (std::string word : m_template) {
        for (std::size_t at = word.find("{}"); at != std::string::npos;
             at = word.find("{}", at + path.size())) {
            word.replace(at, 2, path);
            placed = true;
        }
        argv.push_back(word);
    }
    if (!placed) argv.push_back(path);
    return Run(argv, error);
}

namespace {

// The monitor part of an XFCE backdrop property ("/backdrop/screen0/monitorHDMI-1"), and its
// name after "monitor"; false for a property of no monitor.
bool XfceMonitor(const std::string& property, std::string& key, std::string& name) {
    const std::size_t at = property.find("/monitor");
    if (at == std::string::npos) return false;
    const std::size_t end = property.find('/', at + 1);
    if (end == std::string::npos) return false;
    key = property.substr(0, end);
    name = property.substr(at + 8, end - at - 8);
    return !name.empty();
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The next JSON string from `at` (just after its opening quote), escapes kept as they are; at
// is left after the closing quote.
std::string JsonStringAt(const std::string& json, std::size_t& at) {
    std::string text;
    while (at < json.size() && json[at] != '"') {
        if (json[at] == '\\' && at + 1 < json.size()) text += json[at++];
        text += json[at++];
    }
    ++at;
    return text;
}

}  // namespace

std::vector<std::string> SwayOutputNames(const std::string& json) {
    // Only the outputs' own "name" and "active", one level inside the top array: the modes and
    // the rectangles nested below them are passed over.
    std::vector<std::string> names;
    std::string name, lastKey;
    bool active = true, afterColon = false;
    int depth = 0;
    for (std::size_t at = 0; at < json.size();) {
        const char c = json[at++];
        if (c == '"') {
            const std::string text = JsonStringAt(json, at);
            if (depth == 2 && afterColon && lastKey == "name") name = text;
            if (!afterColon) lastKey = text;
            afterColon = false;
        } else if (c == ':') {
            afterColon = true;
        } else if (c == '{' || c == '[') {
            if (++depth == 2) name.clear(), active = true;
            afterColon = false;
        } else if (c == '}' || c == ']') {
            if (depth-- == 2 && c == '}' && active && !name.empty()) names.push_back(name);
            afterColon = false;
        } else if (c == ',') {
            afterColon = false;
        } else if (depth == 2 && afterColon && lastKey == "active" && c == 'f') {
            active = false;
        }
    }
    return names;
}

std::vector<std::string> RandrMonitorNames(const std::string& listing, bool primaryFirst) {
    std::vector<std::string> names;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number, flags, word, last;
        // " 0: +*HDMI-1 1920/527x1080/296+0+0  HDMI-1"
        if (!(words >> number >> flags) || number.size() < 2 || number.back() != ':' ||
            !AllDigits(number.substr(0, number.size() - 1))) {
            continue;
        }
        while (words >> word) last = word;
        if (last.empty()) continue;
        if (primaryFirst && flags.find('*') != std::string::npos) {
            names.insert(names.begin(), last);
        } else {
            names.push_back(last);
        }
    }
    return names;
}

bool CDesktopSetter::CanSetEachMonitor() const {
    return m_name == "xfce" || m_name == "sway" || m_name == "kde" || m_name == "xwallpaper" ||
           m_name == "feh";
}

std::vector<std::string> CDesktopSetter::Monitors() {
    m_monitors.clear();
    std::string out, ignored;
    if (m_name == "xfce") {
        // Connector names (monitorHDMI-1) are today's; numbered ones (monitor0) are left from
        // older versions, and are the monitors only where there are no others.
        std::vector<std::string> named, numbered;
        for (const std::string& property : XfceLastImages()) {
            std::string key, name;
            if (!XfceMonitor(property, key, name)) continue;
            std::vector<std::string>& list = AllDigits(name) ? numbered : named;
            if (std::find(list.begin(), list.end(), key) == list.end()) list.push_back(key);
        }
        m_monitors = named.empty() ? numbered : named;
    } else if (m_name == "sway") {
        if (!FindProgram("swaymsg").empty() &&
            Run({"swaymsg", "-t", "get_outputs", "-r"}, ignored, &out)) {
            m_monitors = SwayOutputNames(out);
        }
    } else if (m_name == "kde") {
        const std::string script = "print(screenCount);";
        const bool asked = RunPlasmaScript(script, ignored, &out);
        const std::size_t digit = asked ? out.find_first_of("0123456789") : std::string::npos;
        const int count = digit == std::string::npos ? 0 : std::atoi(out.c_str() + digit);
        for (int i = 0; i < count && i < 64; ++i) m_monitors.push_back(std::to_string(i));
    } else if (m_name == "xwallpaper" || m_name == "feh") {
        // feh takes its files in the screens' own order, which is RandR's.
        if (!FindProgram("xrandr").empty() && Run({"xrandr", "--listmonitors"}, ignored, &out)) {
            m_monitors = RandrMonitorNames(out, m_name == "xwallpaper");
        }
    }
    // One monitor is what a single picture already covers.
    if (m_monitors.size() < 2) m_monitors.clear();
    return m_monitors;
}

bool CDesktopSetter::SetXfceEach(const std::vector<std::string>& paths, std::vector<bool>& set,
                                 std::string& error) {
    const char* style = FitWord("xfce", m_fit);
    std::vector<bool> failed(m_monitors.size(), false), done(m_monitors.size(), false);
    for (const std::string& property : XfceLastImages()) {
        std::string key, name;
        if (!XfceMonitor(property, key, name)) continue;
        const auto found = std::find(m_monitors.begin(), m_monitors.end(), key);
        // A property left from an older version follows the first monitor.
        std::size_t i = found == m_monitors.end() ? 0 : found - m_monitors.begin();
        if (found == m_monitors.end() && !AllDigits(name)) continue;  // came since the count
        if (i >= paths.size() || paths[i].empty()) continue;
        bool ok = Run({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-n", "-t", "string",
                       "-s", paths[i]},
                      error);
        if (ok && style) {
            const std::string styleProperty =
                property.substr(0, property.size() - std::string("last-image").size()) +
                "image-style";
            ok = Run({"xfconf-query", "-c", "xfce4-desktop", "-p", styleProperty, "-n", "-t", "int",
                      "-s", style},
                     error);
        }
        if (found == m_monitors.end()) continue;
        if (!ok) failed[i] = true;
        done[i] = true;
    }
    for (std::size_t i = 0; i < m_monitors.size() && i < paths.size(); ++i) {
        set[i] = done[i] && !failed[i];
    }
    return std::find(failed.begin(), failed.end(), true) == failed.end();
}

bool CDesktopSetter::SetSwaybgEach(const std::vector<std::string>& paths, std::vector<bool>& set,
                                   std::string& error) {
    // One swaybg for all outputs, each with its own picture: one program to end at the next
    // change, and no output left grey between two.
    std::vector<std::string> argv = {"swaybg"};
    std::map<std::string, std::string> shown;
    for (std::size_t i = 0; i < m_monitors.size(); ++i) {
        std::string path = i < paths.size() ? paths[i] : std::string();
        if (path.empty()) {
            auto old = m_shown.find(m_monitors[i]);
            if (old == m_shown.end()) old = m_shown.find("*");
            if (old == m_shown.end()) continue;
            path = old->second;
        }
        argv.insert(argv.end(), {"-o", m_monitors[i], "-i", path, "-m", FitWord("swaybg", m_fit)});
        shown[m_monitors[i]] = path;
    }
    if (!StartSwaybg(argv, error)) return false;
    m_shown = std::move(shown);
    for (std::size_t i = 0; i < m_monitors.size() && i < paths.size(); ++i) {
        set[i] = !paths[i].empty();
    }
    return true;
}

bool CDesktopSetter::SetKdeEach(const std::vector<std::string>& uris, std::string& error) {
    // Each screen's desktop gets its screen's picture; a desktop of no screen keeps its own.
    std::string list;
    for (const std::string& uri : uris) list += (list.empty() ? "\"" : ", \"") + uri + "\"";
    const char* mode = FitWord("kde", m_fit);
    const std::string fillMode =
        mode ? std::string("  d.writeConfig(\"FillMode\", ") + mode + ");\n" : std::string();
    const std::string script =
        "var pictures = [" + list +
        "];\n"
        "var all = desktops();\n"
        "for (var i = 0; i < all.length; i++) {\n"
        "  var d = all[i];\n"
        "  if (d.screen < 0 || d.screen >= pictures.length || pictures[d.screen] == \"\") "
        "continue;\n"
        "  d.wallpaperPlugin = \"org.kde.image\";\n"
        "  d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
        "  d.writeConfig(\"Image\", pictures[d.screen]);\n" +
        fillMode + "}\n";
    return RunPlasmaScript(script, error);
}

bool CDesktopSetter::SetEach(const std::vector<std::string>& given, std::vector<bool>& set,
                             std::string& error) {
    set.assign(given.size(), false);
    std::vector<std::string> paths(given.size());
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (!given[i].empty()) paths[i] = AbsolutePath(given[i]);
    }
    if (m_monitors.empty()) {
        // One picture for all: the first monitor's.
        if (paths.empty() || paths[0].empty()) return true;
        set[0] = Set(paths[0], error);
        return set[0];
    }
    if (m_name == "xfce") return SetXfceEach(paths, set, error);
    if (m_name == "sway") return SetSwaybgEach(paths, set, error);
    if (m_name == "kde") {
        std::vector<std::string> uris;
        for (const std::string& path : paths) uris.push_back(path.empty() ? "" : FileUri(path));
        if (!SetKdeEach(uris, error)) return false;
    } else if (m_name == "xwallpaper") {
        std::vector<std::string> argv = {"xwallpaper"};
        for (std::size_t i = 0; i < m_monitors.size() && i < paths.size(); ++i) {
            if (paths[i].empty()) continue;
            argv.insert(argv.end(), {"--output", m_monitors[i], FitWord(m_name, m_fit), paths[i]});
        }
        if (argv.size() == 1) return true;
        if (!Run(argv, error)) return false;
    } else if (m_name == "feh") {
        // A file for every screen up to the last, in order: the old picture where there is no new.
        std::vector<std::string> argv = {"feh", "--no-fehbg", FitWord(m_name, m_fit)};
        std::map<std::string, std::string> shown;
        for (std::size_t i = 0; i < m_monitors.size(); ++i) {
            std::string path = i < paths.size() ? paths[i] : std::string();
            if (path.empty() && m_shown.count(m_monitors[i])) path = m_shown[m_monitors[i]];
            if (path.empty() && m_shown.count("*")) path = m_shown["*"];
            if (path.empty()) break;
            argv.push_back(path);
            shown[m_monitors[i]] = path;
        }
        if (argv.size() == 3) return true;
        if (!Run(argv, error)) return false;
        m_shown = std::move(shown);
    } else {
        return false;
    }
    for (std::size_t i = 0; i < m_monitors.size() && i < paths.size(); ++i) {
        set[i] = !paths[i].empty();
    }
    return true;
}
