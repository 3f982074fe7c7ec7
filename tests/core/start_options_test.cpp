// The command line a launcher is started with: which settings folder it
// keeps, or what it tells the user before it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/schedules.h"
#include "core/start_options.h"
#include "support/core_support.h"

namespace {

TEST(StartOptionsTest, EachSpellingNamesTheFolderAndBadInputEndsWithTheUsage) {
    testsupport::TempDir root;
    const std::string backup = root.File("Backup");
    testsupport::MakeDirectory(backup);
    testsupport::WriteFileBytes(root.File("notes.txt"), "");
#ifdef _WIN32
    const std::string jobs = testsupport::UncShare() + "\\jobs";
    testsupport::MakeDirectory(jobs);
#endif
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
#ifdef _WIN32
        {"/folder " + jobs, jobs, "", 0},
#endif
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
    const Schedule home{HomeScheduleName, root.Path(), true}, drive{"D:", "D:\\"};
    EXPECT_EQ(StartupShortcutName(home, 1), "Orvix Launcher.lnk");
    EXPECT_EQ(StartupShortcutName({"Backup", backup}, 2), "Orvix Launcher - Backup (2).lnk");
    EXPECT_EQ(StartupShortcutName(drive, 1), "Orvix Launcher - D.lnk");
}

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    while (times-- > 0) repeated += text;
    return repeated;
}

TEST(ScheduleNameTest, EachRefusalSaysWhyAndAValidNameInAnyScriptPasses) {
    const std::vector<Schedule> existing = {{HomeScheduleName, "/h", true, true}, {"Backup", "/h/s/Backup"}};
    const std::string badCharacters = "A schedule's name cannot hold \\ / : * ? \" < > | or end in a dot.";
    const struct {
        std::string typed;
        std::string refusal;  // empty: valid
    } rows[] = {
        {" \t ", "A schedule's name cannot be empty."},
        {"Daily/Weekly", badCharacters},
        {"a\x01b", badCharacters},
        {"Report.", badCharacters},
        {"..", badCharacters},
        {"nul.txt", "This name is reserved by Windows: nul.txt"},
        {" CONIN$ ", "This name is reserved by Windows: CONIN$"},
        {"COM\u00B9", "This name is reserved by Windows: COM\u00B9"},
        {"lpt0", "This name is reserved by Windows: lpt0"},
        {std::string(65, 'x'), "A schedule's name can have at most 64 characters."},
        {"home FOLDER", "A schedule named home FOLDER already exists."},
        {"  backup ", "A schedule named backup already exists."},
        {"  Nightly Backup  ", ""},
        {"COM10", ""},
        {"\u0391\u03BD\u03C4\u03AF\u03B3\u03C1\u03B1\u03C6\u03B1", ""},
        {Repeated("\u03B1", 64), ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        EXPECT_EQ(ScheduleNameRefusal(TrimmedScheduleName(row.typed), existing).value_or(""), row.refusal);
    }
}

TEST(ScheduleListTest, HomeFirstThenByNameThenTheOwnFolderOnce) {
    testsupport::TempDir home, elsewhere;
    const std::string schedules = home.File(SchedulesFolderName);
    const auto names = [&](const std::string& own) {
        std::string listed;
        for (const Schedule& schedule : ListSchedules(home.Path(), own))
            listed += (schedule.own ? "*" : "") + ScheduleMenuText(schedule, schedule.own) + "|";
        return listed;
    };
    EXPECT_EQ(names(elsewhere.Path()),
              "Home folder\t(not running)|*" + FolderSuffix(elsewhere.Path()).substr(3) + "|")
        << "a missing schedules folder";
    testsupport::MakeDirectory(schedules);
    for (const char* name : {"beta", "Alpha", "R&D"}) testsupport::MakeDirectory(schedules + "/" + name);
    testsupport::WriteFileBytes(schedules + "/notes.txt", "");
    const std::string others = "Alpha\t(not running)|beta\t(not running)|R&&D\t(not running)|";
    EXPECT_EQ(names(""), "*Home folder|" + others);
    EXPECT_EQ(names(home.Path()), "*Home folder|" + others);
    EXPECT_EQ(names(schedules + "/beta/"),
              "Home folder\t(not running)|Alpha\t(not running)|*beta|R&&D\t(not running)|");
}

}  // namespace
