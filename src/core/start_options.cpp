#include "core/start_options.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "core/command_line.h"
#include "platform/os.h"

namespace {

const char* const FolderOption = "/folder";
const char* const FolderOptionLong = "--folder";
const char* const FolderOptionJoined = "/folder:";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Split at blanks outside quotes. A quote only groups and is never part of
// an argument, so "D:\Jobs\" keeps its backslash: a folder's name cannot
// hold a quote anyway.
std::vector<std::string> Arguments(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::optional<std::string> current;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            if (!current) current.emplace();
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (current) arguments.push_back(*current);
            current.reset();
        } else {
            if (!current) current.emplace();
            *current += c;
        }
    }
    if (current) arguments.push_back(*current);
    return arguments;
}

// "D:", "\\server", "/" or nothing: what a path starts from.
std::string RootOf(const std::string& path) {
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) != 0 && path[1] == ':')
        return path.substr(0, 2);
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return "\\\\";
    if (!path.empty() && IsSeparator(path[0])) return std::string(1, platform::PathSeparator);
    return "";
}

// Full, with "." and ".." resolved and no separator at the end, except
// that a drive's root keeps its own ("D:\").
std::string FullFolderPath(const std::string& path, const std::string& workingFolder) {
    std::string root = RootOf(path);
    const std::string whole = root.empty() ? workingFolder + platform::PathSeparator + path : path;
    if (root.empty()) root = RootOf(whole);
    std::vector<std::string> names;
    std::string name;
    for (std::size_t at = root.size(); at <= whole.size(); ++at) {
        if (at < whole.size() && !IsSeparator(whole[at])) {
            name += whole[at];
            continue;
        }
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        name.clear();
    }
    std::string full = root;
    if (root.size() == 2 && root[1] == ':') full += platform::PathSeparator;
    for (std::size_t at = 0; at < names.size(); ++at) {
        if (at > 0) full += platform::PathSeparator;
        full += names[at];
    }
    return full;
}

StartOptions Refused(const std::string& what) {
    StartOptions refused;
    refused.run = false;
    refused.message = what + "\n\n" + UsageText;
    refused.exitCode = BadCommandLineExitCode;
    return refused;
}

StartOptions WithFolder(const std::string& path, const std::string& workingFolder) {
    StartOptions options;
    options.folder = FullFolderPath(path, workingFolder);
    switch (platform::KindOfPath(options.folder)) {
        case platform::PathKind::Missing:
            return Refused("The folder does not exist: " + options.folder);
        case platform::PathKind::File:
            return Refused("This is a file, not a folder: " + options.folder);
        case platform::PathKind::Folder:
            break;
    }
    return options;
}

// What follows the program's own name. Started unquoted from a folder with
// a blank ("C:\Program Files\Orvix Launcher\OrvixLauncher.exe"), the
// name's words are no options.
std::string OptionsText(const std::string& commandLine, const std::string& exePath,
                        const std::string& workingFolder) {
    const auto namesThisProgram = [&](const std::string& words) {
        const std::string full = FullFolderPath(words, workingFolder);
        return platform::CompareFileNames(full, exePath) == 0 ||
               platform::CompareFileNames(full + ".exe", exePath) == 0;
    };
    return SplitAtProgram(commandLine, namesThisProgram).rest;
}

}  // namespace

StartOptions ParseStartOptions(const std::string& commandLine, const std::string& exePath,
                               const std::string& workingFolder) {
    const std::vector<std::string> arguments = Arguments(OptionsText(commandLine, exePath, workingFolder));
    std::optional<std::string> folder;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& given = arguments[at];
        const std::string option = Lowered(given);
        if (option == "/?") {
            StartOptions usage;
            usage.run = false;
            usage.message = UsageText;
            usage.exitCode = UsageAskedExitCode;
            return usage;
        }
        std::optional<std::string> path;
        if (option.rfind(FolderOptionJoined, 0) == 0) {
            path = given.substr(std::string(FolderOptionJoined).size());
        } else if (option == FolderOption || option == FolderOptionLong) {
            if (at + 1 < arguments.size()) path = arguments[++at];
        } else {
            return Refused("Unknown option: " + given);
        }
        if (folder) return Refused("The folder is named more than once: " + given);
        if (!path || path->empty()) return Refused("No folder follows " + given + ".");
        folder = path;
    }
    if (!folder) return {};
    return WithFolder(*folder, workingFolder);
}

std::string FolderSuffix(const std::string& folder) {
    if (folder.empty()) return "";
    std::size_t end = folder.size();
    while (end > 1 && IsSeparator(folder[end - 1])) --end;
    const std::string trimmed = folder.substr(0, end);
    const std::size_t separator = trimmed.find_last_of("\\/");
    const std::string name = separator == std::string::npos ? trimmed : trimmed.substr(separator + 1);
    return " - " + (name.empty() ? trimmed : name);
}
