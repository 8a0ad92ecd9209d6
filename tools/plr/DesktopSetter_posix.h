// Setting the desktop wallpaper on Linux and other free desktops: each desktop's own way of
// storing it, run as a command (gsettings, the Plasma shell's script call, xfconf-query, a
// root-window setter, or the user's own command), or a background program that keeps showing
// it (swaybg on sway and other wlroots compositors).
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "changer/WallpaperFit.h"

class CDesktopSetter {
  public:
    // The names --setter takes.
    static const std::vector<std::string>& Names();
    // What the session's environment tells of its desktop.
    struct Session {
        std::string currentDesktop;  // XDG_CURRENT_DESKTOP, a colon-separated list
        bool sway = false;           // SWAYSOCK
        bool hyprland = false;       // HYPRLAND_INSTANCE_SIGNATURE
        bool wayland = false;        // WAYLAND_DISPLAY
        bool x = false;              // DISPLAY
    };
    static Session SessionFromEnvironment();
    // The setter for the session's desktop: a name in XDG_CURRENT_DESKTOP first, then the
    // compositors' own variables (sway sets none there); "x" on a plain X display, but not in a
    // Wayland session, where DISPLAY is only Xwayland's; empty when there is nothing to go by.
    static std::string ForDesktop(const Session& session);
    // Why ForDesktop found nothing, for the user, with what to do about it.
    static std::string NoDesktopMessage(const Session& session);

    // Makes the setter called name (one of Names(), or "command" with a template in which {}
    // stands for the file). False with a message naming what to install when its tool is
    // missing; for "x", the first of xwallpaper, feh and hsetroot is taken.
    bool Create(const std::string& name, const std::string& commandTemplate, std::string& error);

    // Sets the file at path as the wallpaper. Only an existing file is set.
    bool Set(const std::string& path, std::string& error);

    // The monitors that can each show a picture of their own, as the desktop lists them now
    // (the primary first where it tells which that is); empty where the desktop shows one
    // picture on all of them or cannot say which it has. Asked at every change: monitors come
    // and go. XFCE's monitor properties, sway's outputs, Plasma's screens, RandR's monitors
    // for xwallpaper and feh.
    std::vector<std::string> Monitors();
    // Whether this setter's desktop can show a picture per monitor at all.
    bool CanSetEachMonitor() const;
    // paths[i] on monitor i of the last Monitors() (an empty path leaves that monitor as it is);
    // set[i] says which were set. Each path must be an existing file. False with the error when
    // the desktop refused them.
    bool SetEach(const std::vector<std::string>& paths, std::vector<bool>& set,
                 std::string& error);

    const std::string& Name() const { return m_name; }

    // A command still running when one of these (blocked) signals is pending is ended at once.
    void SetStopSignals(const sigset_t* stopOn) { m_stopOn = stopOn; }
    // How the picture fits the screen, in each desktop's own terms; Unchanged leaves a desktop's
    // own choice alone (the root-window setters and swaybg then fill the screen).
    void SetFit(WallpaperFit fit) { m_fit = fit; }
    // Where the pid of the background program is kept, so that the next run ends the one this
    // run leaves showing the last picture; empty keeps none.
    void SetBackgroundPidFile(const std::string& path) { m_pidFile = path; }

    // How long one command may take before it is stopped.
    static constexpr int kDefaultTimeoutMs = 15000;
    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int Timeout() const { return m_timeoutMs; }

  private:
    bool Run(const std::vector<std::string>& argv, std::string& error, std::string* out = nullptr);
    bool RunPlasmaScript(const std::string& script, std::string& error,
                         std::string* out = nullptr);
    bool SetKde(const std::string& uri, std::string& error);
    bool SetXfce(const std::string& path, std::string& error);
    bool SetSwaybg(const std::string& path, std::string& error);
    bool SetPcmanfm(const std::string& path, std::string& error);
    bool SetPictureOptions(const std::string& schema, std::string& error);
    bool SetHyprland(const std::string& path, std::string& error);
    void EndBackground(pid_t pid);
    bool StartSwaybg(const std::vector<std::string>& argv, std::string& error);
    std::vector<std::string> XfceLastImages();
    bool SetXfceEach(const std::vector<std::string>& paths, std::vector<bool>& set,
                     std::string& error);
    bool SetSwaybgEach(const std::vector<std::string>& paths, std::vector<bool>& set,
                       std::string& error);
    bool SetKdeEach(const std::vector<std::string>& uris, std::string& error);

    std::string m_name;
    std::vector<std::string> m_template;  // the words of --setter-command
    bool m_darkKey = false;               // GNOME's schema has picture-uri-dark
    std::string m_dbusTool;               // KDE: qdbus (any of its names) or gdbus
    int m_timeoutMs = kDefaultTimeoutMs;
    const sigset_t* m_stopOn = nullptr;
    WallpaperFit m_fit = WallpaperFit::Unchanged;
    pid_t m_background = -1;  // the swaybg showing the current picture
    std::string m_pidFile;
    std::vector<std::string> m_monitors;  // as the last Monitors() found them
    // The picture each monitor shows, by name: swaybg and feh replace every monitor's at once,
    // so a monitor without a new picture is given its old one again.
    std::map<std::string, std::string> m_shown;
};

// The names of sway's active outputs in the JSON of swaymsg -t get_outputs.
std::vector<std::string> SwayOutputNames(const std::string& json);
// The RandR monitors' output names in xrandr --listmonitors, in its order or the primary first.
std::vector<std::string> RandrMonitorNames(const std::string& listing, bool primaryFirst);

// True when the file at path starts as a picture the desktops take (JPEG, PNG, GIF, BMP, WebP)
// and declares a size they can show, the bound the Windows changer keeps; else why not. Only
// the header is read. hsetroot paints black on what it cannot read and reports success, and
// the other setters fail late on a web page from a directory entry.
bool IsWallpaperPicture(const std::string& path, std::string& why);

// "file://" and the absolute path, every byte but unreserved ones and '/' percent-encoded.
std::string FileUri(const std::string& absolutePath);
// The path made absolute against the current directory.
std::string AbsolutePath(const std::string& path);
// A string in GVariant's text form: single quotes, with quote, backslash and line break escaped.
std::string GVariantString(const std::string& text);
