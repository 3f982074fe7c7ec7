// The countdown's decisions, event by event and over random walks of events:
// when the program starts, how late it says it was, what a missed launch
// records, and how long the computer is kept awake.
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/countdown_window.h"
#include "core/schedule_fixture.h"
#include "log/log.h"

namespace {

class CountdownTest : public ScheduleTest {
protected:
    // Every day at `time`, launched `lead` seconds before its first moment.
    static Moment LaunchEveryDay(CountdownWindow& window, ClockTime time, Moment lead = 60) {
        for (int day = 0; day < 7; ++day) window.settings.SetDayChecked(day, true);
        window.settings.SetProgramPath("launched-by-the-test");
        platform::SetTestClock(LocalMoment(2004, 3, 2, time.hour, time.minute, time.second) - lead);
        EXPECT_EQ(window.Launch({{}, time}), Valid);
        return window.settings.GetLaunchTime();
    }

    int LogCount(const std::string& text) const {
        const std::string log = LogText();
        int count = 0;
        for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
        return count;
    }

    static void At(std::int64_t milliseconds) { platform::SetTestClockMilliseconds(milliseconds); }

    // Each row reads only its own records.
    void EmptyLog() const {
        logtest::CloseLogStream();
        testsupport::WriteFileBytes(LogPath(), "");
    }
};

TEST_F(CountdownTest, EachEventLaunchesOnlyOnOrAfterTheMomentAndSaysWhenItWasLate) {
    using Event = std::function<void(CountdownWindow&, std::int64_t momentMs)>;
    const auto tickAt = [](std::int64_t offset) {
        return [offset](CountdownWindow& window, std::int64_t moment) {
            At(moment + offset);
            window.Tick();
        };
    };
    const Event setBackAnHourAfterTheLaunch = [](CountdownWindow& window, std::int64_t moment) {
        window.RunUntil(moment);
        window.ClockSet(moment - 3'600'000);
        window.RunUntil(moment + 60'000);
    };
    const struct {
        const char* name;
        ClockTime time;
        Event event;
        int starts;
        const char* lateRecord;
        bool toldLate = false;  // the user hears of a launch over 60 s late
    } rows[] = {
        {"tick 1 ms before the moment", {21, 0, 0}, tickAt(-1), 0, nullptr},
        {"tick on the moment", {21, 0, 0}, tickAt(0), 1, nullptr},
        {"tick 2,000 ms late", {21, 0, 0}, tickAt(2000), 1, nullptr},
        {"tick 2,001 ms late", {21, 0, 0}, tickAt(2001), 1, "Launch Late: 2 s"},
        {"tick 60,000 ms late", {21, 0, 0}, tickAt(60'000), 1, "Launch Late: 60 s"},
        {"tick 60,001 ms late", {21, 0, 0}, tickAt(60'001), 1, "Launch Late: 60 s", true},
        {"resume an hour past the moment",
         {21, 0, 0},
         [](CountdownWindow& window, std::int64_t moment) { window.SleepUntil(moment + 3'600'000); },
         1,
         "Launch Late: 3600 s",
         true},
        {"clock set past the moment",
         {21, 0, 0},
         [](CountdownWindow& window, std::int64_t moment) { window.ClockSet(moment + 5000); },
         1,
         "Launch Late: 5 s"},
        {"clock set into the next day, before its time",
         {21, 0, 0},
         [](CountdownWindow& window, std::int64_t moment) { window.ClockSet(moment + 82'800'000); },
         1,
         "Launch Late: 82800 s",
         true},
        {"clock set back an hour after the launch", {21, 0, 0}, setBackAnHourAfterTheLaunch, 1, nullptr},
        {"clock set back across midnight after the launch",
         {0, 30, 0},
         setBackAnHourAfterTheLaunch,
         1,
         nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EmptyLog();
        Program settings;
        CountdownWindow window(settings);
        const Moment moment = LaunchEveryDay(window, row.time);
        row.event(window, std::int64_t{moment} * 1000);
        EXPECT_EQ(window.starts.size(), static_cast<std::size_t>(row.starts));
        EXPECT_EQ(LogCount("Launch Late"), row.lateRecord ? 1 : 0) << LogText();
        if (row.lateRecord) {
            EXPECT_EQ(LogCount(row.lateRecord), 1) << LogText();
        }
        EXPECT_EQ(settings.GetLaunchTime(), row.starts > 0 ? moment + 86400 : moment)
            << "not the next moment";
        ASSERT_EQ(window.notices.size(), row.toldLate ? 1u : 0u);
        if (row.toldLate) {
            EXPECT_EQ(window.notices[0].kind, NoticeKind::LaunchLate);
        }
    }
}

// With Auto-Restart in weekday mode: a launch missed while the launcher was
// not running starts once at once, on request only, however many were
// missed, and even when Launch is pressed again; today's launch still follows.
TEST_F(CountdownTest, MissedLaunchIsMadeUpForOnceOnRequestAndTodaysLaunchStillFollows) {
    const Moment stored = LocalMoment(2004, 3, 2, 21, 0, 0);
    const struct {
        const char* name;
        bool runMissed;
        Moment startedAt;
        int startsAtOnce;
        std::string noticeEnd;  // empty: nothing to tell
    } rows[] = {
        {"missed, not asked", false, stored + 13 * 3600, 0, "not running."},
        {"missed, asked", true, stored + 13 * 3600, 1, "not running. It was started now."},
        {"two missed, asked", true, stored + 2 * 86400 - 3600, 1, "It was started now."},
        {"none missed, asked", true, stored - 60, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EmptyLog();
        Program settings;
        CountdownWindow window(settings);
        settings.autoRestart = true;
        for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, true);
        settings.SetProgramPath("launched-by-the-test");
        settings.SetLaunchTime(stored);
        platform::SetTestClockMilliseconds(std::int64_t{row.startedAt} * 1000 + 999);  // late rounds down
        ASSERT_EQ(window.Restart({{}, {21, 0, 0}}, row.runMissed), Valid);
        window.Stop();
        ASSERT_EQ(window.Launch({{}, {21, 0, 0}}), Valid);
        ASSERT_EQ(window.starts.size(), static_cast<std::size_t>(row.startsAtOnce));
        const std::string late = "Launch Late: " + std::to_string(row.startedAt - stored) + " s";
        EXPECT_EQ(LogCount(late), row.startsAtOnce) << LogText();
        if (row.startsAtOnce > 0) {
            EXPECT_LT(LogText().find("Launching Program"), LogText().find(late)) << "late before the start";
        }
        const std::optional<Notice> told = MostSevere(window.notices);
        ASSERT_EQ(told.has_value(), !row.noticeEnd.empty());
        if (told) {
            EXPECT_EQ(told->kind, NoticeKind::LaunchMissed);
            EXPECT_EQ(told->text.substr(told->text.size() - row.noticeEnd.size()), row.noticeEnd);
        }
        const Moment today = stored + static_cast<Moment>((row.startedAt - stored + 86399) / 86400) * 86400;
        EXPECT_EQ(settings.GetLaunchTime(), today) << "the catch-up moved today's launch";
        window.RunUntil(std::int64_t{today} * 1000 + 1000);
        EXPECT_EQ(window.starts.size(), static_cast<std::size_t>(row.startsAtOnce + 1));
    }
}

TEST_F(CountdownTest, TipShowsTheNextLaunchOnlyWhileCountingDownAndTheFolderAlways) {
    EXPECT_EQ(TipText(LocalMoment(2026, 3, 10, 9, 5, 59), " - Backup"),
              "Orvix Launcher\nNext: Tue 03.10.2026 09:05 - Backup");
    EXPECT_EQ(TipText(std::nullopt, ""), "Orvix Launcher");
}

TEST_F(CountdownTest, WakeThatCannotWakeIsLoggedAtEveryArmingToldOncePerRunAndOutrankedByALaunch) {
    Program settings;
    Countdown countdown(settings);
    countdown.WakeArmed(WakeArmResult::Unsupported, WakeTimerPolicy::Allowed);
    countdown.WakeArmed(WakeArmResult::Armed, WakeTimerPolicy::Off);
    EXPECT_EQ(LogCount("Wake Unavailable"), 2) << LogText();
    const std::vector<Notice> told = countdown.TakeNotices();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].text, "this computer cannot be woken by a timer");
    // Told first or not, a late or missed launch outranks it in the balloon.
    for (const Notice& launch : {LaunchLateNotice("p", 61'000), LaunchMissedNotice(0, false)})
        EXPECT_EQ(MostSevere({told[0], launch})->kind, launch.kind) << launch.title;
}

TEST_F(CountdownTest, ZoneChangeAcrossSummerTimeKeepsThePickedWallClockTime) {
    Program settings;
    CountdownWindow window(settings);
    for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, true);
    settings.SetProgramPath("launched-by-the-test");
    platform::SetTestClock(LocalMoment(2024, 3, 30, 12, 0, 0));
    ASSERT_EQ(window.Launch({{}, {21, 0, 0}}), Valid);
    SetTimeZone("Europe/Berlin");  // the clocks go forward in the night to the 31st
    window.SettingChanged();
    EXPECT_EQ(settings.GetLaunchTime(), LocalMoment(2024, 3, 30, 21, 0, 0)) << "the zone change was missed";
    window.RunUntil(std::int64_t{LocalMoment(2024, 3, 30, 21, 0, 1)} * 1000);
    EXPECT_EQ(settings.GetLaunchTime(), LocalMoment(2024, 3, 31, 21, 0, 0));
    EXPECT_EQ(window.starts.size(), 1u);
}

// After a restart, a launch moved to the jump of the clocks (02:15 on the
// night they skip 02:00-03:00, kept as 03:00) goes back to 02:15 the next
// day; a kept time that the saved moment does not hold is not believed.
TEST_F(CountdownTest, RestartAtASkippedHourKeepsThePickedTimeOnlyWhereTheSavedMomentHoldsIt) {
#ifdef _WIN32  // the Windows C library reads only US rules, from a POSIX-style zone
    SetTimeZone("EST5EDT");
    const int skipDay = 10;
#else
    SetTimeZone("Europe/Berlin");
    const int skipDay = 31;
#endif
    const struct {
        Moment saved;
        std::string kept;
        std::optional<std::string> restored;
    } rows[] = {
        {LocalMoment(2024, 3, skipDay, 3, 0, 0), "02:15:00", "02:15:00"},
        {LocalMoment(2024, 4, 2, 21, 0, 0), "21:00:00", "21:00:00"},
        {LocalMoment(2024, 4, 2, 20, 0, 0), "21:00:00", std::nullopt},  // edited elsewhere
        {LocalMoment(2024, 4, 2, 21, 0, 0), "21:00", std::nullopt},
    };
    for (const auto& row : rows) {
        Program settings;
        for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, true);
        settings.SetLaunchTime(row.saved);
        Countdown countdown(settings);
        countdown.RestorePickedTime(ParseClockTime(row.kept));
        const std::optional<ClockTime>& picked = countdown.PickedTime();
        EXPECT_EQ(picked ? std::optional<std::string>(ClockTimeText(*picked)) : std::nullopt, row.restored)
            << row.kept;
    }
}

TEST_F(CountdownTest, AutoRestartRecordsTheLaunchesMissedMeanwhile) {
    const Moment stored = LocalMoment(2004, 3, 2, 21, 0, 0);
    const struct {
        Moment startedAt;
        std::string record;
    } rows[] = {
        {stored - 60, ""},
        {stored + 3600, "Launch Missed: " + TimeText(stored) + "\r\n"},
        {stored + 2 * 86400 + 3600, "Launch Missed: " + TimeText(stored) + ", 3 missed\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.record);
        EmptyLog();
        Program settings;
        settings.autoRestart = true;
        for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, true);
        settings.SetLaunchTime(stored);
        Countdown countdown(settings);
        countdown.StartUp(std::int64_t{row.startedAt} * 1000);
        EXPECT_EQ(LogCount("Launch Missed"), row.record.empty() ? 0 : 1) << LogText();
        if (!row.record.empty()) {
            EXPECT_EQ(LogCount(row.record), 1) << LogText();
        }
    }
}

TEST_F(CountdownTest, KeepAwakeHoldsFromTwoMinutesBeforeToTwoAfterOrWhileItsCommandRunsUpToAnHour) {
    const struct {
        const char* name;
        std::optional<int> commandEndsAtMinute;
        std::int64_t checkedAt;  // milliseconds from the moment
        bool held;
    } rows[] = {
        {"120.001 s before the moment", std::nullopt, -120'001, false},
        {"120 s before the moment", std::nullopt, -120'000, true},
        {"119.999 s after the launch", std::nullopt, 119'999, true},
        {"120 s after the launch", std::nullopt, 120'000, false},
        {"its command runs at 29 min", 30, 29 * 60'000, true},
        {"its command ended at 30 min", 30, 30 * 60'000, false},
        {"its command runs on at 59:59.999", 70, 3'599'999, true},
        {"its command runs on at 60 min", 70, 3'600'000, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Program settings;
        CountdownWindow window(settings);
        window.SetWakeOption(true);
        const std::int64_t moment = std::int64_t{LaunchEveryDay(window, {21, 0, 0}, 600)} * 1000;
        if (row.commandEndsAtMinute) window.commandOfNextStart = 7;
        const std::int64_t commandEnd = moment + std::int64_t{row.commandEndsAtMinute.value_or(0)} * 60'000;
        if (row.commandEndsAtMinute && commandEnd <= moment + row.checkedAt) {
            window.RunUntil(commandEnd);
            window.CommandEnded(7);
        }
        window.RunUntil(moment + row.checkedAt);
        EXPECT_EQ(window.holdingAwake, row.held);
    }
}

// The rules above, held after every step of random event sequences.
class CountdownWalk {
public:
    CountdownWalk(std::uint32_t seed, const std::vector<const char*>& zones, std::string logPath)
        : random(seed), zones(zones), logPath(std::move(logPath)) {}

    // One record for every walk: a new one would be saved to disk at each end.
    void Run(Program& settings, int steps) {
        logtest::CloseLogStream();
        testsupport::WriteFileBytes(logPath, "");
        SetTimeZone(Pick(zones));
        platform::SetTestClockMilliseconds(Between(1'072'915'200'000, 1'104'451'200'000));  // 2004
        settings.SetLaunched(false);
        settings.SetProgramPath("launched-by-the-walk");
        CountdownWindow window(settings);
        // Between two events nothing changes: the state must hold up to each timer.
        window.beforeTimer = [&](std::int64_t at) {
            if (at - 1 >= window.Now()) CheckAwake(window, at - 1, "before a timer");
        };
        window.SetWakeOption(Chance(50));
        Launch(window);
        for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            const std::size_t startsBefore = window.starts.size();
            if (Chance(30)) window.commandOfNextStart = ++commands;
            Act(window);
            CheckStarts(window, startsBefore);
            CheckArmed(window);
        }
        CheckLateRecords(window);
    }

private:
    void Act(CountdownWindow& window) {
        const std::int64_t now = window.Now();
        const std::int64_t moment = std::int64_t{window.settings.GetLaunchTime()} * 1000;
        switch (Between(0, 9)) {
            case 0:
                return Advance(window, now + Between(0, 180'000), true);
            case 1: {
                const std::int64_t to = moment + Between(-3000, 3000);
                return Advance(window, to, Chance(50) && to - now <= 600'000);  // ticks only near it
            }
            case 2:
                return Advance(window, now + Between(0, 3 * 86'400'000LL), false);
            case 3:
                return window.SleepUntil(now + Between(0, 3 * 86'400'000LL));
            case 4: {
                const std::int64_t to = now + Between(-2 * 86'400'000LL, 2 * 86'400'000LL);
                // A clock set back may meet a launched moment ahead again,
                // and forgets a launch it went back before.
                if (to < now) launchedMoments.clear();
                if (!window.starts.empty() && to < window.starts.back().at) stoppedAt = window.starts.size();
                return window.ClockSet(to);
            }
            case 5:
                SetTimeZone(Pick(zones));
                return window.SettingChanged();
            case 6:
                if (window.starts.empty() || !window.starts.back().command) return;
                endedCommands.insert(*window.starts.back().command);
                return window.CommandEnded(*window.starts.back().command);
            case 7:
                return window.SetWakeOption(!window.countdown.WakeOption());
            case 8:
                window.Stop();
                stoppedAt = window.starts.size();
                return;
            default:
                return Launch(window);
        }
    }

    void Launch(CountdownWindow& window) {
        auto& settings = window.settings;
        const bool weekdays = Chance(70);
        for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, weekdays && Chance(40));
        const std::int64_t date = window.Now() / 1000 + Between(0, 3) * 86400;
        std::tm local{};
        platform::ToLocalTime(static_cast<Moment>(date), local);
        const ClockTime time{static_cast<int>(Between(0, 23)), static_cast<int>(Between(0, 59)),
                             static_cast<int>(Between(0, 59))};
        window.Launch({{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}, time},
                      Pick(std::vector<std::int32_t>{1, 10, 60, 600}));
        launchedMoments.clear();
    }

    // The clock moves on: the message loop takes every timer on the way and,
    // where the walk says so, every tick.
    static void Advance(CountdownWindow& window, std::int64_t to, bool ticks) {
        if (to >= window.Now()) window.RunUntil(to, ticks);
    }

    void CheckStarts(CountdownWindow& window, std::size_t from) {
        for (std::size_t i = from; i < window.starts.size(); ++i) {
            const CountdownWindow::Start& start = window.starts[i];
            EXPECT_GE(start.late, 0) << "a launch before its moment";
            const std::int64_t due = start.at - start.late;
            EXPECT_TRUE(launchedMoments.insert(due).second) << "the moment " << due << " launched twice";
        }
        CheckAwake(window, window.Now(), "after the step");
    }

    // "Launch Late" exactly for the launches more than 2 s after their moment.
    void CheckLateRecords(const CountdownWindow& window) const {
        std::vector<std::string> expected;
        for (const CountdownWindow::Start& start : window.starts)
            if (start.late > LateLaunchMilliseconds)
                expected.push_back("Launch Late: " + std::to_string(start.late / 1000) + " s");
        std::vector<std::string> written;
        for (const std::string& line : testsupport::CrLfLines(testsupport::ReadFileBytes(logPath)))
            if (line.rfind("Launch Late", 0) == 0) written.push_back(line);
        EXPECT_EQ(written, expected);
    }

    // Held exactly while the moment is at most 120 s away, or within 120 s of
    // the last launch, or within an hour of it while its command runs.
    void CheckAwake(const CountdownWindow& window, std::int64_t now, const char* when) const {
        bool wanted = false;
        if (window.countdown.WakeOption()) {
            wanted = window.countdown.IsRunning() &&
                     std::int64_t{window.settings.GetLaunchTime()} * 1000 - now <= KeepAwakeMilliseconds;
            if (window.starts.size() > stoppedAt) {
                const CountdownWindow::Start& last = window.starts.back();
                const std::int64_t since = now - last.at;
                const bool commandRuns = last.command && endedCommands.count(*last.command) == 0;
                wanted = wanted || (since >= 0 && (since < KeepAwakeMilliseconds ||
                                                   (commandRuns && since < CommandKeepAwakeMilliseconds)));
            }
        }
        EXPECT_EQ(window.holdingAwake, wanted) << "keep-awake " << when << " at " << now;
    }

    // A stopped countdown arms nothing; a running one its one-shot, and the
    // wake a minute early when the option is on.
    static void CheckArmed(const CountdownWindow& window) {
        const bool running = window.countdown.IsRunning();
        EXPECT_EQ(window.oneShotAt.has_value(), running) << "one-shot";
        EXPECT_EQ(window.wakeAt.has_value(), running && window.countdown.WakeOption()) << "wake";
        if (window.wakeAt) {
            EXPECT_EQ(*window.wakeAt, window.settings.GetLaunchTime() - WakeLeadSeconds);
        }
    }

    std::int64_t Between(std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    template <typename T>
    T Pick(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(Between(0, static_cast<std::int64_t>(values.size()) - 1))];
    }

    std::mt19937 random;
    std::vector<const char*> zones;
    std::string logPath;
    std::set<std::int64_t> launchedMoments;
    std::set<std::uint32_t> endedCommands;
    std::uint32_t commands = 0;
    std::size_t stoppedAt = 0;
};

TEST_F(CountdownTest, RandomWalksNeverLaunchEarlyOrTwiceAndHoldAwakeOnlyWithinTheBounds) {
#ifdef _WIN32
    constexpr std::uint32_t Walks = 150;  // every Wine file write is slow
#else
    constexpr std::uint32_t Walks = 2500;
#endif
    // The same walks every run, so that a failure can be run again by its seed.
    Program settings;
    for (std::uint32_t seed = 1; seed <= Walks && !HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        CountdownWalk(seed, TestZones(), LogPath()).Run(settings, 20);
    }
}

}  // namespace
