// Drives the built OrvixLauncher.exe from outside, as a user would: starts it
// as its own process with a home directory of its own, finds its window,
// reads its controls, closes it and checks the files it leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

const char* const WindowCaption = " Orvix Launcher - Version 2.11";
const int StatusId = 1030;
const int CountdownId = 1032;
// Generous: a cold Wine start alone can take several seconds.
const DWORD StartTimeoutMs = 30000;
const DWORD EndTimeoutMs = 15000;
const DWORD PollMs = 50;

std::string DirectoryOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

std::string OwnDirectory() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return DirectoryOf(std::string(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string LauncherPath() { return OwnDirectory() + "\\OrvixLauncher.exe"; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines split at CR LF; a missing final CR LF leaves the rest as a last line.
std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A fresh directory for one test, removed with everything in it afterwards.
class TempDirectory {
public:
    TempDirectory() {
        char base[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof(base), base);
        std::string prefix = (length > 0 && length < sizeof(base)) ? std::string(base, length) : ".\\";
        for (int attempt = 0; path.empty() && attempt < 100; ++attempt) {
            std::string candidate = prefix + "orvix-app-" + std::to_string(GetCurrentProcessId()) + "-" +
                                    std::to_string(GetTickCount() + attempt);
            if (CreateDirectoryA(candidate.c_str(), nullptr)) path = candidate;
        }
    }
    ~TempDirectory() {
        if (!path.empty()) RemoveTree(path);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return path; }

private:
    static void RemoveTree(const std::string& directory) {
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = entry.cFileName;
                if (name == "." || name == "..") continue;
                std::string child = directory + "\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(child);
                else
                    DeleteFileA(child.c_str());
            } while (FindNextFileA(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryA(directory.c_str());
    }

    std::string path;
};

// Sets an environment variable of this process for as long as it lives, so
// that a child started meanwhile inherits it; the old value comes back after.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name(name) {
        DWORD length = GetEnvironmentVariableA(name, nullptr, 0);
        if (length > 0) {
            std::vector<char> buffer(length);
            DWORD copied = GetEnvironmentVariableA(name, buffer.data(), length);
            if (copied < length) previous = std::string(buffer.data(), copied);
        }
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name, previous ? previous->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name;
    std::optional<std::string> previous;
};

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
    HWND found;
};

BOOL CALLBACK MatchLauncherWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || WindowText(window) != WindowCaption) return TRUE;
    search->found = window;
    return FALSE;
}

// One run of the launcher as a child process. Whatever happens in the test,
// the child does not outlive it.
class LauncherProcess {
public:
    LauncherProcess(const std::string& home, const std::string& startDirectory, WORD showCommand) {
        ScopedEnvironment profile("USERPROFILE", home);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = showCommand;
        std::string commandLine = "\"" + LauncherPath() + "\"";
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

    // The launcher's main window once its set-up has filled the controls, or null.
    HWND WaitForWindow() {
        WindowSearch search = {process.dwProcessId, nullptr};
        WaitUntil(
            [&] {
                search.found = nullptr;
                EnumWindows(MatchLauncherWindow, reinterpret_cast<LPARAM>(&search));
                return search.found && ControlText(search.found, StatusId) == "Stopped";
            },
            StartTimeoutMs);
        return search.found;
    }

    bool WaitForExit() { return WaitForSingleObject(process.hProcess, EndTimeoutMs) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION process = {};
    bool started = false;
};

const std::string TimeStamp = R"(\d\d:\d\d:\d\d - \d\d\.\d\d\.\d{4})";

std::string EscapeForRegex(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::string InfoRecordPattern(const std::string& message) {
    return "Info  - " + TimeStamp + "\r\n" + EscapeForRegex(message) + "\r\n\r\n";
}

std::vector<std::string> ReadConfiguration(const std::string& home) {
    return CrLfLines(ReadFile(home + "\\orvix_launcher.cfg"));
}

// The fixed shape of the file: 18 CR LF lines, the comment block, numbers
// and flags where they belong.
void ExpectConfigurationShape(const std::string& home) {
    std::string text = ReadFile(home + "\\orvix_launcher.cfg");
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::vector<std::string> lines = CrLfLines(text);
    ASSERT_EQ(lines.size(), 18u) << text;
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a line end other than CR LF in: " << line;
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
        ASSERT_FALSE(root.Path().empty());
        ASSERT_EQ(GetFileAttributesA(LauncherPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << LauncherPath();
        ASSERT_TRUE(CreateDirectoryA(home.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(start.c_str(), nullptr));
    }

    TempDirectory root;
    std::string home = root.Path() + "\\home";
    std::string start = root.Path() + "\\start";
};

TEST_F(LauncherProcessTest, ShownStartLogsItsDirectoriesAndSavesOnClose) {
    LauncherProcess launcher(home, start, SW_SHOWNORMAL);
    ASSERT_TRUE(launcher.Started()) << "CreateProcess failed: " << GetLastError();
    HWND window = launcher.WaitForWindow();
    ASSERT_NE(window, nullptr) << "no window captioned '" << WindowCaption << "'";

    // The run's first records, in the user's home and not in the start directory.
    std::string log = ReadFile(home + "\\orvix_launcher_log.txt");
    std::regex firstRecords(InfoRecordPattern("Orvix Launcher Program Execution") +
                            InfoRecordPattern("Program Directory: " + start) +
                            InfoRecordPattern("User Home Directory: " + home));
    EXPECT_TRUE(std::regex_search(log, firstRecords, std::regex_constants::match_continuous)) << log;
    EXPECT_EQ(GetFileAttributesA((start + "\\orvix_launcher_log.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(ControlText(window, StatusId), "Stopped");
    EXPECT_EQ(ControlText(window, CountdownId), "00:00:00:00");

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(launcher.WaitForExit()) << "the launcher did not end after WM_CLOSE";

    ExpectConfigurationShape(home);
    std::vector<std::string> lines = ReadConfiguration(home);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[4], "") << "no program chosen yet";
    EXPECT_EQ(lines[6], "10") << "default timing interval";
    EXPECT_EQ(lines[14], "1") << "Windows program by default";
    EXPECT_EQ(lines[15], "0") << "no auto-restart by default";
    EXPECT_EQ(lines[16], "0") << "closed while shown";
}

TEST_F(LauncherProcessTest, MinimisedStartHidesTheWindowAndRemembersIt) {
    LauncherProcess launcher(home, start, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(launcher.Started()) << "CreateProcess failed: " << GetLastError();
    HWND window = launcher.WaitForWindow();
    ASSERT_NE(window, nullptr) << "no window captioned '" << WindowCaption << "'";

    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, StartTimeoutMs)) << "window still shown";
    // Hiding saves at once, so the file says so while the launcher still runs.
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<std::string> lines = ReadConfiguration(home);
            return lines.size() == 18 && lines[16] == "1";
        },
        StartTimeoutMs));

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(launcher.WaitForExit()) << "the launcher did not end after WM_CLOSE";
    ExpectConfigurationShape(home);
    std::vector<std::string> lines = ReadConfiguration(home);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[16], "1") << "closed while hidden";
}

TEST_F(LauncherProcessTest, RememberedHiddenStateHidesAShownStartAgain) {
    std::ofstream(home + "\\orvix_launcher.cfg", std::ios::binary)
        << "# Orvix Launcher Configuration File\r\n# This file is automatically generated and should\r\n"
           "# not be modified\r\n#\r\n\r\n0\r\n10\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n1\r\n# eof\r\n";
    LauncherProcess launcher(home, start, SW_SHOWNORMAL);
    ASSERT_TRUE(launcher.Started()) << "CreateProcess failed: " << GetLastError();
    HWND window = launcher.WaitForWindow();
    ASSERT_NE(window, nullptr) << "no window captioned '" << WindowCaption << "'";

    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, StartTimeoutMs)) << "window still shown";
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(launcher.WaitForExit()) << "the launcher did not end after WM_CLOSE";
    std::vector<std::string> lines = ReadConfiguration(home);
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[16], "1");
}

}  // namespace
