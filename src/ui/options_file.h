// The system menu's options, "Wake the computer to launch", "Show
// notifications" and "Run a missed launch at start", kept in a small file of
// their own beside the configuration, orvix_launcher.ini, so that the
// configuration's 18 lines stay exactly as they are.
#pragma once

#include <string>

enum class LauncherOption { WakeToRun, Notify, RunMissed };

// The options file's path, in the folder the configuration uses, as the
// wide text Windows' profile calls take, so that any folder name works.
std::wstring OptionsFilePath();

// The option's default when the file is missing or cannot be read: only
// Notify is on.
bool LoadOption(LauncherOption option);
// False when the file could not be written.
bool SaveOption(LauncherOption option, bool on);
