#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "log/log.h"
#include "support/core_support.h"

using namespace testsupport;

namespace {

// Every record below is written at StartTime, so its header carries StartStamp.
class LogTest : public ClockFixture {};

TEST_F(LogTest, InfoRecordHasHeaderMessageAndEmptyLine) {
    LogMessage(Info, "core/program.cpp", 12, "Launch Initiated");
    EXPECT_EQ("Info " + StartStamp + "Launch Initiated\r\n\r\n", LogText());
}

TEST_F(LogTest, OtherLevelsNameTheirSourceLine) {
    LogMessage(Fail, "core/program.cpp", 165, "CreateProcess failed.");
    LogMessage(Fatal, "ui/x.cpp", 7, "f");
    LogMessage(Debug, "ui/x.cpp", 0, "d");
    LogMessage(Warn, "ui/x.cpp", -3, "w");
    EXPECT_EQ("Fail " + StartStamp + "File: core/program.cpp Line: 165\r\nCreateProcess failed.\r\n\r\n" +  //
                  "Fatal" + StartStamp + "File: ui/x.cpp Line: 7\r\nf\r\n\r\n" +                            //
                  "Debug" + StartStamp + "File: ui/x.cpp Line: 0\r\nd\r\n\r\n" +                            //
                  "Warn " + StartStamp + "File: ui/x.cpp Line: -3\r\nw\r\n\r\n",
              LogText());
}

TEST_F(LogTest, EveryLineFeedBecomesCrLfAndEmptyMessagesKeepTheirLine) {
    LogMessage(Fail, "f.cpp", 1, "first\nsecond\n");
    LogMessage(Info, "f.cpp", 2, "");
    EXPECT_EQ("Fail " + StartStamp + "File: f.cpp Line: 1\r\nfirst\r\nsecond\r\n\r\n\r\n" +  //
                  "Info " + StartStamp + "\r\n\r\n",
              LogText());
}

TEST_F(LogTest, TimeFieldsAreZeroPaddedMonthFirst) {
    platform::SetTestClock(1104541261);  // 2005-01-01 01:01:01
    LogMessage(Info, "f.cpp", 1, "x");
    platform::SetTestClock(1134216000);  // 2005-12-10 12:00:00
    LogMessage(Info, "f.cpp", 1, "y");
    EXPECT_EQ("Info  - 01:01:01 - 01.01.2005\r\nx\r\n\r\nInfo  - 12:00:00 - 12.10.2005\r\ny\r\n\r\n",
              LogText());
}

TEST_F(LogTest, MomentWithoutLocalTimeKeepsTheRecordAligned) {
    platform::SetTestClock(-1);
    LogMessage(Info, "f.cpp", 1, "x");
    EXPECT_EQ("Info  - ??:??:?? - ??.??.????\r\nx\r\n\r\n", LogText());
}

TEST_F(LogTest, ExistingLogIsExtended) {
    WriteFileBytes(LogPath(), "earlier run\r\n");
    LogMessage(Info, "f.cpp", 1, "x");
    EXPECT_EQ("earlier run\r\nInfo " + StartStamp + "x\r\n\r\n", LogText());
}

TEST_F(LogTest, RecordAfterTheFileWasEmptiedStartsAtByteZero) {
    LogMessage(Info, "f.cpp", 1, "before the reset");
    std::FILE* viewer = std::fopen(LogPath().c_str(), "wb");  // as the log viewer empties it
    ASSERT_NE(nullptr, viewer);
    std::fclose(viewer);
    LogMessage(Info, "f.cpp", 1, "after");
    EXPECT_EQ("Info " + StartStamp + "after\r\n\r\n", LogText());
}

TEST_F(LogTest, LogThatCannotBeOpenedStaysClosedForTheRun) {
    const std::string missing = HomeFile("missing");
    SetEnv("USERPROFILE", missing);
    LogMessage(Fail, "f.cpp", 1, "lost");
    MakeDirectory(missing);
    LogMessage(Info, "f.cpp", 2, "lost too");
    EXPECT_FALSE(FileExists(missing + platform::PathSeparator + "orvix_launcher_log.txt"));

    logtest::CloseLogStream();  // the next run finds the directory
    LogMessage(Info, "f.cpp", 3, "kept");
    EXPECT_EQ("Info " + StartStamp + "kept\r\n\r\n",
              ReadFileBytes(missing + platform::PathSeparator + "orvix_launcher_log.txt"));
}

#ifndef _WIN32
TEST_F(LogTest, FailedWriteDropsTheRestOfTheRun) {
    const std::string first = "Info " + StartStamp + "fits\r\n\r\n";
    LogMessage(Info, "f.cpp", 1, "fits");
    // A file size limit just past the first record stands in for a full disk.
    rlimit saved{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    rlimit small = saved;
    small.rlim_cur = first.size() + 10;
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    LogMessage(Info, "f.cpp", 2, std::string(100, 'x'));
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &saved));
    std::signal(SIGXFSZ, SIG_DFL);

    LogMessage(Info, "f.cpp", 3, "dropped");
    const std::string log = LogText();
    EXPECT_EQ(first.size() + 10, log.size()) << log;
    EXPECT_EQ(std::string::npos, log.find("dropped")) << log;
}
#endif

TEST_F(LogTest, LocationIsFixedByTheFirstRecord) {
    LogMessage(Info, "f.cpp", 1, "one");
    TempDir elsewhere;
    SetEnv("USERPROFILE", elsewhere.Path());
    LogMessage(Info, "f.cpp", 1, "two");
    EXPECT_EQ("Info " + StartStamp + "one\r\n\r\nInfo " + StartStamp + "two\r\n\r\n", LogText());
    EXPECT_FALSE(FileExists(elsewhere.File("orvix_launcher_log.txt")));
}

TEST_F(LogTest, WithoutHomeTheLogGoesToTheCurrentDirectory) {
    TempDir start;
    ScopedCurrentDirectory inStart(start.Path());
    ForEachMissingHome([] {
        logtest::CloseLogStream();
        LogMessage(Info, "f.cpp", 1, "here");
    });
    EXPECT_EQ("Info " + StartStamp + "here\r\n\r\nInfo " + StartStamp + "here\r\n\r\n",
              ReadFileBytes(start.File("orvix_launcher_log.txt")));
}

}  // namespace
