// Setting the desktop wallpaper on Linux and other free desktops: each desktop's own way of
// storing it, run as a command (gsettings, the Plasma shell's script call, xfconf-query, a
// root-window setter, or the user's own command), or a background program that keeps showing
// it (swaybg on sway and other wlroots compositors).
#pragma once

#include <signal.h>
#include <sys/types.h>

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
    bool SetKde(const std::string& uri, std::string& error);
    bool SetXfce(const std::string& path, std::string& error);
    bool SetSwaybg(const std::string& path, std::string& error);
    bool SetPcmanfm(const std::string& path, std::string& error);
    bool SetPictureOptions(const std::string& schema, std::string& error);
    bool SetHyprland(const std::string& path, std::string& error);
    void EndBackground(pid_t pid);

    std::string m_name;
    std::vector<std::string> m_template;  // the words of --setter-command
    bool m_darkKey = false;               // GNOME's schema has picture-uri-dark
    std::string m_dbusTool;               // KDE: qdbus (any of its names) or gdbus
    int m_timeoutMs = kDefaultTimeoutMs;
    const sigset_t* m_stopOn = nullptr;
    WallpaperFit m_fit = WallpaperFit::Unchanged;
    pid_t m_background = -1;  // the swaybg showing the current picture
    std::string m_pidFile;
};

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
