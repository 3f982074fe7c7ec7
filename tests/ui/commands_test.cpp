// The launcher's smaller commands, driven by their control identifiers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "launcher_fixture.h"
#include "resource.h"

namespace {

using harness::RunModal;
using uitest::ControlText;
using uitest::SendTo;
using uitest::SetControlText;
using uitest::SetPicker;

class CommandsTest : public uitest::LauncherFixture {
protected:
    // The dialog writes no configuration before it goes unless a command saves.
    bool Saved() const { return testsupport::FileExists(ConfigPath()); }
    static void Press(const CDialog& dialog, int id) { harness::Click(dialog.GetSafeHwnd(), id); }
    int Starts() const { return LogCount("Launching Program") + LogCount("CreateProcess failed."); }
};

TEST_F(CommandsTest, TestStartsAValidProgramAtOnceWithoutUsingUpToday) {
    const struct {
        const char* name;
        std::string path;
        platform::Moment launch;
        int dayBox;  // 0: date mode
        bool starts;
    } cases[] = {
        {"empty path", "", StartTime + 90, 0, false},
        {"date in the past", testsupport::MarkerWriterPath(), StartTime - 86400, 0, true},
        {"today checked, its time passed", testsupport::MarkerWriterPath(), StartTime - 3600, IDC_TUESDAY,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(ConfigPath().c_str());  // the last row's dialog saved when it went
        const int startsBefore = Starts();
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            SetControlText(dialog, IDC_PROGRAM_PATH, c.path);
            SetPicker(dialog, IDC_DATE_PICKER, c.launch);
            SetPicker(dialog, IDC_TIME_PICKER, c.launch);
            if (c.dayBox) Press(dialog, c.dayBox);
            Press(dialog, IDC_TEST);
            EXPECT_EQ(ControlText(dialog, IDC_STATUS), c.starts ? "Tested" : "Stopped");
            EXPECT_FALSE(dialog.settings.IsLaunched());
            EXPECT_FALSE(Saved());
            dialog.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(Starts() - startsBefore, c.starts ? 1 : 0) << LogText();
    }
    EXPECT_EQ(harness::MessageBoxes().size(), 1u) << "the empty path's message only";
}

TEST_F(CommandsTest, ApplyResetStopsTheCountdownAndEnablesTheSettings) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        SetControlText(dialog, IDC_PROGRAM_PATH, testsupport::MarkerWriterPath());
        SetControlText(dialog, IDC_INTERVAL_EDIT, "1");
        SetPicker(dialog, IDC_DATE_PICKER, StartTime + 2);
        SetPicker(dialog, IDC_TIME_PICKER, StartTime + 2);
        Press(dialog, IDC_LAUNCH);
        Press(dialog, IDC_APPLY_RESET);
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Reset");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "00:00:00:00");
        EXPECT_EQ(dialog.CountdownTimerId(), 0u);
        for (int id : {IDC_PROGRAM_PATH, IDC_DATE_PICKER, IDC_TEST, IDC_LAUNCH, IDC_SUNDAY, IDC_AUTO_RESTART})
            EXPECT_TRUE(uitest::ControlEnabled(dialog, id)) << "control " << id;
        platform::AdvanceTestClock(10);
        harness::PumpFor(1500);  // a timer left running would tick and launch
        EXPECT_EQ(Starts(), 0) << LogText();
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(CommandsTest, EachWeekdayBoxSetsItsOwnDayAndGreysTheDatePicker) {
    const struct {
        int box;
        int weekday;
    } boxes[] = {{IDC_MONDAY, 1}, {IDC_TUESDAY, 2},  {IDC_WEDNESDAY, 3}, {IDC_THURSDAY, 4},
                 {IDC_FRIDAY, 5}, {IDC_SATURDAY, 6}, {IDC_SUNDAY, 0}};
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        for (const auto& b : boxes) {
            for (bool checked : {true, false}) {
                SCOPED_TRACE(::testing::Message() << "box " << b.box << (checked ? " checked" : " cleared"));
                Press(dialog, b.box);
                for (int day = 0; day < 7; ++day)
                    EXPECT_EQ(dialog.settings.IsDayChecked(day), checked && day == b.weekday)
                        << "day " << day;
                EXPECT_EQ(uitest::ControlEnabled(dialog, IDC_DATE_PICKER), !checked);
            }
        }
        EXPECT_FALSE(Saved());
        dialog.EndDialog(IDCANCEL);
    });
}

TEST_F(CommandsTest, IntervalFollowsTheSpinOneStepBehindWithinOneTo600) {
    const struct {
        int from;  // 0: where the last step left the spin
        bool up;
        int interval;
        int spin;
    } steps[] = {{0, true, 10, 11},
                 {0, true, 11, 12},
                 {0, false, 12, 11},  // from 10 at start-up
                 {600, true, 600, 600},
                 {1, false, 1, 1}};
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        HWND spin = dialog.GetDlgItem(IDC_INTERVAL_SPIN);
        RECT area{};
        GetClientRect(spin, &area);
        for (const auto& step : steps) {
            SCOPED_TRACE(::testing::Message() << "to " << step.interval << (step.up ? " up" : " down"));
            if (step.from) SendMessageA(spin, UDM_SETPOS, 0, step.from);
            // A mouse click on the upper or the lower arrow.
            const LPARAM at = MAKELPARAM(area.right / 2, step.up ? area.bottom / 4 : area.bottom * 3 / 4);
            SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(spin, WM_LBUTTONUP, 0, at);
            EXPECT_EQ(dialog.settings.GetTimingInterval(), step.interval);
            EXPECT_EQ(ControlText(dialog, IDC_INTERVAL_EDIT), std::to_string(step.interval));
            EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETPOS), step.interval);
            EXPECT_EQ(LOWORD(SendMessageA(spin, UDM_GETPOS, 0, 0)), step.spin);
        }
        dialog.EndDialog(IDCANCEL);
    });
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
        EXPECT_EQ(harness::MessageBoxes().back().text, "Exit the program and abort launch?");
        EXPECT_EQ(harness::MessageBoxes().back().type, 0x1014u);
        EXPECT_EQ(LogCount("Program Exit"), answer == IDYES ? 1 : 0);  // No comes first
    }
}

}  // namespace
