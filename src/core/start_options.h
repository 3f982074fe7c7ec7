// What the launcher is asked on its command line: a settings folder of its
// own, so that each folder is a schedule of its own.
#pragma once

#include <string>

inline const char* const UsageText =
    "Usage: OrvixLauncher.exe [/folder \"<folder>\"]\n"
    "Keeps the settings and the log in <folder> instead of your home folder; each folder is a schedule "
    "of its own.";

// Exit codes of a start that ends before it runs.
inline constexpr int UsageAskedExitCode = 0;
inline constexpr int BadCommandLineExitCode = 2;

struct StartOptions {
    // The full path of the folder for the settings, the options and the
    // log; empty for the home folder.
    std::string folder;
    // False: show `message` (when not empty) and end with `exitCode`.
    bool run = true;
    std::string message;
    int exitCode = 0;
};

// `commandLine` as the process was given it, in UTF-8, its program's name
// first, quoted or not: unquoted, the name may hold blanks, and it ends
// where the words so far name `exePath` (this program's own file, with or
// without ".exe", relative ones taken from `workingFolder`). `/folder PATH`, `--folder PATH` and
// `/folder:PATH`, in any case; a relative PATH is taken from `workingFolder`. Quotes only group: a backslash
// before the closing quote belongs to the path. The folder must exist; `/?` asks for the usage.
StartOptions ParseStartOptions(const std::string& commandLine, const std::string& exePath,
                               const std::string& workingFolder);

// " - " and the folder's last name ("D:" for a drive's root), to tell
// launchers on different folders apart; empty for no folder.
std::string FolderSuffix(const std::string& folder);
