// The command line a launcher is started with: which settings folder it
// keeps, or what it tells the user before it ends.
#include <gtest/gtest.h>

#include <string>

#include "core/start_options.h"
#include "support/core_support.h"

namespace {

TEST(StartOptionsTest, EachSpellingNamesTheFolderAndBadInputEndsWithTheUsage) {
    testsupport::TempDir root;
    const std::string backup = root.File("Backup");
    testsupport::MakeDirectory(backup);
    testsupport::WriteFileBytes(root.File("notes.txt"), "");
    const std::string usage = std::string("\n\n") + UsageText;
    const std::string exe = root.File("Orvix Launcher") + platform::PathSeparator + "OrvixLauncher.exe";
    const std::string quoted = "\"" + exe + "\"";
    const struct {
        std::string arguments;
        std::string folder;
        std::string message;  // empty: the launcher runs
        int exitCode;
    } rows[] = {
        {"", "", "", 0},
        {"/folder \"" + backup + "\"", backup, "", 0},
        {"--FOLDER " + backup, backup, "", 0},
        {"/Folder:\"" + backup + "\"", backup, "", 0},
        {"/folder Backup", backup, "", 0},
        {"/folder \"" + backup + "\\\"", backup, "", 0},
        {"/folder \"" + root.File("Gone") + "\"", "",
         "The folder does not exist: " + root.File("Gone") + usage, 2},
        {"/folder notes.txt", "", "This is a file, not a folder: " + root.File("notes.txt") + usage, 2},
        {"/now", "", "Unknown option: /now" + usage, 2},
        {"/folder Backup --folder Backup", "", "The folder is named more than once: --folder" + usage, 2},
        {"/folder", "", "No folder follows /folder." + usage, 2},
        {"/? /now", "", UsageText, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        const StartOptions options = ParseStartOptions(quoted + " " + row.arguments, exe, root.Path());
        EXPECT_EQ(options.run, row.message.empty());
        EXPECT_EQ(options.folder, row.folder);
        EXPECT_EQ(options.message, row.message);
        EXPECT_EQ(options.exitCode, row.exitCode);
    }
    // Started unquoted, the program's name is whatever words name this exe.
    const std::string relative = std::string("orvix launcher") + platform::PathSeparator + "ORVIXLAUNCHER";
    for (const std::string& program : {exe, exe.substr(0, exe.size() - 4), relative})
        EXPECT_EQ(ParseStartOptions(program + " /folder Backup", exe, root.Path()).folder, backup) << program;
    EXPECT_TRUE(ParseStartOptions(exe, exe, root.Path()).run);
    EXPECT_EQ(ParseStartOptions("Some Other.exe", exe, root.Path()).message,
              "Unknown option: Other.exe" + usage);
    EXPECT_EQ(FolderSuffix(backup), " - Backup");
    EXPECT_EQ(FolderSuffix("D:\\"), " - D:");
    EXPECT_EQ(FolderSuffix(""), "");
}

}  // namespace
