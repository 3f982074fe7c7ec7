// The launcher's buttons other than Launch, driven by their identifiers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "launcher_fixture.h"
#include "log/log.h"
#include "resource.h"
#include "ui/maker.h"

namespace {

using harness::Click;
using harness::RunModal;
using uitest::ControlEnabled;
using uitest::ControlText;
using uitest::LocalMoment;
using uitest::SendTo;

class CommandsTest : public uitest::LauncherFixture {
protected:
    // The configuration is written only by the commands that save.
    bool Saved() const { return testsupport::FileExists(ConfigPath()); }
};

TEST_F(CommandsTest, TestStartsAnyValidProgramAtOnceWithoutUsingUpToday) {
    const struct {
        const char* name;
        std::string path;
        platform::Moment launch;
        int dayBox;  // 0: date mode
        bool starts;
    } cases[] = {
        {"empty path", "", StartTime + 90, 0, false},
        {"date in the past", testsupport::MarkerWriterPath(), StartTime - 86400, 0, true},
        {"today checked, its time passed", testsupport::MarkerWriterPath(), LocalMoment(2004, 3, 2, 8, 0, 0),
         IDC_TUESDAY, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logtest::CloseLogStream();
        std::remove(LogPath().c_str());
        std::remove(ConfigPath().c_str());  // the last row's dialog saved when it went
        const std::size_t boxes = harness::MessageBoxes().size();
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            uitest::SetControlText(dialog, IDC_PROGRAM_PATH, c.path);
            uitest::SetPicker(dialog, IDC_DATE_PICKER, c.launch);
            uitest::SetPicker(dialog, IDC_TIME_PICKER, c.launch);
            if (c.dayBox) Click(dialog.GetSafeHwnd(), c.dayBox);
            Click(dialog.GetSafeHwnd(), IDC_TEST);
            EXPECT_EQ(ControlText(dialog, IDC_STATUS), c.starts ? "Tested" : "Stopped");
            EXPECT_EQ(SendTo(dialog, IDC_PROGRESS, PBM_GETPOS), c.starts ? 100 : 0);
            EXPECT_FALSE(dialog.settings.IsLaunched());
            EXPECT_FALSE(Saved());
            dialog.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(LogCount("Launching Program"), c.starts ? 1 : 0) << LogText();
        EXPECT_EQ(LogCount("CreateProcess failed."), 0) << LogText();
        EXPECT_EQ(LogCount("Program Test Initiated"), 1) << LogText();
        EXPECT_EQ(harness::MessageBoxes().size() - boxes, c.starts ? 0u : 1u);
    }
}

TEST_F(CommandsTest, ApplyResetStopsTheCountdownAndEnablesTheSettings) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        uitest::SetControlText(dialog, IDC_PROGRAM_PATH, testsupport::MarkerWriterPath());
        uitest::SetControlText(dialog, IDC_INTERVAL_EDIT, "1");
        uitest::SetPicker(dialog, IDC_DATE_PICKER, StartTime + 2);
        uitest::SetPicker(dialog, IDC_TIME_PICKER, StartTime + 2);
        Click(dialog.GetSafeHwnd(), IDC_LAUNCH);
        ASSERT_EQ(ControlText(dialog, IDC_STATUS), "Running");
        std::remove(ConfigPath().c_str());

        Click(dialog.GetSafeHwnd(), IDC_APPLY_RESET);
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Reset");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "00:00:00:00");
        EXPECT_EQ(SendTo(dialog, IDC_PROGRESS, PBM_GETPOS), 0);
        EXPECT_EQ(dialog.GetWindowText(), "Orvix Launcher");
        EXPECT_EQ(dialog.CountdownTimerId(), 0u);
        for (int id : {IDC_PROGRAM_PATH, IDC_DATE_PICKER, IDC_TEST, IDC_LAUNCH, IDC_SUNDAY, IDC_AUTO_RESTART})
            EXPECT_TRUE(ControlEnabled(dialog, id)) << "control " << id;
        platform::AdvanceTestClock(10);
        harness::PumpFor(1500);  // a timer left running would tick and launch
        EXPECT_EQ(LogCount("Launching Program"), 0) << LogText();
        EXPECT_EQ(LogCount("Applied/Reset Selected by user"), 1);
        EXPECT_FALSE(Saved());
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(CommandsTest, ApplyResetAfterTodaysLaunchShowsTheNextDayAndReopensToday) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        uitest::SetPicker(dialog, IDC_TIME_PICKER, LocalMoment(2004, 3, 2, 21, 0, 0));
        Click(dialog.GetSafeHwnd(), IDC_TUESDAY);
        Click(dialog.GetSafeHwnd(), IDC_FRIDAY);
        dialog.settings.SetLaunched(true);  // as after today's launch
        Click(dialog.GetSafeHwnd(), IDC_APPLY_RESET);
        EXPECT_EQ(uitest::PickerValue(dialog, IDC_DATE_PICKER).wDay, 5);
        EXPECT_FALSE(dialog.settings.IsLaunched());
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(CommandsTest, EachWeekdayBoxSetsItsOwnDayAndGreysTheDatePicker) {
    const struct {
        int box;
        int weekday;
    } boxes[] = {{IDC_MONDAY, 1},   {IDC_TUESDAY, 2}, {IDC_WEDNESDAY, 3}, {IDC_THURSDAY, 4},
                 {IDC_FRIDAY, 5},   {IDC_SATURDAY, 6}, {IDC_SUNDAY, 0}};
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        const WORD shownDay = uitest::PickerValue(dialog, IDC_DATE_PICKER).wDay;
        for (const auto& b : boxes) {
            SCOPED_TRACE(b.box);
            for (bool checked : {true, false}) {
                Click(dialog.GetSafeHwnd(), b.box);
                for (int day = 0; day < 7; ++day) EXPECT_EQ(dialog.settings.IsDayChecked(day), checked && day == b.weekday);
                EXPECT_EQ(ControlEnabled(dialog, IDC_DATE_PICKER), !checked);
                EXPECT_EQ(uitest::PickerValue(dialog, IDC_DATE_PICKER).wDay, shownDay);
            }
        }
        EXPECT_FALSE(Saved());
        dialog.EndDialog(IDCANCEL);
    });
}

// A mouse click on the spin control's upper or lower arrow.
void ClickSpinArrow(const CDialog& dialog, bool up) {
    RECT area{};
    GetClientRect(dialog.GetDlgItem(IDC_INTERVAL_SPIN), &area);
    const LPARAM at = MAKELPARAM(area.right / 2, up ? area.bottom / 4 : area.bottom * 3 / 4);
    SendTo(dialog, IDC_INTERVAL_SPIN, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendTo(dialog, IDC_INTERVAL_SPIN, WM_LBUTTONUP, 0, at);
}

// The slider moved to `position`, then its thumb clicked and let go.
void ReleaseSliderAt(const CDialog& dialog, int position) {
    SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_SETPOS, TRUE, position);
    RECT thumb{};
    SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const LPARAM at = MAKELPARAM((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    SendTo(dialog, IDC_INTERVAL_SLIDER, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendTo(dialog, IDC_INTERVAL_SLIDER, WM_LBUTTONUP, 0, at);
}

TEST_F(CommandsTest, IntervalFollowsTheSpinOneStepBehindWithinOneTo600) {
    constexpr int Up = 1, Down = -1;  // any other action releases the slider there
    struct Step {
        int action;
        int interval;
        int spin;
    };
    const struct {
        int start;
        std::vector<Step> steps;
    } sequences[] = {
        {10, {{Up, 10, 11}, {Up, 11, 12}, {Down, 12, 11}, {45, 45, 45}, {Up, 45, 46}}},
        {600, {{Up, 600, 600}}},
        {1, {{Down, 1, 1}}},
    };
    for (const auto& sequence : sequences) {
        uitest::ConfigValues config;
        config.launchTime = StartTime;
        config.interval = sequence.start;
        WriteConfig(config);
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            for (const Step& step : sequence.steps) {
                SCOPED_TRACE(::testing::Message() << "from " << sequence.start << ", action " << step.action);
                if (step.action == Up || step.action == Down)
                    ClickSpinArrow(dialog, step.action == Up);
                else
                    ReleaseSliderAt(dialog, step.action);
                EXPECT_EQ(dialog.settings.GetTimingInterval(), step.interval);
                EXPECT_EQ(ControlText(dialog, IDC_INTERVAL_EDIT), std::to_string(step.interval));
                EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETPOS), step.interval);
                EXPECT_EQ(LOWORD(SendTo(dialog, IDC_INTERVAL_SPIN, UDM_GETPOS)), step.spin);
            }
            dialog.EndDialog(IDCANCEL);
        });
    }
}

TEST_F(CommandsTest, ExitQuestionSavesIconizedAndEndsTheProgramOnlyOnYes) {
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        harness::AnswerMessageBoxes({answer});
        LauncherDialog dialog;
        const INT_PTR result = RunModal(dialog, [&](CDialog&) {
            std::remove(ConfigPath().c_str());
            dialog.ConfirmExit();
            ExpectConfigLine(16, "1");
            harness::PumpMessages();
            EXPECT_EQ(dialog.IsWindowVisible() != FALSE, answer == IDNO) << "an ended dialog is hidden";
            if (answer == IDNO) dialog.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(result, IDCANCEL);
        ASSERT_FALSE(harness::MessageBoxes().empty());
        EXPECT_EQ(harness::MessageBoxes().back().text, "Exit the program and abort launch?");
        EXPECT_EQ(harness::MessageBoxes().back().type, 0x1014u);
        EXPECT_EQ(LogCount("Program Exit"), answer == IDYES ? 1 : 0);  // No comes first
    }
}

TEST_F(CommandsTest, BrowseTakesTheChosenPathAndCancelEmptiesIt) {
    const struct {
        INT_PTR answer;
        std::string taken;
    } cases[] = {{IDOK, "C:\\tools\\backup.exe"}, {IDCANCEL, ""}};
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.answer);
            uitest::SetControlText(dialog, IDC_PROGRAM_PATH, "C:\\before.exe");
            harness::AnswerFileDialog(c.answer, "C:\\tools\\backup.exe");
            Click(dialog.GetSafeHwnd(), IDC_BROWSE);
            EXPECT_EQ(ControlText(dialog, IDC_PROGRAM_PATH), c.taken);
            EXPECT_EQ(dialog.settings.GetProgramPath(), c.taken);
            EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Stopped");
            EXPECT_EQ(LogCount("Program File Loaded: " + c.taken + "\r\n"), 1) << LogText();
        }
        EXPECT_FALSE(Saved());
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(harness::FileDialogCount(), 2);
}

TEST_F(CommandsTest, SettingsButtonsTakeEffectAtOnceAndCloseHidesWithoutSaving) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        const HWND window = dialog.GetSafeHwnd();
        Click(window, IDC_SHELL_COMMAND);
        EXPECT_FALSE(dialog.settings.IsWindowsProgram());
        Click(window, IDC_WINDOWS_PROGRAM);
        EXPECT_TRUE(dialog.settings.IsWindowsProgram());
        Click(window, IDC_AUTO_RESTART);
        EXPECT_TRUE(dialog.settings.autoRestart);
        Click(window, IDC_AUTO_RESTART);
        EXPECT_FALSE(dialog.settings.autoRestart);

        SendTo(dialog, IDC_BANNER, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        ASSERT_EQ(harness::ShellOpens().size(), 1u);
        EXPECT_EQ(harness::ShellOpens()[0].verb, "open");
        EXPECT_EQ(harness::ShellOpens()[0].file, MakerWebAddress);
        EXPECT_EQ(harness::ShellOpens()[0].owner, window);

        Click(window, IDC_CLOSE);
        EXPECT_FALSE(dialog.IsWindowVisible());
        EXPECT_TRUE(dialog.settings.iconized);
        EXPECT_FALSE(Saved());
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(CommandsTest, LogAndHelpButtonsOpenTheirDialogsOwnedByTheLauncher) {
    LauncherDialog dialog;
    std::vector<UINT> opened;
    RunModal(dialog, [&](CDialog& shown) {
        if (&shown != &dialog) {
            opened.push_back(shown.GetTemplateId());
            EXPECT_EQ(GetWindow(shown.GetSafeHwnd(), GW_OWNER), dialog.GetSafeHwnd());
            shown.EndDialog(IDCANCEL);
            return;
        }
        Click(dialog.GetSafeHwnd(), IDC_LOG);
        Click(dialog.GetSafeHwnd(), IDC_HELP_BUTTON);
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(opened, (std::vector<UINT>{IDD_LOG, IDD_MANUAL}));
}

}  // namespace
