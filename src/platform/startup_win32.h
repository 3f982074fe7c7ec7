// What Windows starts at logon: the shortcuts in the user's Startup folder,
// read and written with the shell's IShellLinkW, and Windows' own list of
// startup apps, which can turn one off without removing it. The caller's
// thread needs a COM apartment (platform::ComApartment).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/os.h"

namespace platform {

// This program's own exe, as GetModuleFileNameW names it.
std::string ExecutablePath();

// The Startup folder (FOLDERID_Startup); empty when the shell cannot say.
std::string StartupFolder();
// Tests: the Startup folder is `folder` instead; empty restores the shell's.
void SetStartupFolderForTests(const std::string& folder);

// Every shortcut (*.lnk) in `folder`, by its full path; one that cannot be
// read comes with an empty line.
std::vector<std::pair<std::string, ShortcutLine>> ShortcutsIn(const std::string& folder);
// Writes the shortcut file `path`, replacing one there; 0, or the reason.
SystemError WriteShortcut(const std::string& path, const ShortcutLine& line);
// Deletes the shortcut file `path`; 0, or the reason.
SystemError DeleteShortcut(const std::string& path);

// Whether Windows' list of startup apps has the Startup folder's file
// `fileName` turned off. Only read: Windows owns that list.
bool TurnedOffInStartupApps(const std::string& fileName);

}  // namespace platform
