#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/program.h"
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
        ClockFixture::TearDown();
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

    static std::string LaunchRecord(const std::string& path, const std::string& time) {
        return "Info " + StartStamp + "Launching Program\r\n" + path + "\r\n" + time + "\r\n\r\n";
    }
};

TEST_F(ExecuteTest, WindowsProgramInADirectoryWithSpacesStarts) {
    const std::string program = CopyMarkerWriter(HomeFile("dir with spaces"), "marker writer");
    Program settings;
    settings.SetProgramPath(program.c_str());
    ASSERT_TRUE(settings.Execute());
    EXPECT_TRUE(settings.IsLaunched());
    EXPECT_TRUE(WaitForFile(Marker(), "ran"));
    EXPECT_NE(std::string::npos,
              LogText().find(LaunchRecord(program, "Tuesday, March 02, 2004 - 09:05:07 AM")))
        << LogText();
}

TEST_F(ExecuteTest, ArgumentsAfterTheProgramMakeTheStartFail) {
    Program settings;
    for (const std::string& path : {MarkerWriterPath() + " arg", std::string()}) {
        settings.SetProgramPath(path.c_str());
        settings.SetLaunched(false);
        EXPECT_FALSE(settings.Execute()) << path;
        EXPECT_TRUE(settings.IsLaunched());
    }
    const std::string log = LogText();
    EXPECT_NE(std::string::npos, log.find(FailRecordStart("core/program.cpp"))) << log;
    EXPECT_NE(std::string::npos, log.find(StartFailedRecord)) << log;
    EXPECT_EQ(std::string::npos, log.find("Launching Program")) << log;
    EXPECT_FALSE(FileExists(Marker()));
}

TEST_F(ExecuteTest, FailingShellCommandStillCountsAsLaunched) {
    const std::string script = ScriptExiting(1);
    Program settings;
    settings.SetWindowsProgram(false);
    settings.SetProgramPath(script.c_str());
    EXPECT_TRUE(settings.Execute());
    EXPECT_TRUE(settings.IsLaunched());
    EXPECT_NE(std::string::npos,
              LogText().find(LaunchRecord(script, "Tuesday, March 02, 2004 - 09:05:07 AM")))
        << LogText();
}

TEST_F(ExecuteTest, ShellCommandRecordCarriesTheMomentItEnded) {
    platform::ClearTestClock();
    const std::string program = CopyMarkerWriter(HomeFile("slow dir"), "slow");
    SetEnv(MarkerSleepEnvName, "2500");
    Program settings;
    settings.SetWindowsProgram(false);
    settings.SetProgramPath(program.c_str());
    const std::time_t before = std::time(nullptr);
    ASSERT_TRUE(settings.Execute());
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ("ran", ReadFileBytes(Marker()));  // the command had finished when Execute returned

    const std::string log = LogText();
    const std::string heading = "Launching Program\r\n" + program + "\r\n";
    const auto at = log.find(heading);
    ASSERT_NE(std::string::npos, at) << log;
    const std::string timeLine =
        log.substr(at + heading.size(), log.find("\r\n", at + heading.size()) - at - heading.size());
    // The command ran at least two whole seconds, so its end cannot carry the
    // start's second, nor the one after it.
    bool matched = false;
    for (std::time_t t = before + 2; t <= after && !matched; ++t)
        matched = timeLine == TimeText(static_cast<platform::Moment>(t));
    EXPECT_TRUE(matched) << timeLine << " is not between "
                         << TimeText(static_cast<platform::Moment>(before + 2)) << " and "
                         << TimeText(static_cast<platform::Moment>(after));
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
    };
    Program settings;
    for (const Case& c : cases) {
        settings.SetWindowsProgram(c.windowsProgram);
        settings.SetProgramPath(c.path.c_str());
        EXPECT_FALSE(settings.Execute()) << c.path;
    }
    const std::vector<int> lines = FailLines(LogText());
    ASSERT_EQ(3u, lines.size()) << LogText();
    EXPECT_EQ(lines[0], lines[1]) << "both are programs that did not start";
    EXPECT_NE(lines[0], lines[2]) << "a program and the interpreter share line " << lines[0];
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
