// The tray menu with its "Schedules" submenu: every schedule, whether a
// launcher runs on it, and "New Schedule...". Going to a schedule starts
// this exe on its folder, and the guard of that start does the rest: a
// launcher running there shows itself, else a new one starts.
#include <string>
#include <vector>

#include "core/program.h"
#include "core/schedules.h"
#include "platform/os.h"
#include "platform/startup_win32.h"
#include "ui/launcher_dialog.h"
#include "ui/new_schedule_dialog.h"

namespace {

// The tray menu's items. Their identifiers coincide with controls of the
// dialog (1028 is the Close button), so a choice is returned by the menu and
// never sent as a command; so are the submenu's, above every control's.
constexpr UINT TrayShow = 1028;
constexpr UINT TrayLog = 1031;
constexpr UINT TrayAbout = 1027;
constexpr UINT TrayManual = 1030;
constexpr UINT TrayExit = 1026;
constexpr UINT TrayNewSchedule = 0x2FFF;
constexpr UINT TrayFirstSchedule = 0x3000;

// Wide, so that a folder named in any script shows as it is.
void AppendItem(HMENU menu, UINT flags, UINT_PTR id, const std::string& text) {
    AppendMenuW(menu, flags, id, platform::WidePath(text).c_str());
}

// Filled afresh at every opening: listing one folder is cheap, and a
// schedule made or started elsewhere shows at once.
HMENU SchedulesSubmenu(const std::vector<Schedule>& schedules) {
    PopupMenu submenu;
    for (std::size_t at = 0; at < schedules.size(); ++at) {
        const Schedule& schedule = schedules[at];
        // This launcher runs on its own folder, whatever a test's guard says.
        const bool running = schedule.own || platform::IsLauncherRunningOn(schedule.folder);
        AppendItem(submenu.Handle(), MF_STRING | (schedule.own ? MF_CHECKED : MF_UNCHECKED),
                   TrayFirstSchedule + at, ScheduleMenuText(schedule, running));
    }
    AppendMenuW(submenu.Handle(), MF_SEPARATOR, 0, nullptr);
    AppendItem(submenu.Handle(), MF_STRING, TrayNewSchedule, "&New Schedule...");
    return submenu.Release();
}

}  // namespace

void LauncherDialog::OpenTrayMenu(WPARAM anchor) {
    const std::vector<Schedule> schedules = ListSchedules(HomeScheduleFolder(), SettingsFolder());
    PopupMenu menu;
    if (!menu.Handle() || !trayIcon) return;
    for (const auto& [id, text] :
         {std::pair{TrayShow, "&Show"}, {TrayLog, "&Log"}, {TrayAbout, "&About"}, {TrayManual, "&Manual"}})
        AppendItem(menu.Handle(), MF_STRING, id, text);
    AppendMenuW(menu.Handle(), MF_SEPARATOR, 0, nullptr);
    AppendItem(menu.Handle(), MF_POPUP, reinterpret_cast<UINT_PTR>(SchedulesSubmenu(schedules)),
               "S&chedules");
    AppendMenuW(menu.Handle(), MF_SEPARATOR, 0, nullptr);
    AppendItem(menu.Handle(), MF_STRING, TrayExit, "E&xit");
    const UINT chosen = trayIcon->TrackMenu(menu.Handle(), TrayShow, anchor);
    // Escape on a menu opened from the keyboard: the keyboard goes back to
    // the icon. A click elsewhere leaves the focus where it went.
    if (chosen == 0 && trayIcon->MenuAskedByKeyboard() && ::GetForegroundWindow() == m_hWnd)
        trayIcon->ReturnFocus();
    if (chosen >= TrayFirstSchedule && chosen - TrayFirstSchedule < schedules.size()) {
        GoToSchedule(schedules[chosen - TrayFirstSchedule]);
    } else if (chosen == TrayNewSchedule) {
        OnNewSchedule(schedules);
    } else {
        OnTrayMenuChoice(chosen);
    }
}

void LauncherDialog::OnTrayMenuChoice(UINT id) {
    switch (id) {
        case TrayShow:
            SetHidden(false);
            break;
        case TrayLog:
            ShowLogDialog();
            break;
        case TrayAbout:
            ShowAboutDialog();
            break;
        case TrayManual:
            ShowManualDialog();
            break;
        case TrayExit:
            ConfirmExit();
            break;
    }
}

// Its own schedule shows this window, as Show does. Any other folder, also
// one removed since the menu opened, is the started launcher's to answer.
void LauncherDialog::GoToSchedule(const Schedule& schedule) {
    if (schedule.own) {
        SetHidden(false);
        return;
    }
    // In this launcher's working folder, where the home folder falls back to.
    std::string commandLine = "\"" + platform::ExecutablePath() + "\"";
    if (!schedule.home) commandLine += " /folder \"" + schedule.folder + "\"";
    const platform::SystemError error = platform::StartProcess(commandLine, "");
    if (error != 0)
        AfxMessageBox(("Could not start the launcher on " + schedule.folder + ": " +
                       FailureReason(error, platform::ExecutablePath()))
                          .c_str());
}

void LauncherDialog::OnNewSchedule(const std::vector<Schedule>& schedules) {
    NewScheduleDialog dialog(this, HomeScheduleFolder(), schedules);
    if (dialog.DoModal() == IDOK) GoToSchedule(dialog.Made());
}
