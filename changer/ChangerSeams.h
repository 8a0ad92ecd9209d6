// What the wallpaper changer asks of the platform. The engine only sees these interfaces; the
// Windows program, the command-line tool and the tests each supply their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/FileSystem.h"

struct LocalTimeFields {
    int year = 0;     // four digits
    int month = 0;    // 1 .. 12
    int weekday = 0;  // 1 .. 7, Sunday = 1
    int day = 0;      // day of the month
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// One reading of the clock: the moment and its local-time fields belong together, so that a
// tick never mixes two moments.
struct ClockReading {
    std::int64_t secondsSince1970 = 0;  // UTC
    LocalTimeFields local;
};

class IClock {
  public:
    virtual ~IClock() = default;
    virtual ClockReading Now() const = 0;
};

class IDisplayName {
  public:
    virtual ~IDisplayName() = default;
    // The name the shell shows for the file at path; empty when it knows none.
    virtual std::string GetDisplayName(const std::string& path) const = 0;
};

// The four texts of the information window, as the window shows them.
struct WallpaperInfo {
    std::string name;
    std::string priority;  // the priority's label
    std::string author;
    std::string comment;
};

class IInfoSink {
  public:
    virtual ~IInfoSink() = default;
    // Stores the texts and redraws at once.
    virtual void ShowWallpaperInfo(const WallpaperInfo& info) = 0;
};

class IWallpaperSetter {
  public:
    virtual ~IWallpaperSetter() = default;
    // Sets the desktop wallpaper; true when it was really set (and recorded in the history).
    virtual bool SetDesktopWallpaper(const std::string& path) = 0;

    // The same in two halves, for a caller that sets the wallpaper away from its own thread
    // and keeps its history on that thread: Apply may run on another thread and records
    // nothing; Record runs on the caller's thread once Apply said it was set. A setter with
    // no history of its own does it all in Apply.
    virtual bool Apply(const std::string& path) { return SetDesktopWallpaper(path); }
    virtual void Record(const std::string& path) { (void)path; }

    // One picture per monitor, like Apply (any thread, nothing recorded). The monitors are
    // numbered as the desktop lists them when this runs, the primary first; answers, for each
    // element, whether its picture was set. A monitor gone since the caller counted them
    // answers false. A desktop that shows one picture for all sets monitor 0's everywhere.
    struct MonitorPath {
        std::size_t monitor = 0;
        std::string path;
    };
    virtual std::vector<bool> ApplyEach(const std::vector<MonitorPath>& paths) {
        std::vector<bool> set(paths.size(), false);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (paths[i].monitor == 0) {
                set[i] = Apply(paths[i].path);
                break;
            }
        }
        return set;
    }
};
