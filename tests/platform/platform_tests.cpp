#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <future>
#include <memory>
#include <string>

#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

#include "platform/os.h"
#include "support/core_support.h"

using namespace testsupport;

namespace {

class PlatformTest : public ClockFixture {};

TEST_F(PlatformTest, LocalTimeCoversExactlyTheUsableMoments) {
    std::tm local{};
    ASSERT_TRUE(platform::ToLocalTime(0, local));
    EXPECT_EQ(70, local.tm_year);
    EXPECT_EQ(4, local.tm_wday);  // 1970-01-01 was a Thursday

    ASSERT_TRUE(platform::ToLocalTime(INT32_MAX, local));
    EXPECT_EQ(138, local.tm_year);
    EXPECT_EQ(3, local.tm_hour);
    EXPECT_EQ(7, local.tm_sec);

    std::tm untouched{};
    untouched.tm_year = 99;
    EXPECT_FALSE(platform::ToLocalTime(-1, untouched));
    EXPECT_FALSE(platform::ToLocalTime(INT32_MIN, untouched));
    EXPECT_EQ(99, untouched.tm_year);
}

TEST_F(PlatformTest, FromLocalTimeNormalisesAndRefusesUnusableDates) {
    std::tm local{};
    local.tm_year = 104;
    local.tm_mon = 0;
    local.tm_mday = 32;  // January 32nd is February 1st
    local.tm_hour = 12;
    local.tm_isdst = -1;
    platform::Moment moment = 7;
    ASSERT_TRUE(platform::FromLocalTime(local, moment));
    EXPECT_EQ(1, local.tm_mon);
    EXPECT_EQ(1, local.tm_mday);
    EXPECT_EQ(1075636800, moment);

    std::tm late = local;
    late.tm_year = 139;  // 2039
    EXPECT_FALSE(platform::FromLocalTime(late, moment));
    std::tm early = local;
    early.tm_year = 69;  // 1969
    EXPECT_FALSE(platform::FromLocalTime(early, moment));
    EXPECT_EQ(1075636800, moment);
    EXPECT_EQ(139, late.tm_year);
}

TEST_F(PlatformTest, TestClockCanBeSetAdvancedAndCleared) {
    EXPECT_EQ(StartTime, platform::CurrentTime());
    platform::AdvanceTestClock(90);
    EXPECT_EQ(StartTime + 90, platform::CurrentTime());
    platform::SetTestClock(INT32_MAX - 1);
    platform::AdvanceTestClock(10);
    EXPECT_EQ(INT32_MAX, platform::CurrentTime());

    platform::ClearTestClock();
    const std::time_t before = std::time(nullptr);
    const platform::Moment now = platform::CurrentTime();
    const std::time_t after = std::time(nullptr);
    EXPECT_LE(before, now);
    EXPECT_GE(after, now);
}

TEST_F(PlatformTest, EnvironmentAndWorkingDirectory) {
    SetEnv("ORVIX_PLATFORM_TEST", "some value");
    EXPECT_EQ("some value", platform::EnvironmentVariable("ORVIX_PLATFORM_TEST").value_or("<unset>"));
    UnsetEnv("ORVIX_PLATFORM_TEST");
    EXPECT_FALSE(platform::EnvironmentVariable("ORVIX_PLATFORM_TEST").has_value());

    ScopedCurrentDirectory inHome(home.Path());
    const auto directory = platform::CurrentDirectory();
    ASSERT_TRUE(directory.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(home.Path(), *directory)) << *directory;
}

TEST_F(PlatformTest, ReplaceFileSwapsContentOrLeavesBothAlone) {
    const std::string source = HomeFile("new.txt");
    const std::string target = HomeFile("settings.txt");
    WriteFileBytes(target, "old");
    std::FILE* file = std::fopen(source.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fputs("new", file);
    EXPECT_TRUE(platform::FlushToDisk(file));
    std::fclose(file);

    ASSERT_TRUE(platform::ReplaceFile(source, target));
    EXPECT_EQ("new", ReadFileBytes(target));
    EXPECT_FALSE(FileExists(source));

    const std::string blocked = HomeFile("blocked");
    MakeDirectory(blocked);
    WriteFileBytes(source, "newer");
    EXPECT_FALSE(platform::ReplaceFile(source, blocked));
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ("newer", ReadFileBytes(source));
}

// The interpreter's command as the launcher passes it: in an outer pair of
// quotes, which the interpreter takes off.
platform::StartedCommand StartReporting(const std::string& command, std::future<std::uint32_t>& ended) {
    auto promise = std::make_shared<std::promise<std::uint32_t>>();
    ended = promise->get_future();
    return platform::StartCommandInterpreter("\"" + command + "\"", "",
                                             [promise](std::uint32_t status) { promise->set_value(status); });
}

TEST_F(PlatformTest, CommandInterpreterReportsTheStatusOnlyWhileWatched) {
    for (std::uint32_t status : {0u, 3u}) {
        std::future<std::uint32_t> ended;
        const platform::StartedCommand started = StartReporting("exit " + std::to_string(status), ended);
        ASSERT_EQ(0u, started.error);
        ASSERT_TRUE(started.watch);
        ASSERT_EQ(std::future_status::ready, ended.wait_for(std::chrono::seconds(20)));
        EXPECT_EQ(status, ended.get());
    }
    // A watch that is gone reports nothing, even when the command ends later.
    const std::string marker = HomeFile("marker.txt");
    SetEnv(MarkerEnvName, marker);
    SetEnv(MarkerSleepEnvName, "300");
    std::future<std::uint32_t> ended;
    StartReporting("\"" + MarkerWriterPath() + "\"", ended).watch.reset();
    UnsetEnv(MarkerSleepEnvName);
    ASSERT_TRUE(WaitForFile(marker, "ran"));
    // Its report goes with the wait, unsent: the promise ends broken.
    ASSERT_EQ(std::future_status::ready, ended.wait_for(std::chrono::seconds(20)));
    EXPECT_THROW(ended.get(), std::future_error) << "a status came after the watch had gone";
}

TEST_F(PlatformTest, StartProcessRunsTheQuotedFileAndRefusesOthers) {
    const std::string marker = HomeFile("marker.txt");
    SetEnv(MarkerEnvName, marker);
    const std::string commandLine = "\"" + MarkerWriterPath() + "\"";
    ASSERT_EQ(0u, platform::StartProcess(commandLine, "")) << commandLine;
    EXPECT_TRUE(WaitForFile(marker, "ran"));

    EXPECT_NE(0u, platform::StartProcess("\"" + HomeFile("no such program.exe") + "\"", ""));
    EXPECT_NE(0u, platform::StartProcess("\"\"", ""));
}

#ifdef _WIN32
// A box of the shell's own would hold the start until someone answered it,
// even at an unattended launch.
TEST_F(PlatformTest, FailingShellStartAnswersWithItsReasonAndShowsNoBox) {
    auto answer = std::make_shared<std::promise<platform::SystemError>>();
    std::future<platform::SystemError> answered = answer->get_future();
    const platform::StartedShell started =
        platform::StartWithShell({HomeFile("missing.txt"), "", "open", "", 0},
                                 [answer](platform::SystemError error) { answer->set_value(error); });
    ASSERT_EQ(0u, started.error);
    ASSERT_EQ(std::future_status::ready, answered.wait_for(std::chrono::seconds(5)))
        << "a box holds the start";
    EXPECT_EQ(2u, answered.get());
}
#else
int ZombieChildren() {
    int zombies = 0;
    const std::string parent = std::to_string(getpid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string stat = ReadFileBytes(entry.path().string() + "/stat");
        const auto afterName = stat.rfind(") ");
        if (afterName == std::string::npos) continue;
        // "<pid> (<name>) <state> <ppid> ..."
        const std::string rest = stat.substr(afterName + 2);
        if (rest.rfind("Z " + parent + " ", 0) == 0) ++zombies;
    }
    return zombies;
}

TEST_F(PlatformTest, FinishedChildrenDoNotPileUp) {
    for (int i = 0; i < 5; ++i) {
        const std::string marker = HomeFile("marker" + std::to_string(i));
        SetEnv(MarkerEnvName, marker);
        ASSERT_EQ(0u, platform::StartProcess("\"" + MarkerWriterPath() + "\"", ""));
        ASSERT_TRUE(WaitForFile(marker, "ran"));
    }
    // Every later start reaps what has finished; give the last exits time.
    const std::string missing = "\"/nonexistent/program\"";
    int zombies = ZombieChildren();
    for (int attempt = 0; attempt < 200 && zombies > 0; ++attempt) {
        usleep(50 * 1000);
        platform::StartProcess(missing, "");
        zombies = ZombieChildren();
    }
    EXPECT_EQ(0, zombies);
}
#endif

}  // namespace
