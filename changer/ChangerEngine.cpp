#include "changer/ChangerEngine.h"

#include <algorithm>
#include <utility>

#include "changer/DirectorySearch.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "model/ShellText.h"
#include "model/TokenList.h"

int TimeSum(const LocalTimeFields& t) {
    return t.year + t.month + t.weekday + t.day + t.hour + t.minute + t.second;
}

const CBlock& InheritedDetails(const CBlock& file) {
    const CBlock* folder = file.m_pParent;
    const bool folderInherits = folder && folder->m_bInherit;
    if (!folderInherits && !file.m_bInherit) return file;
    const CBlock* entry = (folderInherits ? folder : &file)->m_pParent;
    while (entry && entry->m_bInherit) entry = entry->m_pParent;
    return entry ? *entry : file;
}

std::uint32_t MonitorSeed(std::int64_t secondsSince1970, std::size_t monitor) {
    return static_cast<std::uint32_t>(secondsSince1970) ^
           (static_cast<std::uint32_t>(monitor) * 0x9E3779B9u);
}

int AcceptanceModulus(short priority) {
    return std::clamp<int>(priority, 0, 4) + 2;
}

CChangerEngine::CChangerEngine(CSettings& settings, IClock& clock, IFileSystem& fileSystem,
                               IDisplayName& displayName, IWallpaperSetter& setter)
    : m_settings(settings),
      m_clock(clock),
      m_fileSystem(fileSystem),
      m_displayName(displayName),
      m_setter(setter) {}

void CChangerEngine::BuildRotationList(CBlock& root) {
    m_rotation.clear();
    m_nextFolder = 0;
    m_pPending = nullptr;
    m_pendingEach.clear();
    m_pCurrent = nullptr;
    root.CollectFolders(m_rotation, false);
}

void CChangerEngine::ClearRotationList() {
    m_rotation.clear();
    m_nextFolder = 0;
    m_pPending = nullptr;
    m_pendingEach.clear();
    m_pCurrent = nullptr;
}

CBlock* CChangerEngine::NextEnabledFolder() {
    // At most one full pass, wrapping from the last folder to the first.
    for (std::size_t i = 0; i < m_rotation.size(); ++i) {
        if (m_nextFolder >= m_rotation.size()) m_nextFolder = 0;
        CBlock* folder = m_rotation[m_nextFolder++];
        if (folder->m_bChangerEnabled) return folder;
    }
    return nullptr;
}

CBlock* CChangerEngine::ChooseInTurn(CBlock& folder) {
    const CBlockChildList& children = folder.m_Children;
    // The folder's cursor moves on past every child examined, whatever the outcome, so the next
    // turn of this folder goes on from there. One full pass at most: a folder of disabled
    // entries and sub-folders has nothing to show.
    for (int examined = 0; examined < children.GetCount(); ++examined) {
        BlockPos pos = folder.GetChangerPos();
        if (!pos) pos = children.GetHeadPosition();
        CBlock* child = children.GetNext(pos);
        folder.SetChangerPos(pos);
        if (child->m_bChangerEnabled && !child->m_bFolder) return child;
    }
    return nullptr;
}

CBlock* CChangerEngine::ChooseAtRandom(CBlock& folder, int timeSum, int& drawn) {
    const CBlockChildList& children = folder.m_Children;
    const int count = children.GetCount();
    CBlock* candidate = nullptr;
    int misses = 0;
    // A rejected file sets the counter back to 1, so among two or more files the loop goes on
    // until one is accepted; only draws of folders and disabled entries use it up.
    while (misses < count) {
        drawn = m_random.Next() % timeSum;
        // A draw below the time sum never reaches the entries past it: a bigger folder has its
        // index drawn over all of them.
        const int index = count > timeSum ? static_cast<int>(m_random.Below(count)) : drawn % count;
        candidate = children.GetAtIndex(index);
        if (!candidate->m_bChangerEnabled || candidate->m_bFolder) {
            ++misses;
        } else if (m_random.Next() % AcceptanceModulus(candidate->m_nPriority) == 0) {
            return candidate;
        } else {
            misses = 1;
        }
    }
    // The counter ran out. The entry drawn last stands in only when it is an enabled file (the
    // lone file of a folder); a folder or a switched-off entry is never set as the wallpaper.
    if (candidate && candidate->m_bChangerEnabled && !candidate->m_bFolder) return candidate;
    return nullptr;
}

TickEnd CChangerEngine::Tick() {
    TickSearch search;
    TickEnd end = TickEnd::NoFolder;
    if (!Prepare(search, end)) return end;
    return Finish(Search(m_fileSystem, m_displayName, std::move(search)));
}

bool CChangerEngine::Prepare(TickSearch& search, TickEnd& end) {
    const ClockReading now = m_clock.Now();
    m_random.Seed(static_cast<std::uint32_t>(now.secondsSince1970));
    CBlock* chosen = nullptr;
    const bool searching = PrepareAt(now, search, end, chosen);
    if (searching) m_pPending = chosen;
    return searching;
}

std::vector<MonitorPick> CChangerEngine::PrepareEach(std::size_t monitors) {
    const ClockReading now = m_clock.Now();
    std::vector<MonitorPick> picks(monitors == 0 ? 1 : monitors);
    m_pendingEach.assign(picks.size(), nullptr);
    for (std::size_t i = 0; i < picks.size(); ++i) {
        m_random.Seed(MonitorSeed(now.secondsSince1970, i));
        picks[i].searching = PrepareAt(now, picks[i].search, picks[i].end, m_pendingEach[i]);
    }
    return picks;
}

bool CChangerEngine::PrepareAt(const ClockReading& now, TickSearch& search, TickEnd& end,
                               CBlock*& pending) {
    CBlock* folder = NextEnabledFolder();
    if (!folder) {
        end = TickEnd::NoFolder;
        return false;
    }

    // Read at every tick: the options may change while the changer runs.
    const int mode = m_settings.GetInt(setting::ModType);
    m_fileTypes = m_settings.GetString(setting::FileType);
    const std::size_t tokenCount = SplitTokens(m_fileTypes, m_tokens);

    const int timeSum = TimeSum(now.local);
    if (timeSum <= 0) {
        end = TickEnd::NoTime;
        return false;
    }
    int drawn = m_random.Next() % timeSum;

    // Only 0 asks for the in-turn order; any other value is taken as the default, random.
    CBlock* chosen = mode == 0 ? ChooseInTurn(*folder) : ChooseAtRandom(*folder, timeSum, drawn);
    if (!chosen) {
        end = TickEnd::NoEntry;
        return false;
    }

    for (const CBlock* above = chosen->m_pParent; above; above = above->m_pParent) {
        if (!above->m_bChangerEnabled) {
            end = TickEnd::DisabledAncestor;
            return false;
        }
    }

    pending = chosen;
    search.wantInfo = m_pInfo != nullptr;
    if (search.wantInfo) {
        const CBlock& details = InheritedDetails(*chosen);
        search.info.priority = GetPriorityLabel(details.m_nPriority);
        search.info.author = details.Author();
        search.info.comment = details.Comment();
    }
    search.path = chosen->m_strName;
    search.tokens.assign(m_tokens.begin(), m_tokens.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                  tokenCount, m_tokens.size())));
    search.tokenCount = tokenCount;
    search.drawn = drawn;
    search.timeSum = timeSum;
    search.random = m_random;
    return true;
}

TickFound CChangerEngine::Search(const IFileSystem& fileSystem, const IDisplayName& displayName,
                                 TickSearch search, const std::function<bool()>& stop) {
    TickFound found;
    found.info = std::move(search.info);
    if (search.wantInfo) found.info.name = displayName.GetDisplayName(search.path);
    found.path = std::move(search.path);
    const PathAttributes attributes = fileSystem.GetAttributes(found.path);
    // A path that cannot be examined is searched like a directory: it then finds nothing.
    if (!attributes.readable || attributes.isDirectory) {
        DirectoryMatch match;
        if (!SearchDirectory(fileSystem, found.path, search.tokens, search.tokenCount, search.drawn,
                             search.timeSum, search.random, match, stop)) {
            found.end = TickEnd::NothingFound;
            return found;
        }
        found.info.name = match.name;
        found.path = match.path;
    }
    found.end = TickEnd::Applied;
    return found;
}

TickEnd CChangerEngine::Finish(const TickFound& found) {
    if (found.end != TickEnd::Applied) return found.end;
    CBlock* entry = m_pPending;
    m_pPending = nullptr;
    if (!m_setter.SetDesktopWallpaper(found.path)) return TickEnd::ApplyFailed;
    Show(entry, found.info);
    return TickEnd::Applied;
}

void CChangerEngine::Set(IWallpaperSetter& setter, TickFound& found) {
    if (found.end == TickEnd::Applied && !setter.Apply(found.path))
        found.end = TickEnd::ApplyFailed;
}

TickEnd CChangerEngine::Conclude(const TickFound& found) {
    if (found.end == TickEnd::NothingFound) return found.end;
    CBlock* entry = m_pPending;
    m_pPending = nullptr;
    if (found.end != TickEnd::Applied) return found.end;
    m_setter.Record(found.path);
    Show(entry, found.info);
    return TickEnd::Applied;
}

void CChangerEngine::SetEach(IWallpaperSetter& setter, std::vector<TickFound>& found) {
    std::vector<IWallpaperSetter::MonitorPath> paths;
    std::vector<std::size_t> from;
    for (std::size_t i = 0; i < found.size(); ++i) {
        if (found[i].end != TickEnd::Applied) continue;
        paths.push_back({i, found[i].path});
        from.push_back(i);
    }
    if (paths.empty()) return;
    const std::vector<bool> set = setter.ApplyEach(paths);
    for (std::size_t k = 0; k < from.size(); ++k) {
        if (k >= set.size() || !set[k]) found[from[k]].end = TickEnd::ApplyFailed;
    }
}

TickEnd CChangerEngine::ConcludeEach(const std::vector<TickFound>& found) {
    std::vector<CBlock*> entries;
    entries.swap(m_pendingEach);
    for (const TickFound& each : found) {
        if (each.end == TickEnd::Applied) m_setter.Record(each.path);
    }
    if (found.empty()) return TickEnd::NothingFound;
    // The information window describes the primary monitor; the others' pictures are in the
    // history.
    if (found[0].end == TickEnd::Applied) {
        Show(entries.empty() ? nullptr : entries[0], found[0].info);
    }
    return found[0].end;
}

void CChangerEngine::Show(CBlock* entry, const WallpaperInfo& info) {
    m_pCurrent = entry;
    // The window gets all four texts at once and only once the wallpaper is really set: it
    // never describes a pick that did not become the wallpaper.
    if (m_pInfo) m_pInfo->ShowWallpaperInfo(info);
}
