// The wallpaper changer's selection step: at every tick the next folder of the rotation, one
// of its file entries (in turn, or at random weighted by priority), a directory entry resolved
// to one file, the information window filled in, and the wallpaper set.
#pragma once

#include <cstddef>
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

    TickEnd Tick();

  private:
    CBlock* NextEnabledFolder();
    CBlock* ChooseInTurn(CBlock& folder);
    CBlock* ChooseAtRandom(CBlock& folder, int timeSum, int& drawn);

    CSettings& m_settings;
    IClock& m_clock;
    IFileSystem& m_fileSystem;
    IDisplayName& m_displayName;
    IWallpaperSetter& m_setter;
    IInfoSink* m_pInfo = nullptr;

    CCrtRandom m_random;
    std::vector<CBlock*> m_rotation;  // refers to the entries, owns none
    std::size_t m_nextFolder = 0;     // index in m_rotation of the next folder to try
    // Kept from tick to tick so that the split reuses their buffers.
    std::string m_fileTypes;
    std::vector<std::string> m_tokens;
};
