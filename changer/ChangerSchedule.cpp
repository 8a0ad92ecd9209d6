#include "changer/ChangerSchedule.h"

#include <utility>

#include "model/Block.h"
#include "model/ByteStream.h"
#include "model/Mbcs.h"
#include "model/RecordReader.h"

CChangerSchedule::CChangerSchedule(CChangerEngine& engine, IWallpaperSetter& setter,
                                   IChangerHost& host)
    : m_engine(engine), m_setter(setter), m_host(host) {}

void CChangerSchedule::Start() {
    m_bRunning = true;
    m_bPaused = false;
    ++m_nRun;
    m_strCurrentName.clear();
}

void CChangerSchedule::Load(const std::string& path) {
    if (!m_bRunning) return;
    m_strLoaded = path;
    // A job of the last run, if still out, is left to end by itself; ticks due meanwhile are
    // let go.
    m_bTickRunning = m_bLoading = m_host.StartLoad(m_nRun, path);
    m_host.RestartTimer();
    m_host.StateChanged();
}

void CChangerSchedule::Stop() {
    if (!m_bRunning) return;
    m_host.StopTimer();
    // A job still out holds copies only; it sets no wallpaper if it has not yet.
    m_host.CancelJob();
    m_bTickRunning = m_bLoading = false;
    // The list refers into the tree: it goes first.
    m_engine.ClearRotationList();
    m_pRoot.reset();
    m_bRunning = false;
    m_bPaused = false;
    ++m_nRun;
    m_host.StateChanged();
}

void CChangerSchedule::PeriodEnded() {
    if (!m_bRunning || m_bPaused) return;
    StartTick();
}

void CChangerSchedule::StartTick() {
    // One job at a time: a period that ends while the collection is read, the disk searched or
    // the wallpaper set is let go.
    if (m_bTickRunning) return;
    const std::size_t monitors = m_host.MonitorsForTick();
    if (monitors > 1) {
        auto picks = std::make_shared<std::vector<MonitorPick>>(m_engine.PrepareEach(monitors));
        bool any = false;
        for (const MonitorPick& pick : *picks) any = any || pick.searching;
        if (any) m_bTickRunning = m_host.StartTickEach(m_nRun, std::move(picks));
        return;
    }
    auto search = std::make_shared<TickSearch>();
    TickEnd end = TickEnd::NoFolder;
    if (!m_engine.Prepare(*search, end)) return;
    m_bTickRunning = m_host.StartTick(m_nRun, std::move(search));
}

void CChangerSchedule::NextNow() {
    if (!m_bRunning) return;
    StartTick();
    if (!m_bPaused) m_host.RestartTimer();
}

void CChangerSchedule::TogglePause() {
    if (!m_bRunning) return;
    m_bPaused = !m_bPaused;
    if (m_bPaused) {
        // A tick out now sets no wallpaper if it has not yet; the collection's load goes on.
        if (m_bTickRunning && !m_bLoading) m_host.CancelJob();
        m_host.StopTimer();
    } else {
        m_host.RestartTimer();
    }
    m_host.StateChanged();
}

void CChangerSchedule::Loaded(unsigned run, std::string text) {
    if (run != m_nRun || !m_bRunning) return;
    m_bTickRunning = m_bLoading = false;
    m_pRoot = std::make_unique<CBlock>();
    m_pRoot->m_bFolder = 1;
    // A damaged file is not reported: what could be read is loaded.
    CStringLineSource source(std::move(text));
    RecordReadContext context;
    ReadRecords(source, m_pRoot.get(), context);
    m_engine.BuildRotationList(*m_pRoot);
}

void CChangerSchedule::TickDone(unsigned run, const TickFound& found, bool stopped) {
    if (run != m_nRun || !m_bRunning) {
        // Stopped (and maybe started again) since the tick began: a wallpaper it set is
        // recorded, but it is not the running collection's any more.
        if (!stopped && found.end == TickEnd::Applied) m_setter.Record(found.path);
        return;
    }
    m_bTickRunning = false;
    if (stopped) return;
    if (m_engine.Conclude(found) == TickEnd::Applied) {
        m_strCurrentName = found.path.substr(mbcs::LastComponentStart(found.path));
        m_host.StateChanged();
    }
}

void CChangerSchedule::TickDoneEach(unsigned run, const std::vector<TickFound>& found,
                                    bool stopped) {
    if (run != m_nRun || !m_bRunning) {
        if (stopped) return;
        for (const TickFound& each : found) {
            if (each.end == TickEnd::Applied) m_setter.Record(each.path);
        }
        return;
    }
    m_bTickRunning = false;
    if (stopped) return;
    if (m_engine.ConcludeEach(found) == TickEnd::Applied) {
        m_strCurrentName = found[0].path.substr(mbcs::LastComponentStart(found[0].path));
        m_host.StateChanged();
    }
}

std::vector<int> CChangerSchedule::CurrentEntryPath() const {
    std::vector<int> path;
    // Up to the file's root folder, the only child of the loaded root.
    for (const CBlock* entry = m_engine.CurrentEntry();
         entry && entry->m_pParent && entry->m_pParent != m_pRoot.get();
         entry = entry->m_pParent) {
        const CBlockChildList& siblings = entry->m_pParent->m_Children;
        int index = 0;
        for (BlockPos pos = siblings.GetHeadPosition(); pos; ++index) {
            if (siblings.GetNext(pos) == entry) break;
        }
        path.insert(path.begin(), index);
    }
    return path;
}
