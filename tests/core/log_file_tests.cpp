// The log file as the viewer reads and empties it.
#include <gtest/gtest.h>

#include <string>

#include "core/log_file.h"
#include "core/program.h"
#include "support/core_support.h"

using namespace testsupport;

namespace {

class LogFileTest : public ClockFixture {};

TEST(LogViewTextTest, EveryLineEndsInCrLfAndNothingIsCutShort) {
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"empty file", "", ""},
        {"CR LF kept, not doubled", "Info  - 09:05:07\r\nx\r\n\r\n", "Info  - 09:05:07\r\nx\r\n\r\n"},
        {"bare LF", "a\nb\n\n", "a\r\nb\r\n\r\n"},
        {"last line without a line feed", "a\r\nlast", "a\r\nlast\r\n"},
        {"stray CR", "a\rb\r\nc\r", "a\rb\r\nc\r\r\n"},
        {"Ctrl-Z", "a\x1A" "b\r\nc\r\n", "a\x1A" "b\r\nc\r\n"},
        {"NUL", std::string("a\0b\r\nc\r\n", 8), "a b\r\nc\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.shown, LogViewText(c.bytes)) << c.name;
}

TEST_F(LogFileTest, ReadsTheBytesAsTheyAreAndLeavesTheFileAlone) {
    const char raw[] = "one\r\ntwo\nthree\r\x1A four\0five";
    const std::string bytes(raw, sizeof raw - 1);
    WriteFileBytes(LogPath(), bytes);
    EXPECT_EQ(bytes, ReadLogFile(LogPath()).value_or("(unreadable)"));
    EXPECT_EQ(bytes, ReadFileBytes(LogPath()));
    EXPECT_FALSE(ReadLogFile(HomeFile("missing.txt")).has_value());
}

TEST_F(LogFileTest, EmptyingTruncatesOrCreatesTheFile) {
    WriteFileBytes(LogPath(), "Info  - 09:05:07 - 03.02.2004\r\nx\r\n\r\n");
    EXPECT_TRUE(EmptyLogFile(LogPath()));
    EXPECT_EQ("", ReadLogFile(LogPath()).value_or("(unreadable)"));

    const std::string absent = HomeFile("absent.txt");
    EXPECT_TRUE(EmptyLogFile(absent));
    EXPECT_TRUE(FileExists(absent));
    EXPECT_EQ("", ReadFileBytes(absent));

    EXPECT_FALSE(EmptyLogFile(HomeFile("no such directory") + platform::PathSeparator + "log.txt"));
}

TEST_F(LogFileTest, PathIsWorkedOutAfreshFromTheHomeOrTheProgramDirectory) {
    EXPECT_EQ(LogPath(), LogViewerPath());
    TempDir elsewhere;
    SetEnv("USERPROFILE", elsewhere.Path());
    EXPECT_EQ(elsewhere.File("orvix_launcher_log.txt"), LogViewerPath());

    const std::string savedProgramDirectory = ProgramDirectory;
    ProgramDirectory = elsewhere.Path();
    ForEachMissingHome([&] { EXPECT_EQ(elsewhere.File("orvix_launcher_log.txt"), LogViewerPath()); });
    ProgramDirectory = savedProgramDirectory;
}

}  // namespace
