// The choice of how to start what the user points at. Only what the file
// system holds is asked of the system; the choice itself is made here.
#include "core/start_route.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "core/command_line.h"
#include "platform/os.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == platform::PathSeparator; }

std::size_t LastSeparator(const std::string& path) {
    for (std::size_t at = path.size(); at > 0; --at)
        if (IsSeparator(path[at - 1])) return at - 1;
    return std::string::npos;
}

// The folder part of `path`; empty when it has none. A root ("C:\", "/")
// keeps its separator, without which it would name another folder.
std::string FolderOf(const std::string& path) {
    const std::size_t last = LastSeparator(path);
    if (last == std::string::npos) return "";
    if (last == 0 || path[last - 1] == ':') return path.substr(0, last + 1);
    return path.substr(0, last);
}

std::string LowerCaseExtension(const std::string& path) {
    const std::size_t last = LastSeparator(path);
    const std::string name = last == std::string::npos ? path : path.substr(last + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return "";
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// What CreateProcess starts itself; everything else is the shell's to open.
bool IsProgramFile(const std::string& path) {
    const std::string extension = LowerCaseExtension(path);
    return extension.empty() || extension == ".exe" || extension == ".com";
}

// What `text` names when `exists` holds for it: itself, or what one pair of
// quotes around the whole of it holds (Explorer's "Copy as path" adds them).
std::optional<std::string> Named(const std::string& text, bool (*exists)(const std::string&)) {
    if (exists(text)) return text;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        std::string inner = text.substr(1, text.size() - 2);
        if (exists(inner)) return inner;
    }
    return std::nullopt;
}

bool IsUncPath(const std::string& path) { return path.size() > 2 && path[0] == '\\' && path[1] == '\\'; }

// The route, its folder as the file system names it.
StartRoute PlainRoute(const std::string& path, bool windowsProgram) {
    StartRoute route;
    if (const std::optional<std::string> file = Named(path, platform::IsExistingFile)) {
        route.file = *file;
        route.folder = FolderOf(*file);
        if (!windowsProgram) {
            // The interpreter's /s takes off the outer pair, leaving the
            // file's own quotes: spaces, "(x86)" and "&" in its path hold.
            route.kind = StartRoute::CommandInterpreter;
            route.commandLine = "\"\"" + *file + "\"\"";
        } else if (IsProgramFile(*file)) {
            route.commandLine = "\"" + *file + "\"";
        } else {
            route.kind = StartRoute::ShellOpen;
        }
        return route;
    }
    // A folder opens in Explorer.
    if (const std::optional<std::string> folder = Named(path, platform::IsExistingFolder);
        folder && windowsProgram) {
        route.kind = StartRoute::ShellOpen;
        route.file = *folder;
        return route;
    }
    // A command line, passed on as typed; it starts in its program's folder
    // when its first part names a file. Unquoted, that part is found as the
    // system finds the program: "C:\Jobs Dir\nightly.vbs /quiet" names the
    // script, which the shell then opens with "/quiet".
    CommandLineParts parts = SplitAtProgram(path, platform::IsExistingFile);
    route.file = std::move(parts.program);
    route.parameters = std::move(parts.rest);
    if (platform::IsExistingFile(route.file)) route.folder = FolderOf(route.file);
    if (windowsProgram) {
        route.commandLine = path;
        // An empty text has nothing for the shell to find.
        route.shellTakesOver = !route.file.empty();
    } else {
        route.kind = StartRoute::CommandInterpreter;
        route.commandLine = "\"" + path + "\"";
    }
    return route;
}

}  // namespace

// The interpreter cannot stand in a UNC folder; it would run in the
// Windows folder instead.
StartRoute RouteFor(const std::string& path, bool windowsProgram) {
    StartRoute route = PlainRoute(path, windowsProgram);
    if (route.kind == StartRoute::CommandInterpreter && IsUncPath(route.folder)) {
        route.commandLine = CommandInUncFolder(route.commandLine, route.folder);
        route.folder.clear();
    }
    return route;
}

std::string WithNativeProgramFiles(const std::string& text) {
    static const std::pair<const char*, const char*> natives[] = {
        {"%programfiles%", "%ProgramW6432%"}, {"%commonprogramfiles%", "%CommonProgramW6432%"}};
    std::string lowered = text;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string result;
    for (std::size_t at = 0; at < text.size();) {
        const auto* const native = std::find_if(
            std::begin(natives), std::end(natives),
            [&](const auto& pair) { return lowered.compare(at, std::strlen(pair.first), pair.first) == 0; });
        if (native == std::end(natives)) {
            result += text[at++];
            continue;
        }
        result += native->second;
        at += std::strlen(native->first);
    }
    return result;
}

std::string CommandInUncFolder(const std::string& command, const std::string& folder) {
    const std::string inner = command.size() >= 2 ? command.substr(1, command.size() - 2) : command;
    return "\"pushd \"" + folder + "\" && " + inner + " & popd\"";
}
