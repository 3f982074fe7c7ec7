// The launcher's smaller commands and the log viewer, driven by their
// control identifiers.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "launcher_fixture.h"
#include "resource.h"
#include "ui/log_dialog.h"

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
    static std::string Shown(const CDialog& viewer) { return HwndGetText(viewer.GetDlgItem(IDC_LOG_TEXT)); }
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

TEST_F(CommandsTest, LogViewerLongLogShowsWholeWhileTheUsersViewAndSelectionStay) {
    std::string bytes;
    while (bytes.size() < 600000) bytes += "Info  - 09:05:07 - 03.02.2004\r\nLaunch Initiated\r\n\r\n";
    testsupport::WriteFileBytes(LogPath(), bytes);
    LogDialog viewer(nullptr);
    RunModal(viewer, [&](CDialog&) {
        const HWND box = viewer.GetDlgItem(IDC_LOG_TEXT);
        ASSERT_LT(Shown(viewer).size(), bytes.size()) << "the rest is to be still coming in";
        SendMessageA(box, EM_SETSEL, 5, 10);
        SendMessageA(box, EM_LINESCROLL, 0, 50);
        harness::PumpUntil([&] { return Shown(viewer).size() >= bytes.size(); }, 60000);
        EXPECT_TRUE(Shown(viewer) == bytes) << Shown(viewer).size() << " characters of " << bytes.size();
        EXPECT_EQ(SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0), 50);
        EXPECT_EQ(SendMessageA(box, EM_GETSEL, 0, 0), MAKELRESULT(5, 10));
        viewer.EndDialog(IDCANCEL);
    });
}

TEST_F(CommandsTest, LogViewerShowsEveryByteAndLineAndLeavesTheFileAloneHoweverItCloses) {
    // Read as text, a Ctrl-Z would end the view, and a NUL would end the box's text.
    const char written[] =
        "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\nbare\nCtrl-Z \x1A, NUL \0, CR \r.\nlast";
    const char expected[] =
        "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\nbare\r\nCtrl-Z \x1A, NUL  , CR \r.\r\nlast\r\n";
    const std::string bytes(written, sizeof written - 1);
    const std::string shown(expected, sizeof expected - 1);
    testsupport::WriteFileBytes(LogPath(), bytes);
    const struct {
        const char* name;
        std::function<void(CDialog&)> close;
    } ways[] = {
        {"Close", [](CDialog& viewer) { harness::Click(viewer.GetSafeHwnd(), IDC_LOG_CLOSE); }},
        {"Escape", [](CDialog&) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close box", [](CDialog& viewer) { viewer.PostMessage(WM_SYSCOMMAND, SC_CLOSE); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        LogDialog viewer(nullptr);
        const INT_PTR result = RunModal(viewer, [&](CDialog&) {
            EXPECT_EQ(Shown(viewer), shown);
            HwndSetText(viewer.GetDlgItem(IDC_LOG_TEXT), "typed by the user");
            way.close(viewer);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(testsupport::ReadFileBytes(LogPath()), bytes);
    }
}

TEST_F(CommandsTest, LogViewerResetEmptiesOrCreatesTheLogAndWritesNoRecord) {
    for (bool exists : {true, false}) {
        SCOPED_TRACE(exists ? "existing log" : "no log");
        std::remove(LogPath().c_str());
        if (exists) testsupport::WriteFileBytes(LogPath(), "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\n");
        LogDialog viewer(nullptr);
        RunModal(viewer, [&](CDialog&) {
            if (!exists) {
                EXPECT_EQ(Shown(viewer), "Failed to locate log file.\r\n" + LogPath() + "\r\n");
            }
            for (int press = 0; press < 2; ++press) {
                harness::Click(viewer.GetSafeHwnd(), IDC_LOG_RESET);
                EXPECT_EQ(Shown(viewer), "");
                EXPECT_TRUE(testsupport::FileExists(LogPath()));
                EXPECT_EQ(testsupport::ReadFileBytes(LogPath()), "");
            }
            viewer.EndDialog(IDCANCEL);
        });
    }
}

}  // namespace
