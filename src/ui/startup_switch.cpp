#include "ui/startup_switch.h"

#include <vector>

#include "core/program.h"
#include "platform/os.h"
#include "platform/startup_win32.h"
#include "resource.h"
#include "ui/launcher_dialog.h"

namespace {

const char* const TurnedOffMessage =
    "Windows has this schedule turned off in its list of startup apps. Turn it on in Settings, Apps, "
    "Startup.";

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

bool IsTurnedOff(const std::string& shortcut) {
    return platform::TurnedOffInStartupApps(FileNameOf(shortcut));
}

// The paths of the Startup folder's shortcuts that start `schedule`.
std::vector<std::string> ShortcutsOf(const Schedule& schedule, const std::string& home) {
    std::vector<std::string> found;
    const std::string folder = platform::StartupFolder();
    if (folder.empty()) return found;
    const std::string exe = platform::ExecutablePath();
    for (const auto& [path, line] : platform::ShortcutsIn(folder))
        if (StartsSchedule(line, exe, schedule, home)) found.push_back(path);
    return found;
}

bool IsAmong(const std::string& path, const std::vector<std::string>& paths) {
    for (const std::string& other : paths)
        if (platform::CompareFileNames(path, other) == 0) return true;
    return false;
}

std::optional<std::string> Write(const Schedule& schedule, const std::string& path) {
    const std::string exe = platform::ExecutablePath();
    const platform::ShortcutLine line{exe, schedule.home ? "" : "/folder \"" + schedule.folder + "\"",
                                      FolderOf(exe)};
    const platform::SystemError error = platform::WriteShortcut(path, line);
    if (error != 0) return "Could not write the shortcut " + path + ": " + FailureReason(error, path);
    if (!IsTurnedOff(path)) return std::nullopt;
    // Left from an earlier shortcut of that name: it would never start.
    platform::DeleteShortcut(path);
    return TurnedOffMessage;
}

// Under the first name that no shortcut of another folder takes. The
// schedule's own shortcut under that name is there, turned off.
std::optional<std::string> TurnOn(const Schedule& schedule, const std::string& home) {
    const std::string folder = platform::StartupFolder();
    if (folder.empty()) return "Windows does not say where its Startup folder is.";
    const std::vector<std::string> own = ShortcutsOf(schedule, home);
    for (int number = 1;; ++number) {
        const std::string path = folder + "\\" + StartupShortcutName(schedule, number);
        if (IsAmong(path, own)) return TurnedOffMessage;
        if (platform::KindOfPath(path) == platform::PathKind::Missing) return Write(schedule, path);
    }
}

std::optional<std::string> TurnOff(const Schedule& schedule, const std::string& home) {
    std::optional<std::string> message;
    for (const std::string& path : ShortcutsOf(schedule, home)) {
        const platform::SystemError error = platform::DeleteShortcut(path);
        if (error != 0 && !message)
            message = "Could not delete the shortcut " + path + ": " + FailureReason(error, path);
    }
    return message;
}

}  // namespace

bool StartsWithWindows(const Schedule& schedule, const std::string& home) {
    for (const std::string& path : ShortcutsOf(schedule, home))
        if (!IsTurnedOff(path)) return true;
    return false;
}

std::optional<std::string> SwitchStartWithWindows(const Schedule& schedule, const std::string& home) {
    return StartsWithWindows(schedule, home) ? TurnOff(schedule, home) : TurnOn(schedule, home);
}

// Read as the menu opens: the user may have changed it in Settings since.
void LauncherDialog::ShowStartWithWindows() {
    const bool on =
        NeedComApartment() &&
        StartsWithWindows(OwnSchedule(HomeScheduleFolder(), SettingsFolder()), HomeScheduleFolder());
    CheckMenuItem(GetSystemMenu(FALSE), IDM_START_WITH_WINDOWS,
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void LauncherDialog::OnStartWithWindows() {
    if (!NeedComApartment()) {
        AfxMessageBox("Windows' shortcuts cannot be reached: COM is not available.");
        return;
    }
    const std::string home = HomeScheduleFolder();
    if (const std::optional<std::string> message =
            SwitchStartWithWindows(OwnSchedule(home, SettingsFolder()), home))
        AfxMessageBox(message->c_str());
    ShowStartWithWindows();
}
