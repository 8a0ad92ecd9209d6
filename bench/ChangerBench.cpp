// Timings of the wallpaper changer's tick. Not a test: it prints figures and never fails.
//   changer_bench [TICKS]
// 1. Ticks per second over 100,000 file entries, as 10 folders x 10,000 and as 10,000 folders
//    x 10, in each mode (an in-memory file system, so the engine's own cost is measured).
// 2. One tick on a directory entry of 20,000 files against one plain listing of the directory.
// 3. Heap in use after 1,000 ticks and after 1,000,000.
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "changer/ChangerEngine.h"
#include "changer/PlatformDisplayName.h"
#include "model/PlatformFileSystem.h"
#include "changer/WallPaperHistory.h"
#include "model/Wildcard.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

class StepClock : public IClock {
  public:
    ClockReading Now() const override {
        ClockReading r;
        r.secondsSince1970 = seconds;
        std::int64_t s = seconds % 86400;
        r.local = LocalTimeFields{2026,
                                  12,
                                  1 + static_cast<int>(seconds / 86400 % 7),
                                  1 + static_cast<int>(seconds / 86400 % 28),
                                  static_cast<int>(s / 3600),
                                  static_cast<int>(s / 60 % 60),
                                  static_cast<int>(s % 60)};
        return r;
    }
    std::int64_t seconds = 1765000000;
};

// Every path is a plain file: the tick's own work, without the disk.
class FilesOnly : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string&) const override { return {true, false}; }
    void Enumerate(const std::string&, const std::string&,
                   const std::function<bool(const std::string&)>&) const override {}
    char Separator() const override { return '/'; }
};

class NoWindow : public IInfoSink {
  public:
    void ShowWallpaperInfo(const WallpaperInfo& info) override { shown += info.name.size(); }
    std::size_t shown = 0;
};

class Recorder : public IWallpaperSetter {
  public:
    bool SetDesktopWallpaper(const std::string& path) override {
        history.Record(path);
        return true;
    }
    CWallPaperHistory history;
};

CBlock* Add(CBlock& parent, const std::string& name, bool folder, short priority) {
    CBlock* e = new CBlock;
    e->m_strName = name;
    e->m_bFolder = folder;
    e->m_nPriority = priority;
    e->m_pParent = &parent;
    parent.m_Children.AddTail(e);
    return e;
}

std::unique_ptr<CBlock> Collection(int folders, int filesEach) {
    auto root = std::make_unique<CBlock>();
    root->m_bFolder = 1;
    CBlock* top = Add(*root, "Top", true, 2);
    int n = 0;
    for (int f = 0; f < folders; ++f) {
        CBlock* folder = Add(*top, "F" + std::to_string(f), true, 2);
        for (int i = 0; i < filesEach; ++i, ++n) {
            Add(*folder, "/pics/f" + std::to_string(f) + "/p" + std::to_string(i) + ".jpg", false,
                static_cast<short>(n % 5));
        }
    }
    return root;
}

struct Engine {
    CMemorySettingsStore store;
    CSettings settings{store};
    StepClock clock;
    CPlatformDisplayName names;
    NoWindow window;
    Recorder setter;
    std::unique_ptr<IFileSystem> fs;
    std::unique_ptr<CChangerEngine> engine;

    explicit Engine(std::unique_ptr<IFileSystem> fileSystem) : fs(std::move(fileSystem)) {
        engine = std::make_unique<CChangerEngine>(settings, clock, *fs, names, setter);
        engine->SetInfoSink(&window);
    }
    long Run(long ticks, long applied = 0) {
        for (long i = 0; i < ticks; ++i) {
            clock.seconds += 600;
            if (engine->Tick() == TickEnd::Applied) ++applied;
        }
        return applied;
    }
};

void TicksPerSecond(long ticks) {
    std::printf("== ticks per second, 100,000 file entries (%ld ticks each)\n", ticks);
    for (auto [folders, each] : {std::pair{10, 10000}, std::pair{10000, 10}}) {
        auto root = Collection(folders, each);
        for (int mode : {1, 0}) {
            Engine e(std::make_unique<FilesOnly>());
            e.settings.WriteInt(setting::ModType, mode);
            e.engine->BuildRotationList(*root);
            e.Run(1000);
            const auto start = Clock::now();
            const long applied = e.Run(ticks);
            const double s = Seconds(start);
            std::printf("%6d folders x %6d  %-7s %10.0f ticks/s  (%ld applied)\n", folders, each,
                        mode ? "random" : "in turn", ticks / s, applied);
        }
    }
}

long PlainListing(const std::string& dir, bool match) {
    long n = 0;
    DIR* d = opendir(dir.c_str());
    while (const dirent* e = readdir(d)) {
        if (!match || MatchesWildcard(e->d_name, "*.JPG")) ++n;
    }
    closedir(d);
    return n;
}

void DirectoryTick() {
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("changer_bench_" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(dir);
    for (int i = 0; i < 20000; ++i) std::ofstream(dir + "/img" + std::to_string(i) + ".jpg");
    std::printf("== one tick on a directory entry of 20,000 files\n");
    const int rounds = 200;
    auto start = Clock::now();
    long n = 0;
    for (int i = 0; i < rounds; ++i) n += PlainListing(dir, false);
    const double plain = Seconds(start) / rounds;
    start = Clock::now();
    for (int i = 0; i < rounds; ++i) n += PlainListing(dir, true);
    const double plainMatch = Seconds(start) / rounds;
    std::printf("plain listing            %8.3f ms (with the wildcard match %.3f ms)\n",
                plain * 1e3, plainMatch * 1e3);

    CBlock root;
    root.m_bFolder = 1;
    Add(*Add(root, "F", true, 2), dir, false, 2);
    for (const char* types : {"JPG", "BMP JPG HTML"}) {
        Engine e(std::make_unique<CPlatformFileSystem>());
        e.settings.WriteString(setting::FileType, types);
        e.engine->BuildRotationList(root);
        double worst = 0;
        start = Clock::now();
        long applied = 0;
        for (int i = 0; i < rounds; ++i) {
            const auto one = Clock::now();
            applied = e.Run(1, applied);
            worst = std::max(worst, Seconds(one));
        }
        const double mean = Seconds(start) / rounds;
        std::printf(
            "tick, FileType %-13s %8.3f ms mean, %.3f ms worst (%.2fx / %.2fx the plain "
            "listing; %ld of %d applied)\n",
            ("\"" + std::string(types) + "\"").c_str(), mean * 1e3, worst * 1e3, mean / plain,
            worst / plain, applied, rounds);
    }
    std::filesystem::remove_all(dir);
    if (n < 0) std::puts("");
}

void Memory() {
    std::printf("== heap in use (mallinfo2), 10,000 folders x 10, random mode\n");
    auto root = Collection(10000, 10);
    Engine e(std::make_unique<FilesOnly>());
    e.engine->BuildRotationList(*root);
    e.Run(1000);
    const std::size_t after1k = mallinfo2().uordblks;
    e.Run(999000);
    const std::size_t after1m = mallinfo2().uordblks;
    std::printf("after 1,000 ticks %zu bytes, after 1,000,000 ticks %zu bytes (difference %lld)\n",
                after1k, after1m,
                static_cast<long long>(after1m) - static_cast<long long>(after1k));
}

}  // namespace

int main(int argc, char** argv) {
    const long ticks = argc > 1 ? std::atol(argv[1]) : 200000;
    TicksPerSecond(ticks);
    DirectoryTick();
    Memory();
    return 0;
}
