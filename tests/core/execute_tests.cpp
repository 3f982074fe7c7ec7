#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/program.h"
#include "core/start_route.h"
#include "log/log.h"
#include "support/core_support.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const char* const ProgramSuffix = ".exe";
#else
const char* const ProgramSuffix = "";
#endif

const std::string StartFailedRecord = "\r\nCreateProcess failed.\r\n\r\n";

class ExecuteTest : public ClockFixture {
protected:
    void SetUp() override {
        ClockFixture::SetUp();
        SetEnv(MarkerEnvName, Marker());
        UnsetEnv(MarkerSleepEnvName);
    }
    void TearDown() override {
        UnsetEnv(MarkerSleepEnvName);
        platform::SetStartHandler(nullptr);
        platform::SetAnsiCodePageForTests(0);
        ClockFixture::TearDown();
    }

    // Hears of the ends of the commands `settings` starts, and of the shell's
    // answers to its starts, as the dialog does.
    void Watch(Program& settings) {
        settings.SetCommandEndNotifier([this, &settings](std::uint32_t command, std::uint32_t status) {
            Hear([&settings, command, status] { settings.CommandEnded(command, status); });
        });
        settings.SetShellAnswerNotifier(
            0, [this, &settings](std::uint32_t start, platform::SystemError error) {
                Hear([&settings, start, error] { settings.ShellAnswered(start, error); });
            });
    }
    void Hear(std::function<void()> handBack) {
        const std::lock_guard<std::mutex> guard(noticesLock);
        notices.push_back(std::move(handBack));
    }
    // Waits (bounded) for the next notice and hands it back on this thread.
    bool HandBackNext() {
        for (int wait = 0; wait < 2000; ++wait) {
            std::unique_lock<std::mutex> guard(noticesLock);
            if (!notices.empty()) {
                const std::function<void()> handBack = std::move(notices.front());
                notices.pop_front();
                guard.unlock();
                handBack();
                return true;
            }
            guard.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void HandBackShellAnswers(const Program& settings) {
        while (settings.IsShellStartWaiting()) ASSERT_TRUE(HandBackNext()) << "the shell never answered";
    }

    std::string Marker() const { return HomeFile("marker.txt"); }

    // A copy of the marker writer at `directory`/`name`.
    std::string CopyMarkerWriter(const std::string& directory, const std::string& name) const {
        MakeDirectory(directory);
        const std::string copy = directory + platform::PathSeparator + name + ProgramSuffix;
        fs::copy_file(MarkerWriterPath(), copy);
        return copy;
    }

    // A shell script (native) or batch file (Windows) that exits with `status`.
    std::string ScriptExiting(int status) const {
#ifdef _WIN32
        const std::string script = HomeFile("exit status.bat");
        WriteFileBytes(script, "@exit /b " + std::to_string(status) + "\r\n");
#else
        const std::string script = HomeFile("exit status.sh");
        WriteFileBytes(script, "#!/bin/sh\nexit " + std::to_string(status) + "\n");
        fs::permissions(script, fs::perms::owner_all);
#endif
        return script;
    }

    std::vector<std::string> StartsOf(Program& settings, platform::SystemError firstAnswer);

    static std::string LaunchRecord(const std::string& path, const std::string& time) {
        return "Info " + StartStamp + "Launching Program\r\n" + path + "\r\n" + time + "\r\n\r\n";
    }

    std::mutex noticesLock;
    std::deque<std::function<void()>> notices;
    std::uint32_t commandStatus = 0;
};

const std::string StartTimeText = "Tuesday, March 02, 2004 - 09:05:07 AM";

TEST_F(ExecuteTest, WindowsProgramInADirectoryWithSpacesStartsThere) {
    const std::string program = CopyMarkerWriter(HomeFile("dir with spaces"), "marker writer");
    SetEnv(MarkerEnvName, "marker.txt");  // in the folder it runs in
    Program settings;
    settings.SetProgramPath(program.c_str());
    ASSERT_TRUE(settings.Execute());
    EXPECT_TRUE(settings.IsLaunched());
    EXPECT_TRUE(WaitForFile(HomeFile("dir with spaces") + platform::PathSeparator + "marker.txt", "ran"));
    EXPECT_NE(std::string::npos,
              LogText().find(LaunchRecord(program, "Tuesday, March 02, 2004 - 09:05:07 AM")))
        << LogText();
}

TEST_F(ExecuteTest, TypedCommandLineStartsItsProgramAndAnEmptyPathFails) {
    Program settings;
    settings.SetProgramPath((MarkerWriterPath() + " arg").c_str());
    EXPECT_TRUE(settings.Execute());
    EXPECT_TRUE(WaitForFile(Marker(), "ran"));
    settings.SetProgramPath("");
    settings.SetLaunched(false);
    EXPECT_FALSE(settings.Execute());
    EXPECT_TRUE(settings.IsLaunched());
    const std::string log = LogText();
    EXPECT_NE(std::string::npos, log.find(FailRecordStart("core/program.cpp"))) << log;
    EXPECT_NE(std::string::npos, log.find(StartFailedRecord)) << log;
    EXPECT_NE(std::string::npos, log.find(LaunchRecord(MarkerWriterPath() + " arg", StartTimeText))) << log;
}

TEST_F(ExecuteTest, FailingShellCommandCountsAsLaunchedAndItsEndSaysHow) {
    const struct {
        std::uint32_t status;
        std::string record;
    } cases[] = {
        {1, "Command Failed: exit code 1\r\n\r\n"},
#ifdef _WIN32  // the interpreter's own status for a command it does not know
        {9009, "Command Failed: exit code 9009 (command not found)\r\n\r\n"},
#endif
    };
    for (const auto& c : cases) {
        const std::string script = ScriptExiting(static_cast<int>(c.status));
        Program settings;
        Watch(settings);
        settings.SetWindowsProgram(false);
        settings.SetProgramPath(script.c_str());
        EXPECT_TRUE(settings.Execute());
        EXPECT_TRUE(settings.IsLaunched());
        ASSERT_TRUE(HandBackNext());
        const std::string log = LogText();
        EXPECT_NE(std::string::npos, log.find(LaunchRecord(script, StartTimeText))) << log;
        EXPECT_NE(std::string::npos, log.find(FailRecordStart("core/program.cpp").replace(0, 4, "Warn")))
            << log;
        EXPECT_NE(std::string::npos, log.find("\r\n" + c.record)) << log;
    }
}

TEST_F(ExecuteTest, ShellCommandDoesNotHoldUpExecuteAndItsEndIsRecordedOnItsReturn) {
    const std::string program = CopyMarkerWriter(HomeFile("slow dir"), "slow");
    SetEnv(MarkerSleepEnvName, "1000");
    Program settings;
    Watch(settings);
    settings.SetWindowsProgram(false);
    settings.SetProgramPath(program.c_str());
    ASSERT_TRUE(settings.Execute());
    EXPECT_FALSE(FileExists(Marker())) << "Execute waited for the command";
    EXPECT_TRUE(settings.IsCommandRunning());
    // Written at the start: the record carries the moment it started.
    EXPECT_NE(std::string::npos, LogText().find(LaunchRecord(program, StartTimeText))) << LogText();
    ASSERT_TRUE(HandBackNext());
    EXPECT_EQ("ran", ReadFileBytes(Marker()));
    EXPECT_FALSE(settings.IsCommandRunning());
    EXPECT_NE(std::string::npos,
              LogText().find("Info " + StartStamp + "Command Finished: exit code 0\r\n\r\n"))
        << LogText();
}

TEST_F(ExecuteTest, OverlongPathIsRefusedAsAFailedStart) {
    Program settings;
    for (bool windowsProgram : {true, false}) {
        settings.SetWindowsProgram(windowsProgram);
        settings.SetProgramPath(std::string(258, 'a').c_str());
        settings.SetLaunched(false);
        EXPECT_FALSE(settings.Execute());
        EXPECT_TRUE(settings.IsLaunched());
        settings.SetProgramPath(std::string(5000, 'b').c_str());
        EXPECT_FALSE(settings.Execute());
    }
    EXPECT_NE(std::string::npos, LogText().find(StartFailedRecord)) << LogText();
    EXPECT_NE(std::string::npos,
              LogText().find("\r\nPath longer than 257 characters: " + std::string(40, 'b') + "\r\n\r\n"))
        << LogText();
    EXPECT_EQ(std::string::npos, LogText().find("Launching Program")) << LogText();
}

// The source lines of the Fail records in `log`, in the order written.
std::vector<int> FailLines(const std::string& log) {
    const std::string marker = "File: core/program.cpp Line: ";
    std::vector<int> lines;
    for (auto at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1))
        lines.push_back(std::stoi(log.substr(at + marker.size())));
    return lines;
}

TEST_F(ExecuteTest, EachKindOfStartReportsItsFailureFromItsOwnLine) {
    struct Case {
        bool windowsProgram;
        std::string path;
    };
    const Case cases[] = {
        {true, HomeFile("missing.exe")},
        {true, std::string(258, 'a')},   // too long: refused as a failed start of its kind
        {false, std::string(258, 'b')},  // runs no interpreter, so it fails on every system
        {true, HomeFile("not a program.exe")},
    };
    WriteFileBytes(HomeFile("not a program.exe"), "text");
    Program settings;
    Watch(settings);
    for (const Case& c : cases) {
        settings.SetWindowsProgram(c.windowsProgram);
        settings.SetProgramPath(c.path.c_str());
        settings.Execute();  // the missing one fails when the shell answers
        HandBackShellAnswers(settings);
    }
    // Each failure is followed by its reason, in the system's words without
    // their full stop, and with the file in place of an insert they leave.
    const std::string log = LogText();
    EXPECT_EQ(std::string::npos, log.find("%1")) << log;
    const std::string reason = " (error 2): " + HomeFile("missing.exe") + "\r\n";
    const std::size_t at = log.find(reason);
    ASSERT_NE(std::string::npos, at) << log;
    EXPECT_EQ(std::string::npos, std::string(".\n").find(log[at - 1])) << log;
    const std::vector<int> lines = FailLines(log);
    ASSERT_EQ(8u, lines.size()) << log;
    EXPECT_EQ(lines[0], lines[2]) << "both are programs that did not start";
    EXPECT_EQ(lines[1], lines[3]) << "both are reasons why a program did not start";
    EXPECT_NE(lines[0], lines[4]) << "a program and the interpreter share line " << lines[0];
}

}  // namespace

// Records what the system was asked, and answers `firstAnswer`, then 0. The
// shell is asked on a thread of its own.
std::vector<std::string> ExecuteTest::StartsOf(Program& settings, platform::SystemError firstAnswer) {
    std::vector<std::string> asked;
    std::mutex askedLock;
    platform::SetStartHandler([&](const platform::StartRequest& r) {
        const std::lock_guard<std::mutex> guard(askedLock);
        asked.push_back(r.call + " " + r.verb + "|" + r.target + "|" + r.parameters + "|" + r.folder);
#ifdef _WIN32  // shortcuts and other shell extensions are COM objects that want one
        if (r.call == "ShellExecuteEx" && !InSingleThreadedApartment()) asked.back() += " outside an STA";
#endif
        return asked.size() == 1 ? firstAnswer : 0;
    });
    Watch(settings);
    settings.Execute();
    HandBackShellAnswers(settings);
    platform::SetStartHandler(nullptr);
    return asked;
}

namespace {

TEST_F(ExecuteTest, EachPathStartsTheWayExplorerOrTheRunBoxWouldInItsOwnFolder) {
    const std::string dir = HomeFile("app dir");
    const std::string scripts = HomeFile("Program Files (x86) & Co");
    MakeDirectory(dir);
    MakeDirectory(scripts);
    auto file = [](const std::string& folder, const char* name) {
        WriteFileBytes(folder + platform::PathSeparator + name, "");
        return folder + platform::PathSeparator + name;
    };
    const std::string app = file(dir, "app.exe"), link = file(dir, "tool.lnk"), doc = file(dir, "doc.txt");
    const std::string script = file(scripts, "b.bat"), vbs = file(dir, "nightly.vbs");
    const std::string gone = dir + platform::PathSeparator + "gone.vbs /quiet";
    SetEnv("ORVIX_APP_DIR", dir);
#ifdef _WIN32  // a program in a drive's root starts there, not in that drive's current folder
    const std::string root = dir.substr(0, 3), inRoot = file(dir.substr(0, 2), "orvix_root_test.exe");
    const std::string share = UncShare(), shareScript = file(share, "job.bat");
#endif
    const struct {
        std::string path;
        bool windowsProgram;
        platform::SystemError firstAnswer;
        std::vector<std::string> asked;
    } cases[] = {
        {'"' + app + '"', true, 0, {"CreateProcess |\"" + app + "\"||" + dir}},
        {'"' + app + "\" --full", true, 0, {"CreateProcess |\"" + app + "\" --full||" + dir}},
        {link, true, 0, {"ShellExecuteEx open|" + link + "||" + dir}},
        {doc, true, 0, {"ShellExecuteEx open|" + doc + "||" + dir}},
        {app,
         true,
         740,
         {"CreateProcess |\"" + app + "\"||" + dir, "ShellExecuteEx runas|" + app + "||" + dir}},
        {"notepad.exe", true, 0, {"CreateProcess |notepad.exe||"}},
        {'"' + link + '"', true, 0, {"ShellExecuteEx open|" + link + "||" + dir}},
        {'"' + doc + '"', true, 0, {"ShellExecuteEx open|" + doc + "||" + dir}},
        {"%ORVIX_APP_DIR%" + app.substr(dir.size()), true, 0, {"CreateProcess |\"" + app + "\"||" + dir}},
        {dir, true, 0, {"ShellExecuteEx open|" + dir + "||"}},
        {"", true, 2, {"CreateProcess |||"}},  // nothing for the shell to find
        // Access denied: the shell would open what the user may not run.
        {"auditapp child", true, 5, {"CreateProcess |auditapp child||"}},
        {"excel /e book.xlsx",
         true,
         2,
         {"CreateProcess |excel /e book.xlsx||", "ShellExecuteEx open|excel|/e book.xlsx|"}},
        // A script with its arguments is the shell's to open, in its folder.
        {vbs + " /quiet",
         true,
         193,
         {"CreateProcess |" + vbs + " /quiet||" + dir, "ShellExecuteEx open|" + vbs + "|/quiet|" + dir}},
        {'"' + vbs + "\" /quiet",
         true,
         193,
         {"CreateProcess |\"" + vbs + "\" /quiet||" + dir, "ShellExecuteEx open|" + vbs + "|/quiet|" + dir}},
        {gone,
         true,
         2,
         {"CreateProcess |" + gone + "||", "ShellExecuteEx open|" + gone.substr(0, gone.find(' ')) + "|" +
                                               gone.substr(gone.find(' ') + 1) + "|"}},
#ifdef _WIN32
        {inRoot, true, 0, {"CreateProcess |\"" + inRoot + "\"||" + root}},
        {dir + "/app.exe", true, 0, {"CreateProcess |\"" + dir + "/app.exe\"||" + dir}},
        {shareScript,
         false,
         0,
         {"CommandInterpreter |\"pushd \"" + share + "\" && \"" + shareScript + "\" & popd\"||"}},
#endif
        {script, false, 0, {"CommandInterpreter |\"\"" + script + "\"\"||" + scripts}},
        {'"' + script + "\" arg1", false, 0, {"CommandInterpreter |\"\"" + script + "\" arg1\"||" + scripts}},
    };
    for (const auto& c : cases) {
        Program settings;
        settings.SetWindowsProgram(c.windowsProgram);
        settings.SetProgramPath(c.path.c_str());
        EXPECT_EQ(c.asked, StartsOf(settings, c.firstAnswer)) << c.path;
    }
#ifdef _WIN32
    fs::remove(inRoot);
#endif
    // An App Paths name or a URL: the shell finds what the system cannot.
    for (const platform::SystemError notFound : {2U, 3U, 123U}) {
        Program settings;
        settings.SetProgramPath("auditapp child");
        EXPECT_EQ((std::vector<std::string>{"CreateProcess |auditapp child||",
                                            "ShellExecuteEx open|auditapp|child|"}),
                  StartsOf(settings, notFound))
            << "error " << notFound;
    }
}

// A 32-bit launcher on 64-bit Windows finds the 64-bit Program Files, as the Run box does.
TEST(StartRouteTest, ProgramFilesIsThe64BitFolderNotTheX86One) {
    EXPECT_EQ(WithNativeProgramFiles("%PROGRAMFILES%\\App\\app.exe %programFiles(x86)% %CommonProgramFiles%"),
              "%ProgramW6432%\\App\\app.exe %programFiles(x86)% %CommonProgramW6432%");
    EXPECT_EQ(WithNativeProgramFiles("C:\\Program Files (x86)\\a.exe 50%"),
              "C:\\Program Files (x86)\\a.exe 50%");
}

// In code page 932 the second byte of 表 is the byte of "\": searched byte
// by byte, the program's folder would end inside the character.
TEST_F(ExecuteTest, PathReadInADoubleByteCodePageStartsInItsFolder) {
    const std::string dir = HomeFile("tools");
    const std::string program = dir + platform::PathSeparator + "\xe8\xa1\xa8.exe";  // UTF-8
    MakeDirectory(dir);
    std::ofstream(fs::u8path(program)) << "";
    platform::SetAnsiCodePageForTests(932);
    ConfigValues values;
    values.programPath = dir + platform::PathSeparator + "\x95\x5c.exe";
    WriteFileBytes(ConfigPath(), ConfigFileText(values));
    Program settings;
    settings.LoadConfiguration();
    EXPECT_EQ(std::vector<std::string>{"CreateProcess |\"" + program + "\"||" + dir}, StartsOf(settings, 0));
}

// The interpreter cannot stand in a UNC folder: pushd maps it to a drive
// letter, popd releases the letter, and the script's status is kept.
TEST_F(ExecuteTest, ScriptInAUncFolderRunsThereAndLeavesNoDriveLetter) {
    EXPECT_EQ("\"pushd \"\\\\srv\\s\\d\" && \"\\\\srv\\s\\d\\a.bat\" x & popd\"",
              CommandInUncFolder("\"\"\\\\srv\\s\\d\\a.bat\" x\"", "\\\\srv\\s\\d"));
#ifdef _WIN32  // the same line in a local folder, which pushd takes too
    const std::string folder = HomeFile("scripts"), script = folder + "\\job.bat";
    MakeDirectory(folder);
    WriteFileBytes(script, "@cd > here.txt\r\n@exit /b 3\r\n");
    const platform::StartedCommand started = platform::StartCommandInterpreter(
        CommandInUncFolder("\"\"" + script + "\"\"", folder), "",
        [this](std::uint32_t status) { Hear([this, status] { commandStatus = status; }); });
    ASSERT_TRUE(HandBackNext());
    EXPECT_EQ(3u, commandStatus);
    EXPECT_TRUE(FileExists(folder + "\\here.txt"));
#endif
}

TEST_F(ExecuteTest, PathOfTheLongestAllowedLengthStillStarts) {
    std::string directory = home.Path();
    const std::string name = "w";
    const std::size_t wanted = 257 - std::string(ProgramSuffix).size() - name.size() - 1;
    while (directory.size() + 21 < wanted) directory += platform::PathSeparator + std::string(20, 'd');
    directory += platform::PathSeparator + std::string(wanted - directory.size() - 1, 'e');
    const std::string program = CopyMarkerWriter(directory, name);
    ASSERT_EQ(257u, program.size()) << program;

    Program settings;
    settings.SetProgramPath(program.c_str());
    ASSERT_TRUE(settings.Execute()) << LogText();
    EXPECT_TRUE(WaitForFile(Marker(), "ran"));
}

}  // namespace
