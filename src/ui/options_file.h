// The system menu's options, "Wake the computer to launch", "Show
// notifications" and "Run a missed launch at start", and the time of day last
// picked for weekday launches, kept in a small file of their own beside the
// configuration, orvix_launcher.ini, so that the configuration's 18 lines stay
// exactly as they are.
#pragma once

#include <optional>
#include <string>

#include "core/schedule.h"

enum class LauncherOption { WakeToRun, Notify, RunMissed };

// The options file's path, in the folder the configuration uses, as the
// wide text Windows' profile calls take, so that any folder name works.
std::wstring OptionsFilePath();

// The option's default when the file is missing or cannot be read: only
// Notify is on.
bool LoadOption(LauncherOption option);
// False when the file could not be written.
bool SaveOption(LauncherOption option, bool on);

// [Schedule] Time=HH:MM:SS; nothing when absent or unreadable.
std::optional<ClockTime> LoadPickedTime();
// Kept in weekday mode, removed in date mode, where the date picker holds
// the whole moment; false when the file could not be written.
bool SavePickedTime(const ClockTime& time, bool weekdayMode);
