// The running changer's states and what moves it between them: started and stopped, paused
// and resumed, a period ended or "次の壁紙" asked, the collection read and a tick's setting done.
// The window (or any other host) owns the timer, the worker and what the user sees; this class
// decides when each is used, so that the rules are kept in one place and tested without one.
//
// The disk is read and the wallpaper set away from the host's thread: the host starts the job
// and hands its result back, tagged with the run it was asked for. One job at a time: a tick due
// while one is out is let go, not queued. A stop or a pause that comes before the setting keeps
// it from happening; a result of an earlier run is dropped (a wallpaper it did set is recorded).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "changer/ChangerEngine.h"

class CBlock;

class IChangerHost {
  public:
    virtual ~IChangerHost() = default;
    // The period's timer, started over from now; and stopped.
    virtual void RestartTimer() = 0;
    virtual void StopTimer() = 0;
    // Reads the file away from this thread; the bytes come back through Loaded(run, …).
    // False when no job could be started.
    virtual bool StartLoad(unsigned run, const std::string& path) = 0;
    // Searches the disk and sets the wallpaper away from this thread, setting nothing once
    // asked to stop; the result comes back through TickDone(run, …).
    virtual bool StartTick(unsigned run, std::shared_ptr<TickSearch> search) = 0;
    // How many monitors the next tick gives a picture of their own; 1 gives one to them all.
    // Asked at every tick: monitors come and go while the changer runs.
    virtual std::size_t MonitorsForTick() { return 1; }
    // StartTick for a picture per monitor: each pick's disk work, then the pictures found set
    // as one list of (monitor, path); the results come back through TickDoneEach(run, …).
    virtual bool StartTickEach(unsigned run, std::shared_ptr<std::vector<MonitorPick>> picks) {
        (void)run;
        (void)picks;
        return false;
    }
    // Asks the job out, if any, to stop.
    virtual void CancelJob() = 0;
    // Running, paused or the current wallpaper changed: titles and tips follow.
    virtual void StateChanged() = 0;
};

class CChangerSchedule {
  public:
    // The engine holds the rotation; the setter records a wallpaper a dropped tick did set.
    CChangerSchedule(CChangerEngine& engine, IWallpaperSetter& setter, IChangerHost& host);
    CChangerSchedule(const CChangerSchedule&) = delete;
    CChangerSchedule& operator=(const CChangerSchedule&) = delete;

    bool IsRunning() const { return m_bRunning; }
    bool IsPaused() const { return m_bPaused; }
    // A job is out: the collection's load or a tick.
    bool IsTickRunning() const { return m_bTickRunning; }
    bool IsLoading() const { return m_bLoading; }
    const CBlock* LoadedRoot() const { return m_pRoot.get(); }
    const std::string& LoadedFile() const { return m_strLoaded; }
    // The file name of the wallpaper the running collection set last; empty before it.
    const std::string& CurrentName() const { return m_strCurrentName; }

    // Running, with no collection yet: a start with nothing chosen runs empty until stopped.
    void Start();
    // Reads the collection at path and starts the period.
    void Load(const std::string& path);
    void Stop();
    // The period ended.
    void PeriodEnded();
    // "次の壁紙": a tick now, and the period over from now unless paused.
    void NextNow();
    void TogglePause();

    // A job's results.
    void Loaded(unsigned run, std::string text);
    // stopped: asked to stop before the setting, nothing was set.
    void TickDone(unsigned run, const TickFound& found, bool stopped);
    // found[i] is monitor i's; the information follows the primary, monitor 0.
    void TickDoneEach(unsigned run, const std::vector<TickFound>& found, bool stopped);

    // Where the entry shown lies in the loaded file: each entry's index among its siblings,
    // from the file's root folder down; empty when none is shown.
    std::vector<int> CurrentEntryPath() const;

  private:
    void StartTick();

    CChangerEngine& m_engine;
    IWallpaperSetter& m_setter;
    IChangerHost& m_host;
    std::unique_ptr<CBlock> m_pRoot;  // the loaded collection; none while stopped
    bool m_bRunning = false;
    bool m_bPaused = false;
    bool m_bTickRunning = false;
    bool m_bLoading = false;
    unsigned m_nRun = 0;  // counts starts and stops: a result of an earlier run is dropped
    std::string m_strLoaded;
    std::string m_strCurrentName;
};
