#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "changer/ChangerSchedule.h"
#include "model/Block.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "tests/core/ChangerFakes.h"

namespace {

// Keeps the jobs it is asked for, so that a test decides when and in which order they end.
class FakeHost : public IChangerHost {
  public:
    struct Tick {
        unsigned run;
        std::shared_ptr<TickSearch> search;
    };
    void RestartTimer() override {
        timerRunning = true;
        ++restarts;
    }
    void StopTimer() override { timerRunning = false; }
    bool StartLoad(unsigned run, const std::string& path) override {
        loads.push_back({run, path});
        return true;
    }
    bool StartTick(unsigned run, std::shared_ptr<TickSearch> search) override {
        ticks.push_back({run, std::move(search)});
        return true;
    }
    void CancelJob() override { ++cancels; }
    void StateChanged() override { ++changes; }
    std::size_t MonitorsForTick() override { return monitors; }
    bool StartTickEach(unsigned run, std::shared_ptr<std::vector<MonitorPick>> picks) override {
        eachTicks.push_back({run, std::move(picks)});
        return true;
    }

    bool timerRunning = false;
    int restarts = 0;
    int cancels = 0;
    int changes = 0;
    std::vector<std::pair<unsigned, std::string>> loads;
    std::vector<Tick> ticks;
    std::size_t monitors = 1;
    std::vector<std::pair<unsigned, std::shared_ptr<std::vector<MonitorPick>>>> eachTicks;
};

class RecordingSetter : public FakeSetter {
  public:
    void Record(const std::string& path) override { recorded.push_back(path); }
    std::vector<bool> ApplyEach(const std::vector<MonitorPath>& each) override {
        for (const MonitorPath& one : each) {
            perMonitor.push_back(std::to_string(one.monitor) + ":" + one.path);
        }
        return std::vector<bool>(each.size(), true);
    }
    std::vector<std::string> recorded, perMonitor;
};

std::string Data(const std::string& path) {
    return "DATA\t\"" + path + "\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n";
}

class ChangerScheduleTest : public ::testing::Test {
  protected:
    ChangerScheduleTest() {
        settings.WriteInt(setting::ModType, 0);  // in turn: the order is known
        fs.files["C:\\p\\one.jpg"] = fs.files["C:\\p\\two.jpg"] = true;
    }
    // Started on a collection of two pictures in one folder, read and ready to tick.
    void StartLoaded() {
        schedule.Start();
        schedule.Load("C:\\c.plr");
        ASSERT_FALSE(host.loads.empty());
        schedule.Loaded(host.loads.back().first, "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n" +
                                                     Data("C:\\p\\one.jpg") +
                                                     Data("C:\\p\\two.jpg") + "}FILE\r\n");
    }
    // Ends the job of tick i as the worker would: searched, then set unless stopped.
    TickFound RunTick(std::size_t i, bool stopped = false) {
        TickFound found = CChangerEngine::Search(fs, names, *host.ticks.at(i).search);
        if (!stopped) CChangerEngine::Set(setter, found);
        schedule.TickDone(host.ticks.at(i).run, found, stopped);
        return found;
    }

    CMemorySettingsStore store;
    CSettings settings{store};
    FakeClock clock;
    FakeFileSystem fs;
    FakeDisplayName names;
    RecordingSetter setter;
    CChangerEngine engine{settings, clock, fs, names, setter};
    FakeHost host;
    CChangerSchedule schedule{engine, setter, host};
};

TEST_F(ChangerScheduleTest, OneJobAtATimeAndTicksDueMeanwhileAreLetGoNotQueued) {
    StartLoaded();
    EXPECT_TRUE(host.timerRunning);
    schedule.PeriodEnded();
    ASSERT_EQ(1u, host.ticks.size());
    EXPECT_TRUE(schedule.IsTickRunning());
    schedule.PeriodEnded();
    schedule.NextNow();
    EXPECT_EQ(1u, host.ticks.size()) << "a second job while the first is out";
    RunTick(0);
    EXPECT_EQ("one.jpg", schedule.CurrentName());
    schedule.PeriodEnded();
    ASSERT_EQ(2u, host.ticks.size());
    RunTick(1);
    EXPECT_EQ((std::vector<std::string>{"C:\\p\\one.jpg", "C:\\p\\two.jpg"}), setter.paths);
    // From the file's root folder down: the second entry of R.
    EXPECT_EQ((std::vector<int>{1}), schedule.CurrentEntryPath());
}

TEST_F(ChangerScheduleTest, TicksWaitForTheCollectionAndALoadOfAnEarlierRunIsDropped) {
    schedule.Start();
    schedule.Load("C:\\c.plr");
    schedule.PeriodEnded();
    EXPECT_TRUE(host.ticks.empty()) << "nothing to choose from before the collection is read";
    const unsigned firstRun = host.loads.back().first;
    schedule.Stop();
    StartLoaded();
    // The first run's bytes arriving late must not replace the second run's collection.
    schedule.Loaded(firstRun, "FILE{\r\nNAME\t\"X\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n}FILE\r\n");
    schedule.PeriodEnded();
    ASSERT_EQ(1u, host.ticks.size());
    EXPECT_EQ("C:\\p\\one.jpg", RunTick(0).path);
}

TEST_F(ChangerScheduleTest, APauseOrAStopBeforeTheSettingKeepsItFromHappening) {
    StartLoaded();
    schedule.PeriodEnded();
    schedule.TogglePause();
    EXPECT_TRUE(schedule.IsPaused());
    EXPECT_EQ(1, host.cancels) << "the job out must be told before it sets";
    EXPECT_FALSE(host.timerRunning);
    RunTick(0, /*stopped=*/true);
    EXPECT_TRUE(setter.paths.empty());
    EXPECT_EQ("", schedule.CurrentName());
    EXPECT_FALSE(schedule.IsTickRunning());
    // Paused, the period does nothing and "次の壁紙" still changes it, without the timer.
    schedule.PeriodEnded();
    EXPECT_EQ(1u, host.ticks.size());
    schedule.NextNow();
    ASSERT_EQ(2u, host.ticks.size());
    EXPECT_FALSE(host.timerRunning);
    RunTick(1);
    EXPECT_EQ(1u, setter.paths.size());
    schedule.TogglePause();
    EXPECT_TRUE(host.timerRunning);
}

TEST_F(ChangerScheduleTest, AWallpaperSetByATickOfAStoppedRunIsRecordedButNotShown) {
    StartLoaded();
    schedule.PeriodEnded();
    schedule.Stop();
    EXPECT_EQ(1, host.cancels);
    EXPECT_FALSE(host.timerRunning);
    EXPECT_EQ(nullptr, schedule.LoadedRoot());
    // The job had set it already when the stop came.
    RunTick(0);
    EXPECT_EQ((std::vector<std::string>{"C:\\p\\one.jpg"}), setter.recorded);
    EXPECT_EQ("", schedule.CurrentName());
    EXPECT_EQ(nullptr, engine.CurrentEntry());
    EXPECT_TRUE(schedule.CurrentEntryPath().empty());
}

}  // namespace

TEST_F(ChangerScheduleTest, SeveralMonitorsGetOneJobWithAPictureEachAndAllAreRecorded) {
    StartLoaded();
    host.monitors = 2;
    schedule.PeriodEnded();
    ASSERT_EQ(0u, host.ticks.size());
    ASSERT_EQ(1u, host.eachTicks.size());
    auto runEach = [&](std::size_t i, bool stopped) {
        std::vector<TickFound> found;
        for (const MonitorPick& pick : *host.eachTicks.at(i).second) {
            found.push_back(pick.searching ? CChangerEngine::Search(fs, names, pick.search)
                                           : TickFound());
        }
        if (!stopped) CChangerEngine::SetEach(setter, found);
        schedule.TickDoneEach(host.eachTicks.at(i).first, found, stopped);
    };
    schedule.PeriodEnded();
    EXPECT_EQ(1u, host.eachTicks.size()) << "a second job while the first is out";
    runEach(0, false);
    EXPECT_EQ((std::vector<std::string>{"0:C:\\p\\one.jpg", "1:C:\\p\\two.jpg"}),
              setter.perMonitor);
    EXPECT_EQ((std::vector<std::string>{"C:\\p\\one.jpg", "C:\\p\\two.jpg"}), setter.recorded);
    EXPECT_EQ("one.jpg", schedule.CurrentName());
    // A tick of a stopped run: what it set is recorded, nothing is shown.
    schedule.PeriodEnded();
    schedule.Stop();
    runEach(1, false);
    EXPECT_EQ(4u, setter.recorded.size());
    // Back to one monitor: the single picture's job.
    StartLoaded();
    host.monitors = 1;
    schedule.PeriodEnded();
    EXPECT_EQ(1u, host.ticks.size());
    EXPECT_EQ(2u, host.eachTicks.size());
}
