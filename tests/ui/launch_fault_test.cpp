// Faults a desktop meets while the launcher counts down: a timer that cannot
// be set, a log that cannot be opened, and a clock that jumps.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "launcher_fixture.h"
#include "resource.h"

namespace {

using harness::RunModal;
using uitest::ControlEnabled;
using uitest::ControlText;
using uitest::LocalMoment;
using uitest::SetControlText;
using uitest::SetPicker;

constexpr int DayBoxes[7] = {IDC_SUNDAY,   IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                             IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY};

// Refuses the countdown timer for as long as it lives.
class RefusedCountdownTimer {
public:
    RefusedCountdownTimer() {
        afxtest::SetTimerHandler([](HWND window, UINT_PTR id, UINT milliseconds) -> UINT_PTR {
            return id == CountdownTimer ? 0 : ::SetTimer(window, id, milliseconds, nullptr);
        });
    }
    ~RefusedCountdownTimer() { afxtest::SetTimerHandler(nullptr); }
    RefusedCountdownTimer(const RefusedCountdownTimer&) = delete;
    RefusedCountdownTimer& operator=(const RefusedCountdownTimer&) = delete;
};

class LaunchFaultTest : public uitest::LauncherFixture {
protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        testsupport::SetEnv(testsupport::MarkerEnvName, HomeFile("marker.txt"));
        testsupport::UnsetEnv(testsupport::MarkerSleepEnvName);
    }

    // The marker writer, launched at `launch` (its date counts in date mode only).
    static void FillIn(LauncherDialog& dialog, platform::Moment launch) {
        SetControlText(dialog, IDC_PROGRAM_PATH, testsupport::MarkerWriterPath());
        SetControlText(dialog, IDC_INTERVAL_EDIT, "1");
        SetPicker(dialog, IDC_DATE_PICKER, launch);
        SetPicker(dialog, IDC_TIME_PICKER, launch);
    }

    static void CheckEveryDay(LauncherDialog& dialog) {
        for (int day = 0; day < 7; ++day) {
            dialog.settings.SetDayChecked(day, true);
            dialog.SetChecked(DayBoxes[day], BST_CHECKED);
        }
    }

    // Ticks of the countdown timer as the message loop delivers them.
    static void Tick(LauncherDialog& dialog, int count = 1) {
        for (int tick = 0; tick < count; ++tick) dialog.SendMessage(WM_TIMER, CountdownTimer);
    }

    int Launches() const { return LogCount("Launching Program"); }

    static void ExpectStopped(const LauncherDialog& dialog) {
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Stopped");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "00:00:00:00");
        EXPECT_EQ(dialog.GetWindowText(), "Orvix Launcher");
        EXPECT_EQ(dialog.CountdownTimerId(), 0u);
        for (int id :
             {IDC_PROGRAM_PATH, IDC_INTERVAL_EDIT, IDC_LAUNCH, IDC_TEST, IDC_DATE_PICKER, IDC_MONDAY})
            EXPECT_TRUE(ControlEnabled(dialog, id)) << "control " << id;
    }
};

TEST_F(LaunchFaultTest, TimerThatCannotBeSetLeavesTheLauncherStopped) {
    RefusedCountdownTimer refused;
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, StartTime + 90);
        harness::Click(dialog.GetSafeHwnd(), IDC_LAUNCH);
        ExpectStopped(dialog);
        EXPECT_EQ(LogCount("Launch Initiated"), 1) << LogText();
        ExpectConfigLine(5, std::to_string(StartTime + 90));
        dialog.EndDialog(IDCANCEL);
    });
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].text, "Error Setting Timer");
}

TEST_F(LaunchFaultTest, LogThatCannotBeOpenedLeavesTheLauncherWorking) {
    testsupport::MakeDirectory(LogPath());
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, StartTime + 2);
        harness::Click(dialog.GetSafeHwnd(), IDC_LAUNCH);
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        ExpectConfigLine(4, testsupport::MarkerWriterPath());
        ExpectConfigLine(5, std::to_string(StartTime + 2));
        platform::AdvanceTestClock(2);
        Tick(dialog);
        EXPECT_TRUE(testsupport::WaitForFile(HomeFile("marker.txt"), "ran"));
        ExpectStopped(dialog);
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
    EXPECT_TRUE(std::filesystem::is_empty(LogPath()));
}

// After sleep or hibernation the clock stands days past the launch moment:
// the next tick launches once, and the countdown goes on to a moment ahead.
TEST_F(LaunchFaultTest, ClockJumpPastTheLaunchLaunchesOnceAtTheNextTick) {
    struct Case {
        platform::Moment wokenAt;
        platform::Moment nextLaunch;
    };
    const Case cases[] = {
        {LocalMoment(2004, 3, 5, 22, 0, 0), LocalMoment(2004, 3, 6, 21, 0, 0)},   // past that day's time
        {LocalMoment(2004, 3, 5, 20, 0, 0), LocalMoment(2004, 3, 5, 21, 0, 0)},   // before it
        {LocalMoment(2004, 3, 30, 9, 0, 0), LocalMoment(2004, 3, 30, 21, 0, 0)},  // weeks later
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wokenAt);
        std::filesystem::remove(ConfigPath());
        platform::SetTestClock(LocalMoment(2004, 3, 2, 20, 0, 0));
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            FillIn(dialog, LocalMoment(2004, 3, 2, 21, 0, 0));
            CheckEveryDay(dialog);
            harness::Click(dialog.GetSafeHwnd(), IDC_LAUNCH);
            const int before = Launches();
            platform::SetTestClock(c.wokenAt);
            Tick(dialog, 5);
            EXPECT_EQ(Launches() - before, 1) << LogText();
            EXPECT_EQ(dialog.settings.GetLaunchTime(), c.nextLaunch);
            EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
            dialog.EndDialog(IDCANCEL);
        });
    }
}

TEST_F(LaunchFaultTest, ClockSetBackAfterALaunchDoesNotLaunchAgainThatDay) {
    const platform::Moment launch = LocalMoment(2004, 3, 2, 21, 0, 0);
    platform::SetTestClock(launch - 60);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, launch);
        CheckEveryDay(dialog);
        harness::Click(dialog.GetSafeHwnd(), IDC_LAUNCH);
        platform::SetTestClock(launch);
        Tick(dialog);
        ASSERT_EQ(Launches(), 1) << LogText();

        // An hour back, and the clock passes 21:00 a second time that day.
        platform::SetTestClock(launch - 3600);
        for (int step = 0; step <= 130; ++step) {
            Tick(dialog);
            platform::AdvanceTestClock(30);
        }
        EXPECT_EQ(Launches(), 1) << LogText();
        EXPECT_EQ(dialog.settings.GetLaunchTime(), launch + 86400);

        platform::SetTestClock(launch + 86400);
        Tick(dialog);
        EXPECT_EQ(Launches(), 2) << LogText();
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
}

}  // namespace
