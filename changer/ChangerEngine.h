// The wallpaper changer's selection step: at every tick the next folder of the rotation, one
// of its file entries (in turn, or at random weighted by priority), a directory entry resolved
// to one file, the information window filled in, and the wallpaper set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "changer/ChangerSeams.h"
#include "changer/CrtRandom.h"

class CBlock;
class CSettings;

// How a tick ended; only Applied changed the wallpaper.
enum class TickEnd {
    NoFolder,          // the rotation holds no enabled folder
    NoTime,            // the clock gave no local time to draw with
    NoEntry,           // the folder offered no enabled file entry
    DisabledAncestor,  // the entry lies below a folder that is switched off
    NothingFound,      // the directory search found no file
    ApplyFailed,       // the wallpaper could not be set
    Applied,
};

// Year + month + weekday (Sunday = 1) + day + hour + minute + second: the modulus of the draws.
int TimeSum(const LocalTimeFields& local);

// The entry whose author, comment and priority are shown for file entry `file`: the file
// itself, or, when it or its folder inherits, the nearest ancestor above the inheriting one
// whose own inherit flag is clear. A walk that finds none leaves the file's own.
const CBlock& InheritedDetails(const CBlock& file);

// The modulus of a candidate's acceptance draw: priority + 2, with the priority held to the
// five defined levels so that a foreign value can neither divide by zero nor go negative.
int AcceptanceModulus(short priority);

// The part of a tick that reads the disk, cut out so that it can run away from the window's
// thread: it owns copies of everything it needs and touches neither the tree nor the engine.
struct TickSearch {
    std::string path;  // the chosen entry's path
    std::vector<std::string> tokens;
    std::size_t tokenCount = 0;
    int drawn = 0;
    int timeSum = 0;    // the modulus drawn was drawn with
    CCrtRandom random;  // the tick's generator as it stands before the directory search
    bool wantInfo = false;
    WallpaperInfo info;  // priority, author and comment already resolved
};

// What the disk said: the path to set and the texts to show, or NothingFound.
struct TickFound {
    TickEnd end = TickEnd::NothingFound;
    std::string path;
    WallpaperInfo info;
};

// One monitor's share of a tick for several monitors: either search holds its disk work, or
// end says how its choice already ended.
struct MonitorPick {
    bool searching = false;
    TickEnd end = TickEnd::NoFolder;
    TickSearch search;
};

// The seed of monitor `monitor`'s draws in a tick of the given second: the second itself for
// the first monitor (so one monitor draws what a single picture always drew), and for the
// others the second mixed with the monitor's number. Monitors seeded alike would draw alike,
// and a monitor choosing from the same folder would take the same picture; the mix changes the
// low bits too, which alone decide the generator's output.
std::uint32_t MonitorSeed(std::int64_t secondsSince1970, std::size_t monitor);

class CChangerEngine {
  public:
    CChangerEngine(CSettings& settings, IClock& clock, IFileSystem& fileSystem,
                   IDisplayName& displayName, IWallpaperSetter& setter);
    CChangerEngine(const CChangerEngine&) = delete;
    CChangerEngine& operator=(const CChangerEngine&) = delete;

    // The information window, or null while there is none.
    void SetInfoSink(IInfoSink* sink) { m_pInfo = sink; }

    // Every folder below root, depth first, a folder before its sub-folders; root itself is not
    // included. The entries stay owned by the tree, which must outlive the list.
    void BuildRotationList(CBlock& root);
    // Forgets the list without touching the entries, and starts the rotation over.
    void ClearRotationList();
    const std::vector<CBlock*>& RotationList() const { return m_rotation; }
    // The entry whose wallpaper the last applied tick set (for a directory entry, the entry
    // itself); null before the first change and after the list is cleared.
    const CBlock* CurrentEntry() const { return m_pCurrent; }

    // One whole tick on this thread: Prepare, Search, Finish.
    TickEnd Tick();

    // The tick in three steps. Prepare chooses the entry (the rotation, the cursors and the
    // draws) and returns false when the tick has already ended, with `end` saying how; else
    // search holds the disk work. Search may run on any thread with its own file system and
    // display name. Finish sets the wallpaper and, only when it was set, shows the texts.
    bool Prepare(TickSearch& search, TickEnd& end);
    // stop, when given, ends a directory search at once, finding nothing.
    static TickFound Search(const IFileSystem& fileSystem, const IDisplayName& displayName,
                            TickSearch search, const std::function<bool()>& stop = {});
    TickEnd Finish(const TickFound& found);

    // Finish in two halves, for a caller that sets the wallpaper on the thread that searched:
    // Set there (through the setter's Apply; found.end becomes ApplyFailed when it was not
    // set), then Conclude on this one, which records a wallpaper set, makes its entry the
    // current one and shows its texts. Search, Set and Conclude end as Finish would.
    static void Set(IWallpaperSetter& setter, TickFound& found);
    TickEnd Conclude(const TickFound& found);

    // The tick for a picture on each of `monitors` monitors (1 or more), in the same steps.
    // One clock reading serves them all; monitor 0 (the primary) takes the next folder of the
    // rotation and chooses exactly as Prepare would, then each further monitor takes the
    // folder after, with its own draws (MonitorSeed). With one monitor it is Prepare.
    std::vector<MonitorPick> PrepareEach(std::size_t monitors);
    // found[i] is monitor i's (NothingFound for a pick that never searched). SetEach hands the
    // found pictures to the setter in one list; ConcludeEach records every picture set, in
    // monitor order, and shows the primary's texts when its picture was set. Both as Set and
    // Conclude; ConcludeEach answers monitor 0's end.
    static void SetEach(IWallpaperSetter& setter, std::vector<TickFound>& found);
    TickEnd ConcludeEach(const std::vector<TickFound>& found);

  private:
    bool PrepareAt(const ClockReading& now, TickSearch& search, TickEnd& end, CBlock*& chosen);
    CBlock* NextEnabledFolder();
    CBlock* ChooseInTurn(CBlock& folder);
    CBlock* ChooseAtRandom(CBlock& folder, int timeSum, int& drawn);
    void Show(CBlock* entry, const WallpaperInfo& info);

    CSettings& m_settings;
    IClock& m_clock;
    IFileSystem& m_fileSystem;
    IDisplayName& m_displayName;
    IWallpaperSetter& m_setter;
    IInfoSink* m_pInfo = nullptr;

    CCrtRandom m_random;
    std::vector<CBlock*> m_rotation;  // refers to the entries, owns none
    std::size_t m_nextFolder = 0;     // index in m_rotation of the next folder to try
    CBlock* m_pPending = nullptr;     // chosen by Prepare, waiting for Finish
    std::vector<CBlock*> m_pendingEach;  // chosen by PrepareEach, one per monitor
    CBlock* m_pCurrent = nullptr;     // the entry shown now
    // Kept from tick to tick so that the split reuses their buffers.
    std::string m_fileTypes;
    std::vector<std::string> m_tokens;
};
