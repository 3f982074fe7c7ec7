// The launcher's smaller commands and the log viewer, driven by their
// control identifiers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

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

// cmd splits a quoted path at "(", ")" and "&" unless its /s takes the
// outer quotes off; and a window whose thread waits for a command freezes.
TEST_F(CommandsTest, BatchInAProgramFilesFolderRunsThereWhileTheWindowGoesOnAnswering) {
    const std::string folder = HomeFile("Program Files (x86) & Co");
    const std::string batch = folder + "\\job.bat";
    const std::string marker = HomeFile("marker.txt");
    testsupport::MakeDirectory(folder);
    // It notes its working folder, then runs a program that takes a while.
    testsupport::WriteFileBytes(batch, "@cd > here.txt\r\n@\"" + testsupport::MarkerWriterPath() + "\"\r\n");
    const testsupport::ScopedEnv savedMarker(testsupport::MarkerEnvName),
        savedSleep(testsupport::MarkerSleepEnvName);
    testsupport::SetEnv(testsupport::MarkerEnvName, marker);
    testsupport::SetEnv(testsupport::MarkerSleepEnvName, "1500");
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        SetControlText(dialog, IDC_PROGRAM_PATH, batch);
        Press(dialog, IDC_SHELL_COMMAND);
        Press(dialog, IDC_TEST);
        Press(dialog, IDC_TODAY);
        EXPECT_EQ(LogCount("Current time selected by user"), 1);
        EXPECT_FALSE(testsupport::FileExists(marker)) << "the window waited for the batch";
        EXPECT_TRUE(dialog.settings.IsCommandRunning());
        EXPECT_TRUE(harness::PumpUntil([&] { return !dialog.settings.IsCommandRunning(); }, 20000));
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(testsupport::ReadFileBytes(marker), "ran");
    EXPECT_TRUE(testsupport::FileExists(folder + "\\here.txt")) << "the batch ran in another folder";
    EXPECT_EQ(LogCount("\r\nCommand Finished: exit code 0\r\n"), 1) << LogText();
}

// Read as ANSI text, "Āpp.exe" would become "App.exe", another program.
TEST_F(CommandsTest, TypedPathTheSettingsCannotKeepStartsNoLookAlike) {
    const std::wstring typed = AfxWideText(HomeFile("\xc4\x80pp.exe"));  // Ā, as UTF-8
    testsupport::WriteFileBytes(HomeFile("App.exe"), "");
    std::vector<std::string> started;
    platform::SetStartHandler([&](const platform::StartRequest& request) {
        started.push_back(request.target);
        return 0;
    });
    for (bool exists : {true, false}) {
        SCOPED_TRACE(exists ? "the file exists: its short name" : "no such file: a message");
        if (exists) std::ofstream(std::filesystem::path(typed)) << "";
        const std::string kept = AfxAnsiSafePath(typed).value_or("C:\\before.exe");
        started.clear();
        LauncherDialog dialog;
        RunModal(dialog, [&](CDialog&) {
            dialog.settings.SetProgramPath("C:\\before.exe");
            // Pasted with "Copy as path", in its quotes.
            HwndSetWideText(dialog.GetDlgItem(IDC_PROGRAM_PATH), exists ? L'"' + typed + L'"' : typed);
            Press(dialog, IDC_TEST);
            EXPECT_EQ(dialog.settings.GetProgramPath(), kept);
            dialog.EndDialog(IDCANCEL);
        });
        EXPECT_EQ(started, exists ? std::vector<std::string>{'"' + kept + '"'} : std::vector<std::string>{});
        std::filesystem::remove(std::filesystem::path(typed));
    }
    platform::SetStartHandler(nullptr);
    ASSERT_EQ(harness::MessageBoxes().size(), 1u);
    EXPECT_EQ(harness::MessageBoxes()[0].text,
              "This path cannot be kept in the settings file, whose text uses the system's code page: " +
                  AfxUtf8Text(typed) +
                  ". Pick the program with Browse, or move it to a folder whose name the code page holds.");
}

// The shell may wait on a person (the administrator prompt) or on a slow
// document handler; meanwhile the window goes on answering.
TEST_F(CommandsTest, ShellStartThatWaitsLeavesTheWindowAnsweringAndIsRecordedWhenAnswered) {
    testsupport::WriteFileBytes(HomeFile("report.txt"), "");
    const std::unique_ptr<void, decltype(&CloseHandle)> release(CreateEventA(nullptr, TRUE, FALSE, nullptr),
                                                                &CloseHandle);
    std::atomic<bool> answered{false};
    platform::SetStartHandler([&](const platform::StartRequest&) {
        WaitForSingleObject(release.get(), 5000);  // bounded, should it block the window
        answered = true;
        return platform::SystemError{1223};  // the prompt answered No
    });
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        SetControlText(dialog, IDC_PROGRAM_PATH, HomeFile("report.txt"));
        Press(dialog, IDC_TEST);
        EXPECT_FALSE(answered) << "the window waited for the shell";
        Press(dialog, IDC_TODAY);
        SetEvent(release.get());
        EXPECT_TRUE(harness::PumpUntil([&] { return LogCount("(error 1223)") == 1; }));
        dialog.EndDialog(IDCANCEL);
    });
    platform::SetStartHandler(nullptr);
    const std::regex inOrder(
        "Launching Program[\\s\\S]*Program Test Initiated[\\s\\S]*Current time selected by user"
        "[\\s\\S]*CreateProcess failed\\.\\r\\n[\\s\\S]*\\(error 1223\\)");
    EXPECT_TRUE(std::regex_search(LogText(), inOrder)) << LogText();
}

// After today's launch, Apply/Reset makes today available again: a later
// time today must not go to next week.
TEST_F(CommandsTest, ApplyResetStopsTheCountdownAndReopensTodaysLaunch) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        SetControlText(dialog, IDC_PROGRAM_PATH, testsupport::MarkerWriterPath());
        SetControlText(dialog, IDC_INTERVAL_EDIT, "1");
        SetPicker(dialog, IDC_TIME_PICKER, StartTime + 2);
        Press(dialog, IDC_TUESDAY);         // today
        dialog.settings.SetLaunched(true);  // as today's launch leaves it
        Press(dialog, IDC_LAUNCH);
        Press(dialog, IDC_APPLY_RESET);
        EXPECT_EQ(ControlText(dialog, IDC_STATUS), "Reset");
        EXPECT_EQ(ControlText(dialog, IDC_COUNTDOWN), "00:00:00:00");
        EXPECT_EQ(dialog.CountdownTimerId(), 0u);
        EXPECT_FALSE(uitest::TimerRunning(dialog, CountdownTimer)) << "the countdown timer still ticks";
        uitest::ExpectSettingsEnabled(dialog, true);

        SetPicker(dialog, IDC_TIME_PICKER, StartTime + 3600);
        Press(dialog, IDC_LAUNCH);
        EXPECT_EQ(dialog.settings.GetLaunchTime(), StartTime + 3600) << "today is still used up";
        Press(dialog, IDC_APPLY_RESET);
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(Starts(), 0) << LogText();
}

// Each button and box changes its own setting, the way its label says, and
// opens its own window. Browse shows the chosen path; Cancel keeps it, since
// an empty path would be saved over the stored one.
TEST_F(CommandsTest, EachButtonActsOnItsOwnSettingOrWindow) {
    const std::string chosen = HomeFile("chosen.exe");
    const struct {
        const char* name;
        int button;
        std::function<bool(const LauncherDialog&)> holds;
        UINT opens = 0;  // the dialog template it opens
    } presses[] = {
        {"Shell/Batch Command", IDC_SHELL_COMMAND, [](auto& d) { return !d.settings.IsWindowsProgram(); }},
        {"Windows Program", IDC_WINDOWS_PROGRAM, [](auto& d) { return d.settings.IsWindowsProgram(); }},
        {"Auto-Restart on", IDC_AUTO_RESTART, [](auto& d) { return d.settings.autoRestart; }},
        {"Auto-Restart off", IDC_AUTO_RESTART, [](auto& d) { return !d.settings.autoRestart; }},
        {"Today", IDC_TODAY,
         [](auto& d) {
             return uitest::PickerValue(d, IDC_DATE_PICKER).wDay == 2 &&
                    d.settings.GetLaunchTime() == StartTime;
         }},
        {"Log", IDC_LOG, [](auto&) { return true; }, IDD_LOG},
        {"Help", IDC_HELP_BUTTON, [](auto&) { return true; }, IDD_MANUAL},
        {"Browse, OK", IDC_BROWSE, [&](auto& d) { return ControlText(d, IDC_PROGRAM_PATH) == chosen; }},
        {"Browse, Cancel", IDC_BROWSE,
         [&](auto& d) {
             return d.settings.GetProgramPath() == chosen && ControlText(d, IDC_STATUS) == "Stopped";
         }},
        {"Browse, a path ANSI cannot hold and with no short form", IDC_BROWSE,
         [&](auto& d) {
             return d.settings.GetProgramPath() == chosen && ControlText(d, IDC_PROGRAM_PATH) == chosen &&
                    harness::MessageBoxes().size() == 1 &&
                    harness::MessageBoxes()[0].text.find("cannot be stored") != std::string::npos;
         }},
    };
    harness::AnswerFileDialog(IDOK, chosen);
    harness::AnswerFileDialog(IDCANCEL, "");
    harness::AnswerFileDialog(IDOK, std::wstring(L"C:\\\u0915\\gone.exe"));
    LauncherDialog dialog;
    UINT opened = 0;
    uitest::RunNotingWhatItOpens(dialog, opened, [&] {
        SetPicker(dialog, IDC_DATE_PICKER, StartTime + 86400 * 30);
        for (const auto& p : presses) {
            SCOPED_TRACE(p.name);
            opened = 0;
            Press(dialog, p.button);
            EXPECT_TRUE(p.holds(dialog));
            EXPECT_EQ(opened, p.opens);
        }
        dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(Starts(), 0) << "a button started the program";
    EXPECT_EQ(LogCount("Program File Loaded: "), 1) << "Cancel wrote a record";
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

// Each move of the spin's arrows or of the slider (by key, wheel or drag) shows
// at once, and the interval, the box, the slider and the spin agree on it.
TEST_F(CommandsTest, IntervalControlsAgreeAtOnceAfterEverySpinAndSliderMove) {
    LauncherDialog dialog;
    RunModal(dialog, [&](CDialog&) {
        const HWND slider = dialog.GetDlgItem(IDC_INTERVAL_SLIDER);
        auto arrow = [&](bool up) {
            RECT area{};
            GetClientRect(dialog.GetDlgItem(IDC_INTERVAL_SPIN), &area);
            const LPARAM at = MAKELPARAM(area.right / 2, up ? area.bottom / 4 : area.bottom * 3 / 4);
            SendTo(dialog, IDC_INTERVAL_SPIN, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendTo(dialog, IDC_INTERVAL_SPIN, WM_LBUTTONUP, 0, at);
        };
        auto key = [&](WPARAM vk) {
            SendMessageA(slider, WM_KEYDOWN, vk, 0);
            SendMessageA(slider, WM_KEYUP, vk, 0);
        };
        auto drag = [&](int pixels) {
            RECT thumb{};
            SendMessageA(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
            const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
            SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + pixels, y));
            SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(x + pixels, y));
        };
        const struct {
            const char* name;
            std::function<void()> move;
            int interval;  // 0: anywhere but where it was
        } moves[] = {
            {"spin up from 10", [&] { arrow(true); }, 11},
            {"spin up again", [&] { arrow(true); }, 12},
            {"spin down", [&] { arrow(false); }, 11},
            {"slider End key", [&] { key(VK_END); }, 600},
            {"spin up at 600", [&] { arrow(true); }, 600},
            {"slider Home key", [&] { key(VK_HOME); }, 1},
            {"spin down at 1", [&] { arrow(false); }, 1},
            {"slider Right key", [&] { key(VK_RIGHT); }, 2},
            {"slider drag", [&] { drag(30); }, 0},
            {"slider wheel", [&] { SendMessageA(slider, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0); }, 0},
        };
        int last = 10;
        for (const auto& m : moves) {
            SCOPED_TRACE(m.name);
            m.move();
            const int interval = dialog.settings.GetTimingInterval();
            if (m.interval) {
                EXPECT_EQ(interval, m.interval);
            } else {
                EXPECT_NE(interval, last) << "the move did not reach the interval";
            }
            EXPECT_EQ(ControlText(dialog, IDC_INTERVAL_EDIT), std::to_string(interval));
            EXPECT_EQ(SendTo(dialog, IDC_INTERVAL_SLIDER, TBM_GETPOS), interval);
            EXPECT_EQ(LOWORD(SendTo(dialog, IDC_INTERVAL_SPIN, UDM_GETPOS)), interval);
            last = interval;
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
            EXPECT_EQ(GetFocus(), viewer.GetDlgItem(IDC_LOG_CLOSE))
                << "on the text, it would select the whole log";
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
