// Setting the desktop wallpaper through the shell, and recording what was set.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "changer/ChangerSeams.h"

class CWallPaperHistory;
struct IActiveDesktop;
namespace shell {
struct IDesktopWallpaper;
}

// How the setter reaches the shell's Active Desktop object, as a hook struct so that tests can
// hand in an object of their own.
struct WallpaperSetterOps {
    // Makes the object and hands over one reference; a failure (or no object) means the shell
    // has none, and the system's own setting is used.
    std::function<HRESULT(IActiveDesktop** desktop)> activeDesktop;
    // The same for the desktop wallpaper object of Windows 8 and later (a picture per monitor);
    // none on Vista and 7, and none under Wine.
    std::function<HRESULT(shell::IDesktopWallpaper** desktop)> desktopWallpaper;
};

// The shell's own object.
const WallpaperSetterOps& SystemWallpaperSetterOps();

// Sets path (CP932) as the wallpaper through the shell's Active Desktop object, keeping
// the user's display style. Where the shell has no working Active Desktop (the object cannot be
// created, lacks the interface, or answers E_NOTIMPL, as Wine's does) the system's own wallpaper
// setting is used instead. A file that is not a picture WIC decodes (a missing file, an HTML
// page, a text file under a picture's name) or whose header claims more than 64 Mi pixels is
// not set. An empty path takes the wallpaper away. Only a wallpaper really set is appended to
// history; any other failure is silent and records nothing. True when it was set.
bool SetDesktopWallpaper(const std::string& path, CWallPaperHistory& history);
// The same without the history, for a thread other than the one that keeps it: the picture
// probed and the wallpaper set. The caller records it when this says yes.
bool ApplyDesktopWallpaper(const std::string& path);
// Both with the given hooks.
bool SetDesktopWallpaperWith(const std::string& path, CWallPaperHistory& history,
                             const WallpaperSetterOps& ops);
bool ApplyDesktopWallpaperWith(const std::string& path, const WallpaperSetterOps& ops);

// A picture per monitor: paths[i].path on monitor paths[i].monitor, the monitors numbered as
// the shell lists them now (those it reports without a place on the screen left out), the
// primary first. The fit goes once to all monitors, before the pictures. Each path is probed as
// ApplyDesktopWallpaperWith probes it; a monitor gone since it was counted is not set. Without
// the object every monitor gets monitor 0's picture through ApplyDesktopWallpaperWith. Nothing
// is recorded; answers for each element whether it was set.
std::vector<bool> ApplyDesktopWallpaperEachWith(
    const std::vector<IWallpaperSetter::MonitorPath>& paths, const WallpaperSetterOps& ops);

class CWallpaperSetter : public IWallpaperSetter {
  public:
    explicit CWallpaperSetter(CWallPaperHistory& history,
                              const WallpaperSetterOps& ops = SystemWallpaperSetterOps())
        : m_history(history), m_ops(ops) {}
    bool SetDesktopWallpaper(const std::string& path) override;
    // Apply touches only the desktop, so it may run on any thread; Record does the history.
    bool Apply(const std::string& path) override;
    void Record(const std::string& path) override;
    std::vector<bool> ApplyEach(const std::vector<MonitorPath>& paths) override;

  private:
    CWallPaperHistory& m_history;
    WallpaperSetterOps m_ops;
};
