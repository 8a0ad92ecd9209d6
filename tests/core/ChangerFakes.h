// Stand-ins for the changer's seams: a clock set by the test, an in-memory file system that
// counts its listings, and recorders for the information window and the wallpaper.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "changer/ChangerSeams.h"
#include "model/Wildcard.h"
#include "model/Mbcs.h"

class FakeClock : public IClock {
  public:
    FakeClock() {
        // Sunday 2026-12-06 14:02:36: a time sum of 2097.
        reading.local = LocalTimeFields{2026, 12, 1, 6, 14, 2, 36};
    }
    ClockReading Now() const override { return reading; }
    ClockReading reading;
};

class FakeFileSystem : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override {
        ++attributeCalls;
        PathAttributes a;
        if (files.count(path)) {
            a.readable = true;
        } else if (dirs.count(path)) {
            a.readable = true;
            a.isDirectory = true;
        }
        return a;
    }
    void Enumerate(const std::string& dir, const std::string& pattern,
                   const std::function<bool(const std::string&)>& onName) const override {
        ++listings[{dir, pattern}];
        auto found = dirs.find(dir);
        if (found == dirs.end()) return;
        for (const auto& name : found->second) {
            ++namesVisited;
            if (MatchesWildcard(name, pattern) && !onName(name)) return;
        }
    }
    char Separator() const override { return '\\'; }

    std::map<std::string, bool> files;                     // plain files by path
    std::map<std::string, std::vector<std::string>> dirs;  // names in listing order
    mutable int attributeCalls = 0;
    mutable long namesVisited = 0;
    mutable std::map<std::pair<std::string, std::string>, int> listings;
};

class FakeDisplayName : public IDisplayName {
  public:
    std::string GetDisplayName(const std::string& path) const override {
        ++calls;
        return "shown:" + mbcs::FileName(path);
    }
    mutable int calls = 0;
};

class FakeInfoSink : public IInfoSink {
  public:
    void ShowWallpaperInfo(const WallpaperInfo& info) override { shown.push_back(info); }
    std::vector<WallpaperInfo> shown;
};

class FakeSetter : public IWallpaperSetter {
  public:
    bool SetDesktopWallpaper(const std::string& path) override {
        paths.push_back(path);
        return succeed;
    }
    std::vector<std::string> paths;
    bool succeed = true;
};
