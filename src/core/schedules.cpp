#include "core/schedules.h"

#include <algorithm>
#include <cctype>

#include "core/start_options.h"
#include "platform/os.h"

namespace {

constexpr std::size_t LongestName = 64;  // UTF-16 units

const char* const ForbiddenCharacters = "\\/:*?\"<>|";

// The names Windows keeps for its devices, alone or before a dot.
const char* const ReservedNames[] = {
    "CON",  "PRN",  "AUX",       "NUL",       "CONIN$",    "CONOUT$",   "COM0",      "COM1",
    "COM2", "COM3", "COM4",      "COM5",      "COM6",      "COM7",      "COM8",      "COM9",
    "LPT0", "LPT1", "LPT2",      "LPT3",      "LPT4",      "LPT5",      "LPT6",      "LPT7",
    "LPT8", "LPT9", "COM\u00B9", "COM\u00B2", "COM\u00B3", "LPT\u00B9", "LPT\u00B2", "LPT\u00B3"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string LastName(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
    const std::size_t separator = trimmed.find_last_of("\\/");
    return separator == std::string::npos ? trimmed : trimmed.substr(separator + 1);
}

bool SameFolder(const std::string& left, const std::string& right) {
    return platform::LauncherKey(left) == platform::LauncherKey(right);
}

// UTF-16 units of UTF-8 `text`: one per character, two beyond U+FFFF.
std::size_t Utf16Length(const std::string& text) {
    std::size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0U) != 0x80U) ++units;
        if (c >= 0xF0U) ++units;
    }
    return units;
}

// C0 and DEL as single bytes; C1 as UTF-8's C2 80 to C2 9F.
bool HoldsControlCharacter(const std::string& text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x20U || c == 0x7FU) return true;
        if (c == 0xC2U && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) < 0xA0U)
            return true;
    }
    return false;
}

bool IsReservedName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && IsBlank(base.back())) base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::find(std::begin(ReservedNames), std::end(ReservedNames), base) != std::end(ReservedNames);
}

}  // namespace

std::string SchedulesFolder(const std::string& home) {
    return home + platform::PathSeparator + SchedulesFolderName;
}

std::vector<Schedule> ListSchedules(const std::string& home, const std::string& own) {
    const bool ownIsHome = own.empty() || SameFolder(own, home);
    std::vector<Schedule> list{{HomeScheduleName, home, true, ownIsHome}};
    const std::string schedules = SchedulesFolder(home);
    std::vector<std::string> names = platform::SubfolderNames(schedules);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return platform::CompareFileNames(a, b) < 0;
    });
    bool ownListed = ownIsHome;
    const std::string prefix = schedules + platform::PathSeparator;
    for (const std::string& name : names) {
        Schedule schedule{name, prefix + name, false, false};
        schedule.own = !ownListed && SameFolder(own, schedule.folder);
        ownListed = ownListed || schedule.own;
        list.push_back(schedule);
    }
    if (!ownListed) list.push_back({LastName(own), own, false, true});
    return list;
}

Schedule OwnSchedule(const std::string& home, const std::string& own) {
    const std::vector<Schedule> list = ListSchedules(home, own);
    return *std::find_if(list.begin(), list.end(), [](const Schedule& schedule) { return schedule.own; });
}

std::string ScheduleMenuText(const Schedule& schedule, bool running) {
    std::string text;
    for (char c : schedule.name) text += c == '&' ? std::string("&&") : std::string(1, c);
    return running ? text : text + "\t(not running)";
}

std::string TrimmedScheduleName(const std::string& typed) {
    std::size_t begin = 0;
    std::size_t end = typed.size();
    while (begin < end && IsBlank(typed[begin])) ++begin;
    while (end > begin && IsBlank(typed[end - 1])) --end;
    return typed.substr(begin, end - begin);
}

std::optional<std::string> ScheduleNameRefusal(const std::string& name,
                                               const std::vector<Schedule>& existing) {
    if (name.empty()) return "A schedule's name cannot be empty.";
    if (name.find_first_of(ForbiddenCharacters) != std::string::npos || HoldsControlCharacter(name) ||
        name.back() == '.')
        return "A schedule's name cannot hold \\ / : * ? \" < > | or end in a dot.";
    if (IsReservedName(name)) return "This name is reserved by Windows: " + name;
    if (Utf16Length(name) > LongestName) return "A schedule's name can have at most 64 characters.";
    for (const Schedule& schedule : existing) {
        if (platform::CompareFileNames(schedule.name, name) == 0)
            return "A schedule named " + name + " already exists.";
    }
    return std::nullopt;
}

std::string StartupShortcutName(const Schedule& schedule, int number) {
    std::string name = "Orvix Launcher";
    if (!schedule.home) {
        const std::string last = LastName(schedule.folder);
        // A drive's root, "D:\", by its letter alone: a colon is no file name's.
        name += " - " + (last.size() == 2 && last[1] == ':' ? last.substr(0, 1) : last);
    }
    if (number > 1) name += " (" + std::to_string(number) + ")";
    return name + ".lnk";
}

bool StartsSchedule(const platform::ShortcutLine& shortcut, const std::string& exe, const Schedule& schedule,
                    const std::string& home) {
    const std::optional<std::string> target = platform::FinalPath(shortcut.target);
    const std::optional<std::string> ours = platform::FinalPath(exe);
    if (!target || !ours || platform::CompareFileNames(*target, *ours) != 0) return false;
    // A shortcut's arguments come without the program's name.
    const StartOptions options =
        ParseStartOptions("\"" + exe + "\" " + shortcut.arguments, exe, shortcut.startIn);
    if (!options.run) return false;
    return SameFolder(options.folder.empty() ? home : options.folder, schedule.folder);
}
