// Drives the built OrvixLauncher.exe from outside, as a user would: starts it
// as its own process with a home directory of its own, finds its window,
// reads its controls, closes it and checks the files it leaves behind.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"
#include "support/core_support.h"

namespace {

const char* const WindowCaption = " Orvix Launcher - Version 2.11";
const UINT TrayNotifyMessage = WM_USER + 1;
// A message box shows its text in this control.
const int MessageBoxTextId = 0xFFFF;
// Generous: a cold Wine start alone can take several seconds.
const DWORD StartTimeoutMs = 30000;
const DWORD EndTimeoutMs = 15000;
const DWORD PollMs = 50;

std::string LauncherPath() { return testsupport::ExecutableDirectory() + "\\OrvixLauncher.exe"; }

// Polls `done` until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(PollMs);
    }
}

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? copied : 0);
}

// The text of a control in another process's dialog.
std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return "<no control " + std::to_string(id) + ">";
    char buffer[256] = {};
    LRESULT copied = SendMessageA(control, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, copied > 0 ? static_cast<size_t>(copied) : 0);
}

struct WindowSearch {
    DWORD processId;
    std::function<bool(HWND)> accept;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !search->accept(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// One run of the launcher as a child process. Whatever happens in the test,
// the child does not outlive it.
class LauncherProcess {
public:
    LauncherProcess(const std::string& home, const std::string& startDirectory, WORD showCommand,
                    const std::string& exe = LauncherPath(), const std::string& arguments = "") {
        // The child inherits this process's environment; the old value comes back after.
        testsupport::ScopedEnv profile("USERPROFILE");
        testsupport::SetEnv("USERPROFILE", home);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = showCommand;
        std::string commandLine = "\"" + exe + "\" " + arguments;
        started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 startDirectory.c_str(), &startup, &process) != FALSE;
    }
    ~LauncherProcess() {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, EndTimeoutMs);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    LauncherProcess(const LauncherProcess&) = delete;
    LauncherProcess& operator=(const LauncherProcess&) = delete;

    bool Started() const { return started; }

    // A top-level window of this run that `accept`s, or null.
    HWND WaitForWindow(const std::function<bool(HWND)>& accept) {
        WindowSearch search = {process.dwProcessId, accept, nullptr};
        WaitUntil(
            [&] {
                EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            },
            StartTimeoutMs);
        return search.found;
    }

    // The launcher's main window once its set-up has filled the controls, or null.
    HWND WaitForLauncherWindow() {
        return WaitForWindow([](HWND found) {
            return WindowText(found) == WindowCaption && ControlText(found, IDC_STATUS) == "Stopped";
        });
    }

    bool WaitForExit() { return WaitForSingleObject(process.hProcess, EndTimeoutMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION process = {};
    bool started = false;
};

std::string ClassName(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A click as the control's parent sees it.
void PostClick(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND KeyboardFocus(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

const std::string TimeStamp = R"(\d\d:\d\d:\d\d - \d\d\.\d\d\.\d{4})";

std::string EscapeForRegex(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::string InfoRecordPattern(const std::string& message) {
    return "Info  - " + TimeStamp + "\r\n" + EscapeForRegex(message) + "\r\n\r\n";
}

// The fixed shape of the file: 18 CR LF lines, the comment block, numbers
// and flags where they belong.
void ExpectConfigurationShape(const std::string& text) {
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::vector<std::string> lines = testsupport::CrLfLines(text);
    ASSERT_EQ(lines.size(), 18u) << text;
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos)
            << "a line end other than CR LF in: " << line;
    EXPECT_EQ(lines[0], "# Orvix Launcher Configuration File");
    EXPECT_EQ(lines[1], "# This file is automatically generated and should");
    EXPECT_EQ(lines[2], "# not be modified");
    EXPECT_EQ(lines[3], "#");
    EXPECT_TRUE(std::regex_match(lines[5], std::regex(R"(-?\d+)"))) << lines[5];
    EXPECT_TRUE(std::regex_match(lines[6], std::regex(R"(-?\d+)"))) << lines[6];
    for (size_t line = 7; line < 17; ++line)
        EXPECT_TRUE(lines[line] == "0" || lines[line] == "1") << "line " << line + 1 << ": " << lines[line];
    EXPECT_EQ(lines[17], "# eof");
}

class LauncherProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetFileAttributesA(LauncherPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u)
            << LauncherPath();
        testsupport::MakeDirectory(home);
        testsupport::MakeDirectory(start);
    }

    std::string HomeFile(const std::string& name) const { return home + "\\" + name; }
    std::vector<std::string> ConfigurationLines() const {
        return testsupport::CrLfLines(testsupport::ReadFileBytes(HomeFile("orvix_launcher.cfg")));
    }

    // Starts the launcher (or a copy of it) with `showCommand` and waits for its window.
    void Start(WORD showCommand, const std::string& exe = LauncherPath()) {
        launcher.emplace(home, start, showCommand, exe);
        ASSERT_TRUE(launcher->Started()) << "CreateProcess failed: " << GetLastError();
        window = launcher->WaitForLauncherWindow();
        ASSERT_NE(window, nullptr) << "no window captioned '" << WindowCaption << "'";
    }

    // Presses Browse and waits for the system's Open dialog, or null.
    HWND BrowseForFile() {
        PostClick(window, IDC_BROWSE);
        return launcher->WaitForWindow([](HWND found) {
            return ClassName(found) == "#32770" && IsWindowVisible(found) && WindowText(found) == "Open";
        });
    }

    bool WaitUntilHidden() const {
        return WaitUntil([&] { return !IsWindowVisible(window); }, StartTimeoutMs);
    }

    // Closes the window as its close box does and waits for the run to end.
    void Close() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(launcher->WaitForExit()) << "the launcher did not end after WM_CLOSE";
    }

    // The configuration the run saved, after checking its fixed shape.
    std::vector<std::string> SavedConfiguration() const {
        ExpectConfigurationShape(testsupport::ReadFileBytes(HomeFile("orvix_launcher.cfg")));
        return ConfigurationLines();
    }

    testsupport::TempDir root;
    std::string home = root.File("home");
    std::string start = root.File("start");
    std::optional<LauncherProcess> launcher;  // ended before `root` goes
    HWND window = nullptr;
};

TEST_F(LauncherProcessTest, ShownStartLogsItsDirectoriesAndSavesOnClose) {
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWNORMAL));

    // The run's first records, in the user's home and not in the start directory.
    std::string log = testsupport::ReadFileBytes(HomeFile("orvix_launcher_log.txt"));
    std::regex firstRecords(InfoRecordPattern("Orvix Launcher Program Execution") +
                            InfoRecordPattern("Program Directory: " + start) +
                            InfoRecordPattern("User Home Directory: " + home));
    EXPECT_TRUE(std::regex_search(log, firstRecords, std::regex_constants::match_continuous)) << log;
    EXPECT_FALSE(testsupport::FileExists(start + "\\orvix_launcher_log.txt"));

    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Stopped");
    EXPECT_EQ(ControlText(window, IDC_COUNTDOWN), "00:00:00:00");

    ASSERT_NO_FATAL_FAILURE(Close());
    const std::vector<std::string> lines = SavedConfiguration();
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[4], "") << "no program chosen yet";
    EXPECT_EQ(lines[6], "10") << "default timing interval";
    EXPECT_EQ(lines[14], "1") << "Windows program by default";
    EXPECT_EQ(lines[15], "0") << "no auto-restart by default";
    EXPECT_EQ(lines[16], "0") << "closed while shown";
}

TEST_F(LauncherProcessTest, MinimisedStartHidesTheWindowAndRemembersIt) {
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWMINNOACTIVE));

    EXPECT_TRUE(WaitUntilHidden()) << "window still shown";
    // Hiding saves at once, so the file says so while the launcher still runs.
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<std::string> lines = ConfigurationLines();
            return lines.size() == 18 && lines[16] == "1";
        },
        StartTimeoutMs));

    ASSERT_NO_FATAL_FAILURE(Close());
    const std::vector<std::string> lines = SavedConfiguration();
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[16], "1") << "closed while hidden";
}

TEST_F(LauncherProcessTest, RememberedHiddenStateHidesAShownStartAgain) {
    testsupport::ConfigValues hidden;
    hidden.iconized = true;
    testsupport::WriteFileBytes(HomeFile("orvix_launcher.cfg"), testsupport::ConfigFileText(hidden));
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWNORMAL));

    EXPECT_TRUE(WaitUntilHidden()) << "window still shown";
    ASSERT_NO_FATAL_FAILURE(Close());
    const std::vector<std::string> lines = SavedConfiguration();
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[16], "1");
}

TEST_F(LauncherProcessTest, TrayIconShowsTheHiddenWindowAndItsMenuEndsTheRun) {
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWNORMAL));
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitUntilHidden()) << "the close box did not hide the window";

    // What the shell sends for a left click on the icon, then a right one.
    PostMessageA(window, TrayNotifyMessage, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, StartTimeoutMs))
        << "still hidden";
    PostMessageA(window, TrayNotifyMessage, 0, WM_CONTEXTMENU);
    HWND menu = launcher->WaitForWindow(
        [](HWND found) { return ClassName(found) == "#32768" && IsWindowVisible(found); });
    ASSERT_NE(menu, nullptr) << "no tray menu";
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);  // from the bottom, to Exit
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    HWND question = launcher->WaitForWindow([](HWND found) {
        return ControlText(found, MessageBoxTextId) == "Exit the program and abort launch?";
    });
    ASSERT_NE(question, nullptr) << "no exit question";
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(launcher->WaitForExit()) << "Exit answered Yes did not end the launcher";

    std::string log = testsupport::ReadFileBytes(HomeFile("orvix_launcher_log.txt"));
    EXPECT_TRUE(std::regex_search(log, std::regex(InfoRecordPattern("Program Exit")))) << log;
    const std::vector<std::string> lines = SavedConfiguration();
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[16], "1") << "iconized, set by Exit after the click had cleared it";
}

// Two launchers on the same settings would launch the program twice. A second
// start shows the running one, found while its title counts down, and ends
// without touching the settings or the log.
TEST_F(LauncherProcessTest, SecondStartShowsTheRunningLauncherAndEnds) {
    testsupport::ConfigValues config;
    config.programPath = LauncherPath();
    config.launchTime = static_cast<platform::Moment>(time(nullptr)) + 86400;
    config.autoRestart = true;
    config.iconized = true;
    testsupport::WriteFileBytes(HomeFile("orvix_launcher.cfg"), testsupport::ConfigFileText(config));
    launcher.emplace(home, start, SW_SHOWNORMAL);
    window = launcher->WaitForWindow([](HWND found) { return ControlText(found, IDC_STATUS) == "Running"; });
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntilHidden()) << "the remembered hidden state did not hide it";
    // The window answers while its set-up waits on the shell for the icon:
    // the set-up is done only once its launch is logged.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return testsupport::ReadFileBytes(HomeFile("orvix_launcher_log.txt")).find("Launch Initiated") !=
                   std::string::npos;
        },
        StartTimeoutMs));
    const std::string files[] = {HomeFile("orvix_launcher.cfg"), HomeFile("orvix_launcher_log.txt")};
    const std::string before[] = {testsupport::ReadFileBytes(files[0]), testsupport::ReadFileBytes(files[1])};

    LauncherProcess second(home, start, SW_SHOWNORMAL);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForExit()) << "a second launcher runs on the same settings";
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, StartTimeoutMs))
        << "still hidden";
    for (int file = 0; file < 2; ++file) EXPECT_EQ(testsupport::ReadFileBytes(files[file]), before[file]);
    // The same settings file, named in other letters or found from another
    // working folder, is still the one.
    const std::string otherStart = root.File("other start");
    testsupport::MakeDirectory(otherStart);
    std::string lowerCase = home;
    CharLowerBuffA(lowerCase.data(), static_cast<DWORD>(lowerCase.size()));
    ASSERT_NE(lowerCase, home);
    // Its 8.3 name too: the guard follows the folder, not its spelling.
    std::string shortName(MAX_PATH, '\0');
    shortName.resize(GetShortPathNameA(home.c_str(), shortName.data(), MAX_PATH));
    ASSERT_NE(shortName, home) << "no 8.3 name for " << home;
    for (const auto& [secondHome, secondStart] :
         {std::pair{lowerCase, start}, std::pair{home, otherStart}, std::pair{shortName, start}}) {
        LauncherProcess another(secondHome, secondStart, SW_SHOWNORMAL);
        EXPECT_TRUE(another.WaitForExit())
            << "a second launcher runs on " << secondHome << " from " << secondStart;
    }
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(SavedConfiguration()[16], "0") << "shown as the menu's Show leaves it";
}

// Each folder is a schedule of its own: a launcher per folder, told apart by
// the folder's name and keeping its files there; a second start on the same
// folder shows the first and ends, and one on a missing folder ends with 2.
TEST_F(LauncherProcessTest, TwoFoldersRunTwoLaunchersTheSameFolderAgainOnlyOneAndAMissingOneEndsWithCode2) {
    const std::string backup = root.File("Backup"), report = start + "\\Report";
    testsupport::MakeDirectory(backup);
    testsupport::MakeDirectory(report);
    LauncherProcess first(home, start, SW_SHOWNORMAL, LauncherPath(), "/folder \"" + backup + "\\\"");
    LauncherProcess second(home, start, SW_SHOWNORMAL, LauncherPath(), "--Folder Report");
    for (auto [run, name] : {std::pair{&first, " - Backup"}, std::pair{&second, " - Report"}})
        EXPECT_NE(run->WaitForWindow(
                      [&](HWND found) { return WindowText(found) == WindowCaption + std::string(name); }),
                  nullptr)
            << "no launcher on" << name;
    LauncherProcess again(home, start, SW_SHOWNORMAL, LauncherPath(), "/FOLDER:" + backup);
    EXPECT_TRUE(again.WaitForExit()) << "a second launcher runs on the same folder";
    EXPECT_NE(testsupport::ReadFileBytes(backup + "\\orvix_launcher_log.txt")
                  .find("User Home Directory: " + backup),
              std::string::npos);
    EXPECT_TRUE(testsupport::FileExists(report + "\\orvix_launcher_log.txt"));
    EXPECT_FALSE(testsupport::FileExists(HomeFile("orvix_launcher_log.txt")));
    // A script that names a missing folder learns it from the exit code.
    LauncherProcess refused(home, start, SW_SHOWNORMAL, LauncherPath(), "/folder Gone");
    PostMessageA(refused.WaitForWindow([](HWND found) { return ClassName(found) == "#32770"; }), WM_COMMAND,
                 IDOK, 0);
    EXPECT_TRUE(refused.WaitForExit() && refused.ExitCode() == 2)
        << "refused, yet it ended with " << refused.ExitCode();
}

// From the tray menu alone: a schedule nothing runs on gets a launcher of
// its own, and choosing it again shows that one instead of starting another.
TEST_F(LauncherProcessTest, SchedulesSubmenuStartsALauncherOnAScheduleAndShowsItWhenRunning) {
    const std::string schedules = HomeFile("Orvix Launcher Schedules"),
                      caption = WindowCaption + std::string(" - Backup");
    testsupport::MakeDirectory(schedules);
    testsupport::MakeDirectory(schedules + "\\Backup");
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWNORMAL));
    const auto chooseBackup = [&] {
        PostMessageA(window, TrayNotifyMessage, 0, WM_CONTEXTMENU);
        HWND menu = launcher->WaitForWindow(
            [](HWND found) { return ClassName(found) == "#32768" && IsWindowVisible(found); });
        // Down to "Schedules", into it at "Home folder", then down to "Backup".
        for (UINT key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_RETURN})
            PostMessageA(menu, WM_KEYDOWN, key, 0);
    };
    chooseBackup();
    HWND backup = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (backup = FindWindowA(nullptr, caption.c_str())) != nullptr; },
                          StartTimeoutMs))
        << "no launcher started on the schedule";
    PostMessageA(backup, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(backup); }, StartTimeoutMs));
    chooseBackup();
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(backup) != FALSE; }, StartTimeoutMs))
        << "the running launcher was not shown";
    const std::string log = testsupport::ReadFileBytes(schedules + "\\Backup\\orvix_launcher_log.txt");
    EXPECT_EQ(log.find("Program Directory"), log.rfind("Program Directory"))
        << "a second launcher ran: " << log;
    PostMessageA(backup, WM_CLOSE, 0, 0);
    ASSERT_NO_FATAL_FAILURE(Close());
}

// A keyboard and mouse user's round: the spin arrow moves the interval at
// once; Browse, then Cancel, keeps the path, and the icon waits while the file
// dialog is open; after Launch the keyboard still reaches the dialog, and
// Escape asks before it aborts the countdown.
TEST_F(LauncherProcessTest, DialogKeepsWhatTheUserHadAndAsksBeforeEscapeAbortsALaunch) {
    testsupport::ConfigValues config;
    config.programPath = LauncherPath();
    config.launchTime = static_cast<platform::Moment>(time(nullptr)) + 86400;
    testsupport::WriteFileBytes(HomeFile("orvix_launcher.cfg"), testsupport::ConfigFileText(config));
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWNORMAL));

    HWND spin = GetDlgItem(window, IDC_INTERVAL_SPIN);
    RECT area = {};
    GetClientRect(spin, &area);
    PostMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.right / 2, area.bottom / 4));
    PostMessageA(spin, WM_LBUTTONUP, 0, MAKELPARAM(area.right / 2, area.bottom / 4));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(window, IDC_INTERVAL_EDIT) == "11"; }, StartTimeoutMs))
        << "the first up arrow showed " << ControlText(window, IDC_INTERVAL_EDIT);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_INTERVAL_SLIDER), TBM_GETPOS, 0, 0), 11);

    HWND fileDialog = BrowseForFile();
    ASSERT_NE(fileDialog, nullptr) << "no file dialog";
    // A menu tracked by the icon's handler would hold this call until it timed out.
    DWORD_PTR ignored = 0;
    EXPECT_NE(SendMessageTimeoutA(window, TrayNotifyMessage, 0, WM_CONTEXTMENU, SMTO_NORMAL, 5000, &ignored),
              0)
        << "the icon opened its menu over the file dialog";
    PostMessageA(fileDialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(
        WaitUntil([&] { return ControlText(window, IDC_STATUS) == "Stopped" && IsWindowEnabled(window); },
                  StartTimeoutMs));
    EXPECT_EQ(ControlText(window, IDC_PROGRAM_PATH), LauncherPath()) << "Cancel changed the path";

    PostClick(window, IDC_LAUNCH);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(window, IDC_STATUS) == "Running"; }, StartTimeoutMs));
    EXPECT_EQ(KeyboardFocus(window), GetDlgItem(window, IDC_APPLY_RESET)) << "the keyboard lost the dialog";

    for (int answer : {IDNO, IDYES}) {
        PostMessageA(KeyboardFocus(window), WM_KEYDOWN, VK_ESCAPE, 0);
        HWND question = launcher->WaitForWindow([](HWND found) {
            return IsWindowVisible(found) &&
                   ControlText(found, MessageBoxTextId) == "Exit the program and abort launch?";
        });
        ASSERT_NE(question, nullptr) << "Escape ended a running countdown without asking";
        PostMessageA(question, WM_COMMAND, answer, 0);
        if (answer == IDNO) {
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question); }, StartTimeoutMs));
            EXPECT_EQ(ControlText(window, IDC_STATUS), "Running") << "No stopped the countdown";
            // Enter reaches Apply/Reset, the focused default button.
            PostMessageA(KeyboardFocus(window), WM_KEYDOWN, VK_RETURN, 0);
            EXPECT_TRUE(
                WaitUntil([&] { return ControlText(window, IDC_STATUS) == "Reset"; }, StartTimeoutMs));
            PostClick(window, IDC_LAUNCH);
            ASSERT_TRUE(
                WaitUntil([&] { return ControlText(window, IDC_STATUS) == "Running"; }, StartTimeoutMs));
        }
    }
    ASSERT_TRUE(launcher->WaitForExit()) << "Yes did not end the launcher";
    const std::string log = testsupport::ReadFileBytes(HomeFile("orvix_launcher_log.txt"));
    EXPECT_EQ(log.find("Program File Loaded"), std::string::npos) << log;
    EXPECT_TRUE(std::regex_search(log, std::regex(InfoRecordPattern("Program Exit")))) << log;
    EXPECT_EQ(SavedConfiguration()[4], LauncherPath()) << "the path was not kept";
}

// While it lives, Wine prefers a comdlg32.dll found on the search path to its
// own for the launcher, as Windows does for a library it does not know.
class PreferPlantedFileDialogLibrary {
public:
    PreferPlantedFileDialogLibrary() {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        const char order[] = "native,builtin";
        RegSetValueExA(key, "comdlg32", 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    }
    ~PreferPlantedFileDialogLibrary() {
        if (key == nullptr) return;
        RegDeleteValueA(key, "comdlg32");
        RegCloseKey(key);
    }
    PreferPlantedFileDialogLibrary(const PreferPlantedFileDialogLibrary&) = delete;
    PreferPlantedFileDialogLibrary& operator=(const PreferPlantedFileDialogLibrary&) = delete;

    bool Set() const { return key != nullptr; }

private:
    static constexpr const char* Key = "Software\\Wine\\AppDefaults\\OrvixLauncher.exe\\DllOverrides";
    HKEY key = nullptr;
};

// A launcher started from a downloads folder, with a library named like the
// file dialog's planted beside it and in its working directory: Browse must
// still show the system's file dialog and never load the planted copy.
TEST_F(LauncherProcessTest, BrowseIgnoresAFileDialogLibraryPlantedBesideIt) {
    const std::string planted = testsupport::ExecutableDirectory() + "\\planted_library.dll";
    const std::string downloads = root.File("downloads");
    testsupport::MakeDirectory(downloads);
    const std::string exe = downloads + "\\OrvixLauncher.exe";
    ASSERT_TRUE(CopyFileA(LauncherPath().c_str(), exe.c_str(), FALSE));
    const std::vector<std::string> plantedCopies = {downloads + "\\comdlg32.dll", start + "\\comdlg32.dll"};
    for (const std::string& copy : plantedCopies)
        ASSERT_TRUE(CopyFileA(planted.c_str(), copy.c_str(), FALSE));

    // The copies do leave a mark when loaded.
    const std::string probe = root.File("probe.dll");
    ASSERT_TRUE(CopyFileA(planted.c_str(), probe.c_str(), FALSE));
    HMODULE probeModule = LoadLibraryA(probe.c_str());
    ASSERT_NE(probeModule, nullptr);
    FreeLibrary(probeModule);
    ASSERT_TRUE(testsupport::FileExists(probe + ".loaded"));

    PreferPlantedFileDialogLibrary preferPlanted;
    ASSERT_TRUE(preferPlanted.Set());
    ASSERT_NO_FATAL_FAILURE(Start(SW_SHOWNORMAL, exe));
    HWND fileDialog = BrowseForFile();
    ASSERT_NE(fileDialog, nullptr) << "Browse showed no file dialog";
    PostMessageA(fileDialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(window, IDC_STATUS) == "Stopped"; }, StartTimeoutMs));
    ASSERT_NO_FATAL_FAILURE(Close());

    for (const std::string& copy : plantedCopies)
        EXPECT_FALSE(testsupport::FileExists(copy + ".loaded")) << "loaded " << copy;
}

}  // namespace
