// The schedules a launcher offers: the home folder, each folder under
// "Orvix Launcher Schedules" in it, and the launcher's own folder; what a new
// schedule may be called; and the Startup folder's shortcut for each.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"

inline const char* const SchedulesFolderName = "Orvix Launcher Schedules";
inline const char* const HomeScheduleName = "Home folder";

struct Schedule {
    std::string name;    // as the menu shows it, before its & are doubled
    std::string folder;  // the full path, the home folder's too
    bool home = false;   // started without a folder option
    bool own = false;    // the folder this launcher runs on
};

// Where schedules made from the launcher go, in `home`.
std::string SchedulesFolder(const std::string& home);

// The home schedule, then the schedules folder's folders by name, then
// `own` when it is neither; `own` empty is the home folder. Read afresh.
std::vector<Schedule> ListSchedules(const std::string& home, const std::string& own);

// This launcher's own entry of that list.
Schedule OwnSchedule(const std::string& home, const std::string& own);

// Its name with each & doubled, so that none becomes an access key, and a
// tab and "(not running)" when no launcher runs on it.
std::string ScheduleMenuText(const Schedule& schedule, bool running);

// `typed` without blanks at either end.
std::string TrimmedScheduleName(const std::string& typed);
// What the user is told when the trimmed `name` cannot name a new folder
// beside `existing`; nothing when it can.
std::optional<std::string> ScheduleNameRefusal(const std::string& name,
                                               const std::vector<Schedule>& existing);

// The file in the Startup folder that starts `schedule`: "Orvix
// Launcher.lnk" for the home folder, else with " - " and the folder's last
// name (a drive's letter for its root); from `number` 2 on, " (2)" and so on
// before ".lnk".
std::string StartupShortcutName(const Schedule& schedule, int number);

// Whether `shortcut` starts `exe` on the folder of `schedule`: the same exe
// by its final path, and arguments that name the same folder by the guard's
// key, none at all naming the home folder `home`.
bool StartsSchedule(const platform::ShortcutLine& shortcut, const std::string& exe, const Schedule& schedule,
                    const std::string& home);
