// Setting the desktop wallpaper on Linux and other free desktops: each desktop's own way of
// storing it, run as a command (gsettings, the Plasma shell's script call, xfconf-query,
// swaymsg, a root-window setter, or the user's own command).
#pragma once

#include <string>
#include <vector>

class CDesktopSetter {
  public:
    // The names --setter takes.
    static const std::vector<std::string>& Names();
    // The setter for a desktop named in XDG_CURRENT_DESKTOP (a colon-separated list); "x" when
    // none is known but an X display is there; empty when there is nothing to go by.
    static std::string ForDesktop(const std::string& currentDesktop, bool haveX);

    // Makes the setter called name (one of Names(), or "command" with a template in which {}
    // stands for the file). False with a message naming what to install when its tool is
    // missing; for "x", the first of xwallpaper, feh and hsetroot is taken.
    bool Create(const std::string& name, const std::string& commandTemplate, std::string& error);

    // Sets the file at path as the wallpaper. Only an existing file is set.
    bool Set(const std::string& path, std::string& error);

    const std::string& Name() const { return m_name; }

    // How long one command may take before it is stopped.
    static constexpr int kDefaultTimeoutMs = 15000;
    void SetTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int Timeout() const { return m_timeoutMs; }

  private:
    bool Run(const std::vector<std::string>& argv, std::string& error, std::string* out = nullptr);
    bool SetKde(const std::string& uri, std::string& error);
    bool SetXfce(const std::string& path, std::string& error);

    std::string m_name;
    std::vector<std::string> m_template;  // the words of --setter-command
    bool m_darkKey = false;               // GNOME's schema has picture-uri-dark
    std::string m_dbusTool;               // KDE: qdbus (any of its names) or gdbus
    int m_timeoutMs = kDefaultTimeoutMs;
};

// "file://" and the absolute path, every byte but unreserved ones and '/' percent-encoded.
std::string FileUri(const std::string& absolutePath);
// The path made absolute against the current directory.
std::string AbsolutePath(const std::string& path);
// A string in GVariant's text form: single quotes, with quote, backslash and line break escaped.
std::string GVariantString(const std::string& text);
