// "Start with Windows" for one schedule: a shortcut in the Startup folder
// that starts this exe on the schedule's folder. Windows' own list of startup
// apps may have it turned off; the launcher reads that list, never writes it.
// The calling thread needs a COM apartment.
#pragma once

#include <optional>
#include <string>

#include "core/schedules.h"

// Whether a shortcut the list has not turned off starts `schedule`; `home`
// is the folder a start without a folder option runs on.
bool StartsWithWindows(const Schedule& schedule, const std::string& home);
// Makes the schedule's shortcut when it does not start with Windows, else
// deletes every shortcut of the schedule. What the user is to be told, if anything.
std::optional<std::string> SwitchStartWithWindows(const Schedule& schedule, const std::string& home);
