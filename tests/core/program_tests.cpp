#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#include <csignal>
#endif

#include "core/program.h"
#include "log/log.h"
#include "support/core_support.h"

using namespace testsupport;

namespace {

class ProgramTest : public ClockFixture {};

TEST_F(ProgramTest, ConstructionSetsDefaultsAndNamesTheDirectories) {
    TempDir start;
    ScopedCurrentDirectory inStart(start.Path());
    const std::string startDirectory = platform::CurrentDirectory().value_or("?");
    Program program;

    EXPECT_EQ("", program.GetProgramPath());
    EXPECT_TRUE(program.IsWindowsProgram());
    EXPECT_FALSE(program.IsAnyDayChecked());
    EXPECT_FALSE(program.IsLaunched());
    EXPECT_FALSE(program.iconized);
    EXPECT_FALSE(program.autoRestart);
    EXPECT_EQ(StartTime, program.GetLaunchTime());
    EXPECT_EQ(StartTime, program.GetCountdownStart());
    EXPECT_EQ("10", program.TimingIntervalText());
    EXPECT_EQ(startDirectory, GetProgramDirectory());
    EXPECT_EQ(home.Path(), HomeDirectory);

    const std::string header = "Info " + StartStamp;
    EXPECT_EQ(header + "Orvix Launcher Program Execution\r\n\r\n" +               //
                  header + "Program Directory: " + startDirectory + "\r\n\r\n" +  //
                  header + "User Home Directory: " + home.Path() + "\r\n\r\n",
              LogText());
}

TEST_F(ProgramTest, HomeFallsBackToTheStartDirectory) {
    TempDir start;
    ScopedCurrentDirectory inStart(start.Path());
    ForEachMissingHome([&] {
        EXPECT_EQ("", UserHomeDirectory());
        Program program;
        EXPECT_EQ(GetProgramDirectory(), HomeDirectory);
        program.SaveConfiguration();
        EXPECT_TRUE(FileExists(start.File("orvix_launcher.cfg")));
    });
}

TEST_F(ProgramTest, HomeEndingInASeparatorGetsASecondOne) {
    SetEnv("USERPROFILE", home.Path() + platform::PathSeparator);
    Program program;
    program.SaveConfiguration();
    program.LoadConfiguration();
    const std::string doubled =
        home.Path() + platform::PathSeparator + platform::PathSeparator + "orvix_launcher.cfg";
    EXPECT_NE(std::string::npos, LogText().find("Loaded Configuration File: " + doubled + "\r\n"))
        << LogText();
}

TEST_F(ProgramTest, AccessorsKeepTheirInvariants) {
    Program program;
    program.SetProgramPath("C:\\Tools\\run.exe");
    program.SetProgramPath(nullptr);
    EXPECT_EQ("C:\\Tools\\run.exe", program.GetProgramPath());
    program.SetProgramPath("");
    EXPECT_EQ("", program.GetProgramPath());

    program.SetDayChecked(3, true);
    program.SetDayChecked(5, true);
    EXPECT_TRUE(program.IsAnyDayChecked());
    program.SetDayChecked(3, false);
    EXPECT_TRUE(program.IsAnyDayChecked());
    program.SetDayChecked(5, false);
    EXPECT_FALSE(program.IsAnyDayChecked());
    program.SetDayChecked(7, true);
    program.SetDayChecked(-1, true);
    EXPECT_FALSE(program.IsAnyDayChecked());
    EXPECT_FALSE(program.IsDayChecked(7));

    program.SetTimingInterval(-45);
    EXPECT_EQ("-45", program.TimingIntervalText());
    program.SetTimingInterval(INT32_MIN);
    EXPECT_EQ("-2147483648", program.TimingIntervalText());
}

TEST_F(ProgramTest, CheckParametersJudgesThePathByItsFirstByte) {
    Program program;
    EXPECT_EQ(BadProgram, program.CheckParameters());
    program.SetLaunchTime(StartTime + 60);
    const struct {
        const char* path;
        LaunchCheck expected;
    } cases[] = {
        // A table in columns, kept as laid out.
        // clang-format off
        {"", BadProgram},          {"\x1f" "abc", BadProgram}, {"\t", BadProgram}, {" run.exe", Valid},
        {"\xe9t\xe9.exe", Valid},  {"\xff", Valid},            {"\x7f", Valid},    {"C:\\run.exe", Valid},
        // clang-format on
    };
    for (const auto& c : cases) {
        program.SetProgramPath(c.path);
        EXPECT_EQ(c.expected, program.CheckParameters())
            << "path starts with byte " << static_cast<int>(static_cast<unsigned char>(c.path[0]));
    }
}

TEST_F(ProgramTest, CheckParametersJudgesTheLaunchMoment) {
    Program program;
    program.SetProgramPath("run.exe");
    EXPECT_EQ(BadTime, program.CheckParameters());  // equal to countdownStart is not in the future
    program.SetLaunchTime(StartTime - 1);
    EXPECT_EQ(BadTime, program.CheckParameters());
    program.SetLaunchTime(StartTime + 1);
    EXPECT_EQ(Valid, program.CheckParameters());

    program.SetLaunchTime(StartTime);
    program.SetDayChecked(1, true);  // Monday; the clock reads a Tuesday
    EXPECT_EQ(Valid, program.CheckParameters());
    EXPECT_FALSE(program.IsLaunched());
    program.SetDayChecked(2, true);
    EXPECT_EQ(TodayPassed, program.CheckParameters());
    EXPECT_TRUE(program.IsLaunched());

    program.SetLaunched(false);
    platform::SetTestClock(-5);  // no local weekday: today counts as not checked
    EXPECT_EQ(Valid, program.CheckParameters());
    EXPECT_FALSE(program.IsLaunched());
}

TEST_F(ProgramTest, TimeTextIsEnglishTwelveHourText) {
    EXPECT_EQ("Tuesday, March 02, 2004 - 09:05:07 AM", TimeText(StartTime));
    EXPECT_EQ("Thursday, January 01, 1970 - 12:00:00 AM", TimeText(0));
    EXPECT_EQ("Saturday, December 10, 2005 - 12:00:00 PM", TimeText(1134216000));
    EXPECT_EQ("Tuesday, January 19, 2038 - 03:14:07 AM", TimeText(INT32_MAX));
    EXPECT_EQ("Sunday, September 05, 2004 - 11:59:59 PM", TimeText(1094428799));
    EXPECT_EQ("", TimeText(-1));
}

struct WeekdayCase {
    platform::Moment now;
    bool launched;
    std::initializer_list<int> checked;
    int expectedDay;  // day of the month
    int expectedWeekday;
};

TEST_F(ProgramTest, NextLaunchDayTakesTheNearestCheckedDay) {
    const platform::Moment wednesday = StartTime + 86400;     // 2004-03-03
    const platform::Moment saturday = StartTime + 4 * 86400;  // 2004-03-06
    const platform::Moment sunday = StartTime + 5 * 86400;    // 2004-03-07
    const WeekdayCase cases[] = {
        {wednesday, false, {1, 5}, 5, 5}, {wednesday, false, {3}, 3, 3}, {wednesday, true, {3}, 10, 3},
        {saturday, false, {1}, 8, 1},     {saturday, true, {6}, 13, 6},  {sunday, true, {0, 1}, 8, 1},
    };
    for (const auto& c : cases) {
        Program program;
        platform::SetTestClock(c.now);
        program.SetLaunched(c.launched);
        for (int day : c.checked) program.SetDayChecked(day, true);
        std::tm launchDay{};
        ASSERT_TRUE(program.NextLaunchDay(launchDay));
        EXPECT_EQ(c.expectedDay, launchDay.tm_mday) << "now " << c.now;
        EXPECT_EQ(c.expectedWeekday, launchDay.tm_wday) << "now " << c.now;
        EXPECT_EQ(2, launchDay.tm_mon);
        EXPECT_EQ(9, launchDay.tm_hour);
        EXPECT_EQ(5, launchDay.tm_min);
        EXPECT_EQ(7, launchDay.tm_sec);
        EXPECT_EQ(c.now, program.GetCountdownStart());
    }
}

TEST_F(ProgramTest, NextLaunchDayFailsBeyondTheLastMoment) {
    Program program;
    platform::SetTestClock(INT32_MAX - 3600);  // a Tuesday
    program.SetDayChecked(1, true);
    std::tm launchDay{};
    launchDay.tm_year = 42;
    EXPECT_FALSE(program.NextLaunchDay(launchDay));
    EXPECT_EQ(42, launchDay.tm_year);
    EXPECT_EQ(INT32_MAX - 3600, program.GetCountdownStart());

    program.SetDayChecked(1, false);
    platform::SetTestClock(StartTime);
    EXPECT_FALSE(program.NextLaunchDay(launchDay));  // nothing to find
    EXPECT_EQ(42, launchDay.tm_year);
}

#ifndef _WIN32
// US rules of 2004: summer time from the first Sunday of April to the last
// Sunday of October.
TEST_F(ProgramTest, NextLaunchDayKeepsTheCalendarDayAcrossSummerTime) {
    SetTimeZone("EST5EDT,M4.1.0,M10.5.0");
    const struct {
        platform::Moment now;
        const char* when;
        int checkedDay;
        int expectedMonth;  // from 0
        int expectedDay;    // of the month
        int expectedHour;
        int expectedMinute;
    } cases[] = {
        {1081053000, "Saturday 2004-04-03 23:30 EST; the clocks go forward that night", 0, 3, 4, 23, 30},
        {1099110600, "Saturday 2004-10-30 00:30 EDT; the clocks go back on Sunday", 1, 10, 1, 0, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        Program program;
        platform::SetTestClock(c.now);
        program.SetDayChecked(c.checkedDay, true);
        std::tm launchDay{};
        ASSERT_TRUE(program.NextLaunchDay(launchDay));
        EXPECT_EQ(c.expectedMonth, launchDay.tm_mon);
        EXPECT_EQ(c.expectedDay, launchDay.tm_mday);
        EXPECT_EQ(c.checkedDay, launchDay.tm_wday);
        EXPECT_EQ(c.expectedHour, launchDay.tm_hour);
        EXPECT_EQ(c.expectedMinute, launchDay.tm_min);
    }
}

TEST_F(ProgramTest, UnreadableWorkingDirectoryEndsTheRunAfterAFailRecord) {
    const std::string gone = HomeFile("gone");
    MakeDirectory(gone);
    ScopedCurrentDirectory restore(home.Path());
    EXPECT_EXIT(
        {
            (void)!chdir(gone.c_str());
            (void)!rmdir(gone.c_str());
            Program program;
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const std::string log = LogText();
    EXPECT_NE(std::string::npos, log.find(FailRecordStart("core/program.cpp"))) << log;
    EXPECT_NE(std::string::npos, log.find("\r\nFailed to acquire Current Working Directory\r\n\r\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("Program Directory")) << log;
}
#endif

}  // namespace
