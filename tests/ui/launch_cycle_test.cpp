// The launch cycle: Launch arms the countdown, real timer ticks against a set
// clock count it down, and the due tick starts the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launcher_fixture.h"
#include "log/log.h"
#include "resource.h"
#include "ui/power.h"

namespace {

using harness::PumpUntil;
using harness::RunModal;
using uitest::ControlEnabled;
using uitest::ControlText;
using uitest::LocalMoment;
using uitest::PickerValue;
using uitest::SendTo;
using uitest::SetControlText;
using uitest::SetPicker;

const char* const BadProgramMessage = "Parameters for execution are invalid.\nCheck the program name.\n";
const char* const BadTimeMessage = "Parameters for execution are invalid.\nCheck the launch time.\n";

// Wine can neither wake nor sleep: the power calls are recorded instead.
struct RecordingPower : PowerControl {
    WakeArmResult ArmWake(platform::Moment moment) override {
        calls.push_back("arm " + std::to_string(moment));
        return armResult;
    }
    void CancelWake() override { calls.push_back("cancel"); }
    void HoldAwake() override { calls.push_back("hold"); }
    void ReleaseAwake() override { calls.push_back("release"); }
    WakeTimerPolicy WakeTimers() override { return WakeTimerPolicy::Allowed; }
    std::vector<std::string> calls;
    WakeArmResult armResult = WakeArmResult::Armed;
};

// Tuesday, March 2, 2004 in the fixture's UTC zone.
constexpr int Monday = 1;
constexpr int Tuesday = 2;
constexpr int Friday = 5;

// Live-region events on the status box, as a screen reader hears them.
int statusAnnouncements = 0;
void CALLBACK CountStatusAnnouncement(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
    statusAnnouncements += GetDlgCtrlID(window) == IDC_STATUS;
}

class LaunchCycleTest : public uitest::LauncherFixture {
protected:
    void SetUp() override {
        LauncherFixture::SetUp();
        testsupport::SetEnv(testsupport::MarkerEnvName, MarkerPath());
        testsupport::UnsetEnv(testsupport::MarkerSleepEnvName);
        SetPowerForTests(&power);
    }
    void TearDown() override {
        SetPowerForTests(nullptr);
        afxtest::SetTimerHandler(nullptr);
        LauncherFixture::TearDown();
    }

    std::string MarkerPath() const { return HomeFile("marker.txt"); }
    int Launches() const { return LogCount("Launching Program"); }
    RecordingPower power;

    // Path, interval and launch moment typed in as a user would.
    static void FillIn(LauncherDialog& dialog, const std::string& path, const std::string& interval,
                       platform::Moment launch) {
        SetControlText(dialog, IDC_PROGRAM_PATH, path);
        SetControlText(dialog, IDC_INTERVAL_EDIT, interval);
        SetPicker(dialog, IDC_DATE_PICKER, launch);
        SetPicker(dialog, IDC_TIME_PICKER, launch);
    }

    static void CheckDay(LauncherDialog& dialog, int day, int box) {
        dialog.settings.SetDayChecked(day, true);
        dialog.SetChecked(box, BST_CHECKED);
    }

    static void Launch(LauncherDialog& dialog) { harness::Click(dialog.GetSafeHwnd(), IDC_LAUNCH); }

    static bool CountdownReads(const LauncherDialog& dialog, const std::string& text) {
        return ControlText(dialog, IDC_COUNTDOWN) == text;
    }

    // Every Launch saves the settings and logs itself, valid or not.
    void ExpectSavedAndLogged() const {
        EXPECT_EQ(ConfigLines().size(), 18u);
        EXPECT_EQ(LogCount("Launch Initiated"), 1) << LogText();
    }

    // A timer left running after a stop would launch a one-time program again
    // at every interval.
    static void ExpectStopped(const LauncherDialog& dialog) {
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Stopped");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "00:00:00:00");
        EXPECT_EQ(dialog.CountdownTimerId(), 0u);
        EXPECT_FALSE(uitest::TimerRunning(dialog, CountdownTimer)) << "the countdown timer still ticks";
        uitest::ExpectSettingsEnabled(dialog, true);
    }

    // Launch greyed the button that held the focus: the keyboard must still
    // reach Apply/Reset to stop the countdown.
    static void ExpectRunning(const LauncherDialog& dialog) {
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        uitest::ExpectSettingsEnabled(dialog, false);
        EXPECT_FALSE(ControlEnabled(dialog, IDC_DATE_PICKER));
        EXPECT_EQ(GetFocus(), dialog.GetDlgItem(IDC_APPLY_RESET)) << "the keyboard lost the dialog";
    }

    // Launch with what the user typed is refused: one message box, nothing
    // armed or started, the title kept, and the attempt saved and logged.
    void ExpectLaunchRefused(const std::string& path, platform::Moment launch, const char* message) {
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            FillIn(dialog, path, "10", launch);
            const std::string title = dialog.GetWindowText();
            Launch(dialog);
            ExpectStopped(dialog);
            EXPECT_EQ(dialog.GetWindowText(), title);
            ExpectSavedAndLogged();
            dialog.EndDialog(IDCANCEL);
        });
        ASSERT_EQ(harness::MessageBoxes().size(), 1u);
        EXPECT_EQ(harness::MessageBoxes()[0].text, message);
        EXPECT_FALSE(testsupport::FileExists(MarkerPath()));
    }
};

TEST_F(LaunchCycleTest, DateModeCountsDownLaunchesAtTheMomentAndStops) {
    const HWINEVENTHOOK hook =
        SetWinEventHook(0x8019, 0x8019, nullptr, CountStatusAnnouncement,  // live region changed
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    statusAnnouncements = 0;
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "1", StartTime + 90);
        Launch(dialog);
        harness::PumpMessages();
        EXPECT_EQ(statusAnnouncements, 1) << "Running";
        ExpectRunning(dialog);
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "0:00:01:30");
        EXPECT_EQ(dialog.GetWindowText(), "0:00:01:30");
        EXPECT_NE(dialog.CountdownTimerId(), 0u);
        ExpectSavedAndLogged();
        ExpectConfigLine(5, std::to_string(StartTime + 90));
        ExpectConfigLine(6, "1");

        platform::AdvanceTestClock(30);
        EXPECT_TRUE(PumpUntil([&] { return CountdownReads(dialog, "0:00:01:00"); }))
            << ControlText(dialog, IDC_COUNTDOWN);
        EXPECT_EQ(dialog.GetWindowText(), "0:00:01:00");
        EXPECT_EQ(SendTo(dialog, IDC_PROGRESS, PBM_GETPOS), 33);
        EXPECT_FALSE(testsupport::FileExists(MarkerPath()));
        EXPECT_EQ(statusAnnouncements, 1) << "ticks that kept the word were announced";

        platform::AdvanceTestClock(61);
        EXPECT_TRUE(PumpUntil([&] { return ControlText(dialog, IDC_STATUS) == "Stopped"; }));
        EXPECT_TRUE(testsupport::WaitForFile(MarkerPath(), "ran"));
        ExpectStopped(dialog);
        EXPECT_EQ(dialog.GetWindowText(), "Orvix Launcher");
        EXPECT_TRUE(ControlEnabled(dialog, IDC_DATE_PICKER));
        harness::PumpMessages();
        EXPECT_EQ(statusAnnouncements, 2) << "Stopped";
        dialog.EndDialog(IDCANCEL);
    });
    UnhookWinEvent(hook);
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST_F(LaunchCycleTest, WeekdayModeRearmsOnTheNextCheckedDayAfterTheLaunch) {
    platform::SetTestClock(LocalMoment(2004, 3, 8, 20, 59, 30));  // a Monday
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "1", LocalMoment(2004, 3, 1, 21, 0, 0));
        CheckDay(dialog, Monday, IDC_MONDAY);
        CheckDay(dialog, Friday, IDC_FRIDAY);
        Launch(dialog);
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "0:00:00:30");
        EXPECT_EQ(PickerValue(dialog, IDC_DATE_PICKER).wDay, 8);
        EXPECT_FALSE(ControlEnabled(dialog, IDC_DATE_PICKER));

        platform::AdvanceTestClock(30);
        EXPECT_TRUE(PumpUntil([&] { return PickerValue(dialog, IDC_DATE_PICKER).wDay == 12; }))
            << PickerValue(dialog, IDC_DATE_PICKER).wDay;
        EXPECT_TRUE(testsupport::WaitForFile(MarkerPath(), "ran"));
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "4:00:00:00");
        EXPECT_EQ(SendTo(dialog, IDC_PROGRESS, PBM_GETPOS), 0);
        EXPECT_NE(dialog.CountdownTimerId(), 0u);
        EXPECT_EQ(dialog.settings.GetLaunchTime(), LocalMoment(2004, 3, 12, 21, 0, 0));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST_F(LaunchCycleTest, PickedTimeTheClocksSkipLaunchesAtTheJumpAndStaysPickedForTheNextDay) {
    testsupport::SetTimeZone("EST5EDT");
    platform::SetTestClock(LocalMoment(2024, 3, 10, 1, 59, 58));  // 02:00 EST jumps to 03:00 EDT
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "1", LocalMoment(2024, 3, 9, 2, 15, 0));
        for (int day = 0; day < 7; ++day) CheckDay(dialog, day, IDC_MONDAY + (day + 6) % 7);
        Launch(dialog);
        EXPECT_EQ(dialog.settings.GetLaunchTime(), LocalMoment(2024, 3, 10, 3, 0, 0));
        EXPECT_NE(testsupport::ReadFileBytes(HomeFile("orvix_launcher.ini")).find("Time=02:15:00"),
                  std::string::npos);

        platform::AdvanceTestClock(5);
        EXPECT_TRUE(PumpUntil([&] { return PickerValue(dialog, IDC_DATE_PICKER).wDay == 11; }));
        EXPECT_TRUE(testsupport::WaitForFile(MarkerPath(), "ran"));
        const SYSTEMTIME picked = PickerValue(dialog, IDC_TIME_PICKER);
        EXPECT_EQ(picked.wHour * 100 + picked.wMinute, 215) << "the jump's 03:00 replaced the picked time";
        EXPECT_EQ(dialog.settings.GetLaunchTime(), LocalMoment(2024, 3, 11, 2, 15, 0));
        dialog.EndDialog(IDCANCEL);
    });
    // Restarted before the jump's launch, it still knows the picked 02:15.
    platform::SetTestClock(LocalMoment(2024, 3, 10, 1, 0, 0));
    uitest::ConfigValues config;
    config.programPath = testsupport::MarkerWriterPath();
    config.launchTime = LocalMoment(2024, 3, 10, 3, 0, 0);
    config.days = "1111111";
    WriteConfig(config);
    testsupport::WriteFileBytes(HomeFile("orvix_launcher.ini"), "[Schedule]\r\nTime=02:15:00\r\n");
    LauncherDialog restarted;
    RunModal(restarted, [&](CDialog&) {
        const SYSTEMTIME picked = PickerValue(restarted, IDC_TIME_PICKER);
        EXPECT_EQ(picked.wHour * 100 + picked.wMinute, 215) << "the restart took the jump's 03:00 as picked";
        restarted.EndDialog(IDCANCEL);
    });
}

TEST_F(LaunchCycleTest, LateTickPastMidnightDoesNotSkipTheNewDay) {
    // Monday's 23:59:59 launch is handled by a tick early on Tuesday, which is
    // also checked: Tuesday's launch still comes the same day.
    platform::SetTestClock(LocalMoment(2004, 3, 8, 23, 59, 58));
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "1", LocalMoment(2004, 3, 1, 23, 59, 59));
        CheckDay(dialog, Monday, IDC_MONDAY);
        CheckDay(dialog, Tuesday, IDC_TUESDAY);
        Launch(dialog);
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "0:00:00:01");

        platform::AdvanceTestClock(5);
        EXPECT_TRUE(PumpUntil([&] { return PickerValue(dialog, IDC_DATE_PICKER).wDay == 9; }));
        EXPECT_TRUE(testsupport::WaitForFile(MarkerPath(), "ran"));
        EXPECT_EQ(dialog.settings.GetLaunchTime(), LocalMoment(2004, 3, 9, 23, 59, 59));
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "0:23:59:56");
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(LaunchCycleTest, CheckedTodayWithItsTimePassedMovesToNextWeekWithoutAMessage) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "10", LocalMoment(2004, 3, 2, 8, 0, 0));
        CheckDay(dialog, Tuesday, IDC_TUESDAY);
        Launch(dialog);
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        EXPECT_EQ(PickerValue(dialog, IDC_DATE_PICKER).wDay, 9);
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "6:22:54:53");
        ExpectSavedAndLogged();
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST_F(LaunchCycleTest, EmptyPathIsRefusedWithTheProgramMessage) {
    ExpectLaunchRefused("", StartTime + 90, BadProgramMessage);
}

TEST_F(LaunchCycleTest, PastDateIsRefusedWithTheLaunchTimeMessage) {
    ExpectLaunchRefused(testsupport::MarkerWriterPath(), StartTime - 86400, BadTimeMessage);
}

TEST_F(LaunchCycleTest, AutoRestartResumesTheCountdownAtStartUp) {
    uitest::ConfigValues config;
    config.programPath = testsupport::MarkerWriterPath();
    config.launchTime = StartTime + 3600;
    config.autoRestart = true;
    WriteConfig(config);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "0:01:00:00");
        EXPECT_EQ(ControlText(dialog, IDC_PROGRAM_PATH), testsupport::MarkerWriterPath());
        EXPECT_EQ(dialog.IsChecked(IDC_AUTO_RESTART), BST_CHECKED);
        EXPECT_NE(dialog.CountdownTimerId(), 0u);
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(harness::NoMessageBoxes());
}

TEST_F(LaunchCycleTest, IntervalBoxWithoutAUsableNumberKeepsThePreviousInterval) {
    uitest::ConfigValues config;
    config.launchTime = StartTime;
    config.interval = 25;
    WriteConfig(config);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        for (const char* typed : {"", "99999999999"}) {
            SCOPED_TRACE(typed);
            FillIn(dialog, "", typed, StartTime + 90);
            Launch(dialog);
            EXPECT_EQ(dialog.settings.GetTimingInterval(), 25);
            EXPECT_EQ(ControlText(dialog, IDC_INTERVAL_EDIT), "25");
        }
        dialog.EndDialog(IDCANCEL);
    });
}

// Counts the countdown timer's ticks as the message loop takes them.
class TickCounter {
public:
    TickCounter() {
        ticks = 0;
        hook = SetWindowsHookExA(WH_GETMESSAGE, Count, nullptr, GetCurrentThreadId());
    }
    ~TickCounter() { UnhookWindowsHookEx(hook); }
    TickCounter(const TickCounter&) = delete;
    TickCounter& operator=(const TickCounter&) = delete;
    int Ticks() const { return ticks; }

private:
    static LRESULT CALLBACK Count(int code, WPARAM removed, LPARAM lParam) {
        const MSG* message = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && removed == PM_REMOVE && message->message == WM_TIMER &&
            message->wParam == CountdownTimer)
            ++ticks;
        return CallNextHookEx(nullptr, code, removed, lParam);
    }
    static inline int ticks = 0;
    HHOOK hook = nullptr;
};

TEST_F(LaunchCycleTest, ZeroIntervalStillTicksAtMostOnceASecond) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "0", StartTime + 90);
        Launch(dialog);
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        EXPECT_NE(dialog.CountdownTimerId(), 0u);
        TickCounter counter;
        harness::PumpFor(1500);
        // A 0 ms period would tick every few milliseconds.
        EXPECT_LE(counter.Ticks(), 3);
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(LaunchCycleTest, LaunchTimerIsArmedToTheMomentAndMeetingATickLaunchesOnceAndNoOtherTimerLaunches) {
    std::vector<UINT> launchDelays;
    afxtest::SetTimerHandler([&](HWND window, UINT_PTR id, UINT milliseconds) -> UINT_PTR {
        if (id == LaunchTimer) launchDelays.push_back(milliseconds);
        return ::SetTimer(window, id, milliseconds, nullptr);
    });
    platform::SetTestClockMilliseconds(std::int64_t{StartTime} * 1000 + 250);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "600", StartTime + 600);
        Launch(dialog);
        ASSERT_EQ(launchDelays.size(), 1u) << "an interval-600 launch would wait for the tick";
        EXPECT_EQ(launchDelays[0], 599750u);
        platform::SetTestClock(StartTime + 600);
        for (UINT_PTR timer : {TrayRetryTimer, KeepAwakeTimer}) dialog.SendMessage(WM_TIMER, timer);
        EXPECT_EQ(Launches(), 0) << "a timer not the countdown's launched the program";
        for (UINT_PTR timer : {LaunchTimer, CountdownTimer}) dialog.SendMessage(WM_TIMER, timer);
        EXPECT_EQ(Launches(), 1) << LogText();
        EXPECT_EQ(LogCount("Launch Late"), 0);
        dialog.EndDialog(IDCANCEL);
    });
}

// An unattended wake sends only the first notice; a user at the keyboard
// brings the second as well. Either alone launches what fell due, as does a
// clock set past the moment, without waiting for the tick.
TEST_F(LaunchCycleTest, EachResumeNoticeOrClockSetAloneLaunchesWhatFellDueOnceAndRecordsItLate) {
    const struct {
        UINT message;
        WPARAM notice;
        LRESULT answer;
    } events[] = {{WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, TRUE},
                  {WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, TRUE},
                  {WM_TIMECHANGE, 0, 0}};
    for (const auto& [message, notice, answer] : events) {
        SCOPED_TRACE(message + notice);
        logtest::CloseLogStream();
        std::filesystem::remove(LogPath());
        platform::SetTestClock(StartTime);
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            FillIn(dialog, testsupport::MarkerWriterPath(), "600", LocalMoment(2004, 3, 1, 21, 0, 0));
            for (int day = 0; day < 7; ++day) CheckDay(dialog, day, IDC_MONDAY + (day + 6) % 7);
            Launch(dialog);
            platform::SetTestClock(LocalMoment(2004, 3, 2, 22, 0, 0));
            EXPECT_EQ(dialog.SendMessage(message, notice), answer);
            EXPECT_EQ(Launches(), 1) << LogText();
            EXPECT_EQ(LogCount("Launch Late: 3600 s"), 1) << LogText();
            EXPECT_EQ(dialog.settings.GetLaunchTime(), LocalMoment(2004, 3, 3, 21, 0, 0));
            ExpectConfigLine(5, std::to_string(LocalMoment(2004, 3, 3, 21, 0, 0)));
            dialog.EndDialog(IDCANCEL);
        });
    }
}

TEST_F(LaunchCycleTest, ZoneChangeKeepsThePickedWallClockTime) {
    const platform::Moment nineInUtc = LocalMoment(2004, 3, 2, 21, 0, 0);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        FillIn(dialog, testsupport::MarkerWriterPath(), "10", nineInUtc);
        CheckDay(dialog, Tuesday, IDC_TUESDAY);
        Launch(dialog);
        testsupport::SetEnv("TZ", "EST5EDT");  // the C runtime reads it only when told to
        dialog.SendMessage(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("TimeZone"));
        EXPECT_EQ(dialog.settings.GetLaunchTime(), nineInUtc + 5 * 3600);
        EXPECT_EQ(dialog.settings.GetCountdownStart(), StartTime);
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(LaunchCycleTest, WakeOptionArmsAMinuteEarlyKeepsAwakeAndIsCancelledOnStop) {
    power.armResult = WakeArmResult::Unsupported;
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        dialog.SendMessage(WM_SYSCOMMAND, IDM_WAKE_TO_RUN);
        EXPECT_TRUE(dialog.WakeToRun());
        FillIn(dialog, testsupport::MarkerWriterPath(), "10", StartTime + 600);
        Launch(dialog);
        platform::SetTestClock(StartTime + 500);  // within two minutes of the moment
        dialog.SendMessage(WM_TIMER, CountdownTimer);
        harness::Click(dialog.GetSafeHwnd(), IDC_APPLY_RESET);
        const std::vector<std::string> expected{"arm " + std::to_string(StartTime + 540), "hold", "cancel",
                                                "release"};
        EXPECT_EQ(power.calls, expected);
        EXPECT_EQ(LogCount("Wake Unavailable: this computer cannot be woken by a timer"), 1) << LogText();
        // Wine says it cannot wake only to a timer asked to wake (resume).
        SetPowerForTests(nullptr);
        EXPECT_EQ(Power().ArmWake(StartTime + 600), WakeArmResult::Unsupported) << "armed without resume";
        Power().CancelWake();
        SetPowerForTests(&power);
        EXPECT_NE(testsupport::ReadFileBytes(HomeFile("orvix_launcher.ini")).find("WakeToRun=1"),
                  std::string::npos);
        dialog.EndDialog(IDCANCEL);
    });
}

// A command that Test started is the user's own: it never keeps the computer
// awake, however long it runs after a scheduled launch.
TEST_F(LaunchCycleTest, CommandStartedByTestNeverHoldsKeepAwake) {
    const testsupport::ScopedEnv savedSleep(testsupport::MarkerSleepEnvName);
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        dialog.SendMessage(WM_SYSCOMMAND, IDM_WAKE_TO_RUN);
        FillIn(dialog, testsupport::MarkerWriterPath(), "1", StartTime + 60);
        Launch(dialog);
        platform::SetTestClock(StartTime + 60);
        dialog.SendMessage(WM_TIMER, CountdownTimer);
        ASSERT_EQ(Launches(), 1) << LogText();
        EXPECT_TRUE(testsupport::WaitForFile(MarkerPath(), "ran"));
        testsupport::SetEnv(testsupport::MarkerSleepEnvName, "3000");
        harness::Click(dialog.GetSafeHwnd(), IDC_SHELL_COMMAND);
        harness::Click(dialog.GetSafeHwnd(), IDC_TEST);
        ASSERT_TRUE(dialog.settings.IsCommandRunning());
        platform::SetTestClock(StartTime + 60 + 120);
        dialog.SendMessage(WM_TIMER, KeepAwakeTimer);
        EXPECT_TRUE(dialog.settings.IsCommandRunning()) << "the test needs the command still running";
        ASSERT_FALSE(power.calls.empty());
        EXPECT_EQ(power.calls.back(), "release") << "the Test's command held the computer awake";
        EXPECT_TRUE(harness::PumpUntil([&] { return !dialog.settings.IsCommandRunning(); }, 20000));
        dialog.EndDialog(IDCANCEL);
    });
}

}  // namespace
