#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

#include "core/log_file.h"
#include "core/program.h"
#include "log/log.h"
#include "support/core_support.h"

using namespace testsupport;

namespace {

const std::string SaveFailedRecordText =
    "Failed to open the configuration file for save\r\nCreating the configuration file...\r\n\r\n\r\n";

class ConfigTest : public ClockFixture {
protected:
    // The temporary file that a save of this process writes first.
    std::string TemporaryPath() const {
        return ConfigPath() + "." + std::to_string(platform::CurrentProcessId()) + ".tmp";
    }

    // Whatever the home directory holds besides the configuration and the log.
    std::vector<std::string> StrayFiles() const {
        std::vector<std::string> stray;
        for (const auto& entry : std::filesystem::directory_iterator(home.Path())) {
            const std::string name = entry.path().filename().string();
            if (name != "orvix_launcher.cfg" && name != "orvix_launcher_log.txt") stray.push_back(name);
        }
        return stray;
    }

    // A load that cannot open the file leaves the record as it was and logs
    // a Fail record.
    void ExpectFailedLoadKeepsTheRecord() const {
        Program program;
        program.SetProgramPath("C:\\keep.exe");
        program.LoadConfiguration();
        EXPECT_EQ("C:\\keep.exe", program.GetProgramPath());
        EXPECT_TRUE(program.IsWindowsProgram());
        EXPECT_EQ(10, program.GetTimingInterval());
        const std::string log = LogText();
        EXPECT_NE(std::string::npos, log.find(FailRecordStart("core/program.cpp"))) << log;
        EXPECT_NE(std::string::npos, log.find("\r\nFailed to open the configuration file for load\r\n\r\n"))
            << log;
    }
};

struct Settings {
    std::string path;
    platform::Moment launchTime;
    std::int32_t interval;
    std::vector<int> days;
    bool windowsProgram;
    bool autoRestart;
    bool iconized;
};

void Apply(const Settings& settings, Program& program) {
    program.SetProgramPath(settings.path.c_str());
    program.SetLaunchTime(settings.launchTime);
    program.SetTimingInterval(settings.interval);
    for (int day : settings.days) program.SetDayChecked(day, true);
    program.SetWindowsProgram(settings.windowsProgram);
    program.autoRestart = settings.autoRestart;
    program.iconized = settings.iconized;
}

void ExpectSameRecord(const Program& expected, const Program& actual) {
    EXPECT_EQ(expected.GetProgramPath(), actual.GetProgramPath());
    EXPECT_EQ(expected.GetLaunchTime(), actual.GetLaunchTime());
    EXPECT_EQ(expected.GetTimingInterval(), actual.GetTimingInterval());
    for (int day = 0; day < 7; ++day) EXPECT_EQ(expected.IsDayChecked(day), actual.IsDayChecked(day)) << day;
    EXPECT_EQ(expected.IsAnyDayChecked(), actual.IsAnyDayChecked());
    EXPECT_EQ(expected.IsWindowsProgram(), actual.IsWindowsProgram());
    EXPECT_EQ(expected.autoRestart, actual.autoRestart);
    EXPECT_EQ(expected.iconized, actual.iconized);
}

TEST_F(ConfigTest, EveryPersistedFieldSurvivesARestart) {
    const Settings cases[] = {
        {"C:\\Program Files\\Tool\\run me.exe", -5, 600, {1, 3, 5}, false, true, true},
        {"", INT32_MAX, INT32_MIN, {}, true, false, false},
        {"\xc3\xa9t\xc3\xa9 \\x.bat", 0, 0, {0, 6}, true, true, false},  // UTF-8, as kept in memory
    };
    for (const auto& settings : cases) {
        Program saved;
        Apply(settings, saved);
        saved.SaveConfiguration();
        Program loaded;
        loaded.LoadConfiguration();
        ExpectSameRecord(saved, loaded);
    }
}

// A path holding a line break would push every later setting onto the
// wrong line of the file; only its first line is kept.
TEST_F(ConfigTest, PathWithALineBreakKeepsItsFirstLineAndTheLayout) {
    const struct {
        const char* typed;
        const char* kept;
    } cases[] = {
        {"C:\\run.exe\r\n-5\r\n", "C:\\run.exe"},
        {"a\nb", "a"},
        {"x\r\r\ny", "x\r"},
        {"\nrest", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kept);
        Program saved;
        saved.SetProgramPath(c.typed);
        saved.SetDayChecked(2, true);
        EXPECT_EQ(c.kept, saved.GetProgramPath());
        saved.SaveConfiguration();
        ConfigValues values;
        values.programPath = c.kept;
        values.launchTime = StartTime;
        values.days = "0010000";
        EXPECT_EQ(ConfigFileText(values), ReadFileBytes(ConfigPath()));
        Program loaded;
        loaded.LoadConfiguration();
        ExpectSameRecord(saved, loaded);
    }
}

TEST_F(ConfigTest, FileHasTheFixedEighteenLines) {
    Program program;
    Apply({"C:\\Tools\\backup.exe", 1078354800, 10, {1, 3, 5}, true, false, true}, program);
    program.SaveConfiguration();
    EXPECT_EQ(ConfigComments +
                  "C:\\Tools\\backup."
                  "exe\r\n1078354800\r\n10\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n0\r\n1\r\n# eof\r\n",
              ReadFileBytes(ConfigPath()));

    Apply({"", -7, -1, {}, false, true, false}, program);
    program.SetDayChecked(1, false);
    program.SetDayChecked(3, false);
    program.SetDayChecked(5, false);
    program.SaveConfiguration();
    EXPECT_EQ(ConfigComments + "\r\n-7\r\n-1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n0\r\n# eof\r\n",
              ReadFileBytes(ConfigPath()));
    EXPECT_EQ(std::vector<std::string>{}, StrayFiles());
}

TEST_F(ConfigTest, LineFeedOnlyFileLoadsLikeCrLf) {
    WriteFileBytes(ConfigPath(),
                   "x\ny\nz\nw\nC:\\a b\\c.exe\n1234\n45\n1\n0\n0\n0\n0\n0\n1\n0\n1\n1\n# eof\n");
    Program program;
    program.LoadConfiguration();
    EXPECT_EQ("C:\\a b\\c.exe", program.GetProgramPath());
    EXPECT_EQ(1234, program.GetLaunchTime());
    EXPECT_EQ(45, program.GetTimingInterval());
    EXPECT_TRUE(program.IsDayChecked(0));
    EXPECT_TRUE(program.IsDayChecked(6));
    EXPECT_FALSE(program.IsDayChecked(1));
    EXPECT_TRUE(program.IsAnyDayChecked());
    EXPECT_FALSE(program.IsWindowsProgram());
    EXPECT_TRUE(program.autoRestart);
    EXPECT_TRUE(program.iconized);
}

TEST_F(ConfigTest, EmptyFileLoadsAsEmptyLines) {
    WriteFileBytes(ConfigPath(), "");
    Program program;
    program.SetProgramPath("kept?");
    program.LoadConfiguration();
    EXPECT_EQ("", program.GetProgramPath());
    EXPECT_EQ(0, program.GetLaunchTime());
    EXPECT_EQ(0, program.GetTimingInterval());
    EXPECT_FALSE(program.IsAnyDayChecked());
    EXPECT_FALSE(program.IsWindowsProgram());
    EXPECT_FALSE(program.autoRestart);
    EXPECT_FALSE(program.iconized);
    EXPECT_NE(std::string::npos, LogText().find("Info " + StartStamp +
                                                "Loaded Configuration File: " + ConfigPath() + "\r\n\r\n"))
        << LogText();
}

TEST_F(ConfigTest, GarbledLinesReadAsFarAsTheyMakeSense) {
    WriteFileBytes(ConfigPath(),
                   "garbage\r\n\r\n12345\r\n# eof\r\n  path \r\r\n  -99999999999x\r\n45abc\r\n10\r\n"
                   "yes\r\n1\r\n\r\n11\r\n0\r\n \r\nWindows\r\n1junk\r\n99999999999999999999\r\n");
    Program program;
    program.LoadConfiguration();
    EXPECT_EQ("  path \r", program.GetProgramPath());
    EXPECT_EQ(INT32_MIN, program.GetLaunchTime());  // clamped, never undefined
    EXPECT_EQ(45, program.GetTimingInterval());
    EXPECT_TRUE(program.IsDayChecked(0));
    EXPECT_FALSE(program.IsDayChecked(1));
    EXPECT_TRUE(program.IsDayChecked(2));
    EXPECT_FALSE(program.IsDayChecked(3));
    EXPECT_TRUE(program.IsDayChecked(4));
    EXPECT_FALSE(program.IsDayChecked(6));
    EXPECT_FALSE(program.IsWindowsProgram());
    EXPECT_TRUE(program.autoRestart);
    EXPECT_FALSE(program.iconized);
}

TEST_F(ConfigTest, LoadOnlyEverSetsDayFlags) {
    WriteFileBytes(ConfigPath(),
                   ConfigComments + "p\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n1\r\n1\r\n");
    Program program;
    program.SetDayChecked(4, true);
    program.LoadConfiguration();
    EXPECT_TRUE(program.IsDayChecked(4));
    EXPECT_TRUE(program.IsAnyDayChecked());
}

TEST_F(ConfigTest, MissingFileKeepsTheRecordAndIsLogged) { ExpectFailedLoadKeepsTheRecord(); }

TEST_F(ConfigTest, DirectoryInTheFilesPlaceIsNotLoaded) {
    MakeDirectory(ConfigPath());
    ExpectFailedLoadKeepsTheRecord();
}

TEST_F(ConfigTest, SaveIntoAMissingHomeFailsCleanly) {
    Program program;
    const std::string missing = HomeFile("missing");
    HomeDirectory = missing;
    program.SaveConfiguration();
    EXPECT_FALSE(FileExists(missing));
    const std::string log = LogText();
    EXPECT_NE(std::string::npos, log.find(FailRecordStart("core/program.cpp"))) << log;
    EXPECT_NE(std::string::npos, log.find("\r\n" + SaveFailedRecordText)) << log;
}

// No ANSI code page holds Devanagari. A home folder named with it, as a
// Microsoft account can name one, still gets its settings and its log, and
// the log viewer reads and empties that log.
TEST_F(ConfigTest, HomeNamedOutsideEveryAnsiCodePageKeepsSettingsAndLog) {
    const std::string named = HomeFile("\xe0\xa4\x95");  // U+0915, as UTF-8
    std::filesystem::create_directory(std::filesystem::u8path(named));
    SetEnv("USERPROFILE", named);
    Program saved;
    saved.SetTimingInterval(42);
    saved.SaveConfiguration();
    Program loaded;
    loaded.LoadConfiguration();
    EXPECT_EQ(42, loaded.GetTimingInterval());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(named) / "orvix_launcher.cfg"));
    const std::string log = ReadLogFile(LogViewerPath()).value_or("<no log>");
    EXPECT_NE(std::string::npos, log.find("User Home Directory: " + platform::AnsiPath(named) + "\r\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("Loaded Configuration File: ")) << log;
    EXPECT_TRUE(EmptyLogFile(LogViewerPath()));
    EXPECT_EQ("", ReadLogFile(LogViewerPath()).value_or("<no log>"));
}

// Puts a directory away for a while, as when the drive that holds it goes
// offline, and back again at the latest when it goes out of scope.
class VanishedDirectory {
public:
    explicit VanishedDirectory(const std::string& path) : path(path), away(path + ".away") {
        std::filesystem::rename(path, away);
    }
    ~VanishedDirectory() { ComeBack(); }
    VanishedDirectory(const VanishedDirectory&) = delete;
    VanishedDirectory& operator=(const VanishedDirectory&) = delete;
    void ComeBack() {
        std::error_code ignored;
        if (std::filesystem::exists(away, ignored)) std::filesystem::rename(away, path, ignored);
    }

private:
    std::string path;
    std::string away;
};

TEST_F(ConfigTest, HomeThatVanishesFailsTheSaveAndKeepsThePreviousFile) {
    Program program;
    program.SetProgramPath("C:\\before.exe");
    program.SaveConfiguration();
    const std::string before = ReadFileBytes(ConfigPath());
    {
        VanishedDirectory vanished(home.Path());
        program.SetProgramPath("C:\\after.exe");
        program.SaveConfiguration();
        EXPECT_FALSE(FileExists(home.Path()));  // not made anew by the save
        vanished.ComeBack();
    }
    EXPECT_EQ(before, ReadFileBytes(ConfigPath()));
    EXPECT_EQ(std::vector<std::string>{}, StrayFiles());
    // The open log went away and came back with its directory.
    EXPECT_NE(std::string::npos, LogText().find(FailRecordStart("core/program.cpp"))) << LogText();
    EXPECT_NE(std::string::npos, LogText().find(SaveFailedRecordText)) << LogText();

    program.SaveConfiguration();  // the next save, with the home back, succeeds
    Program reloaded;
    reloaded.LoadConfiguration();
    EXPECT_EQ("C:\\after.exe", reloaded.GetProgramPath());
}

TEST_F(ConfigTest, FailedSaveLeavesThePreviousFileAndNoTemporaryFile) {
    const std::string previous = ConfigComments + "previous\r\n";
    WriteFileBytes(ConfigPath(), previous);
    MakeDirectory(TemporaryPath());  // the temporary file cannot be created
    Program program;
    program.SetProgramPath("new");
    program.SaveConfiguration();
    EXPECT_EQ(previous, ReadFileBytes(ConfigPath()));
    EXPECT_TRUE(std::filesystem::is_directory(TemporaryPath()));  // not ours to remove
    EXPECT_NE(std::string::npos, LogText().find(SaveFailedRecordText)) << LogText();
}

TEST_F(ConfigTest, DirectoryInTheFilesPlaceIsLeftAlone) {
    MakeDirectory(ConfigPath());
    WriteFileBytes(ConfigPath() + platform::PathSeparator + "inside.txt", "inside");
    Program program;
    program.SaveConfiguration();
    EXPECT_TRUE(std::filesystem::is_directory(ConfigPath()));
    EXPECT_EQ("inside", ReadFileBytes(ConfigPath() + platform::PathSeparator + "inside.txt"));
    EXPECT_EQ(std::vector<std::string>{}, StrayFiles());
    EXPECT_NE(std::string::npos, LogText().find(SaveFailedRecordText)) << LogText();
}

#ifndef _WIN32
TEST_F(ConfigTest, SaveKilledAtAnyMomentLeavesACompleteFile) {
    Program first;
    Apply({"C:\\first.exe", 111, 1, {1}, true, false, false}, first);
    Program second;
    Apply({"C:\\a much longer second path\\run.exe", 222222, 600, {0, 2, 4, 6}, false, true, true}, second);
    second.SaveConfiguration();
    const std::string secondBytes = ReadFileBytes(ConfigPath());
    first.SaveConfiguration();
    const std::string firstBytes = ReadFileBytes(ConfigPath());

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMicroseconds(0, 20000);
    for (int round = 0; round < 150; ++round) {
        const pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            for (;;) {
                first.SaveConfiguration();
                second.SaveConfiguration();
            }
        }
        usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string bytes = ReadFileBytes(ConfigPath());
        ASSERT_TRUE(bytes == firstBytes || bytes == secondBytes) << "round " << round << ": " << bytes;
    }
}

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    // Mostly the bytes that matter to the reader: digits, signs, 1/0, CR, LF.
    static const char interesting[] = "0123456789+-1\r\n\r\n \t#\0\xff";
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<std::size_t> anyInteresting(0, sizeof interesting - 1);
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += pick(random) == 0 ? static_cast<char>(anyByte(random)) : interesting[anyInteresting(random)];
    return bytes;
}

TEST_F(ConfigTest, AnyFileContentLoadsIntoAUsableRecord) {
    Program template_;
    Apply({"C:\\Tools\\backup.exe", 1078354800, 10, {1, 3, 5}, true, false, true}, template_);
    template_.SaveConfiguration();
    const std::string valid = ReadFileBytes(ConfigPath());

    std::mt19937 random(2024);
    std::uniform_int_distribution<std::size_t> sizes(0, 400);
    std::uniform_int_distribution<int> edits(1, 8);
    Program program;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            bytes = RandomBytes(random, sizes(random));
        } else {
            bytes = valid;
            for (int edit = edits(random); edit > 0; --edit) {
                std::uniform_int_distribution<std::size_t> at(0, bytes.size());
                const std::size_t position = at(random);
                bytes.insert(position, RandomBytes(random, edits(random)));
                if (position < bytes.size()) bytes.erase(position + 1, edits(random) % 3);
            }
        }
        WriteFileBytes(ConfigPath(), bytes);
        program.LoadConfiguration();

        const LaunchCheck check = program.CheckParameters();
        ASSERT_TRUE(check >= Valid && check <= TodayPassed) << check;
        ASSERT_EQ(std::to_string(program.GetTimingInterval()), program.TimingIntervalText());
        ASSERT_EQ(std::string::npos, program.GetProgramPath().find('\0'));
        if (round % 5 != 0) continue;  // saves reach the disk, so only some rounds round-trip
        program.SaveConfiguration();
        Program reloaded;
        reloaded.LoadConfiguration();
        ASSERT_EQ(program.GetProgramPath(), reloaded.GetProgramPath()) << "round " << round;
        ASSERT_EQ(program.GetLaunchTime(), reloaded.GetLaunchTime()) << "round " << round;
        ASSERT_EQ(program.GetTimingInterval(), reloaded.GetTimingInterval()) << "round " << round;
        ASSERT_EQ(program.IsAnyDayChecked(), reloaded.IsAnyDayChecked()) << "round " << round;
        logtest::CloseLogStream();
        std::filesystem::remove(LogPath());  // keep the log from growing over thousands of rounds
    }
}
#endif

}  // namespace
