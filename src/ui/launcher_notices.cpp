// The launcher's side of the notification area and what it tells the user
// beside its log: the icon's clicks and menu, the balloons, the icon's tip,
// the caption's folder suffix, and the system menu's options that govern them.
#include <string>
#include <utility>
#include <vector>

#include "core/start_options.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/launcher_dialog.h"
#include "ui/options_file.h"

namespace {

struct OptionItem {
    UINT command;
    LauncherOption option;
    const char* text;
};

// In the system menu's order, below About.
const OptionItem OptionItems[] = {
    {IDM_WAKE_TO_RUN, LauncherOption::WakeToRun, "&Wake the computer to launch"},
    {IDM_NOTIFY, LauncherOption::Notify, "Show noti&fications"},
    {IDM_RUN_MISSED, LauncherOption::RunMissed, "Run a missed &launch at start"},
};

std::int64_t Now() { return platform::CurrentTimeMilliseconds(); }

}  // namespace

void LauncherDialog::AppendOptionItems(HMENU systemMenu) {
    for (const OptionItem& item : OptionItems) {
        const bool on = LoadOption(item.option);
        if (item.option == LauncherOption::WakeToRun) {
            // Nothing runs yet, so the option's answer has nothing to carry.
            countdown.SetWakeOption(on, Now());
        } else {
            (item.option == LauncherOption::Notify ? notifyOption : runMissedOption) = on;
        }
        AppendMenuA(systemMenu, MF_STRING | (on ? MF_CHECKED : MF_UNCHECKED), item.command, item.text);
    }
    // Its check mark is read as the menu opens.
    AppendMenuW(systemMenu, MF_STRING, IDM_START_WITH_WINDOWS, L"Start with Win&dows");
}

// False when `command` is none of the options.
bool LauncherDialog::OnOptionCommand(UINT command) {
    if (command == IDM_START_WITH_WINDOWS) {
        OnStartWithWindows();
        return true;
    }
    for (const OptionItem& item : OptionItems) {
        if (item.command != command) continue;
        bool on = false;
        if (item.option == LauncherOption::WakeToRun) {
            on = !countdown.WakeOption();
        } else {
            bool& option = item.option == LauncherOption::Notify ? notifyOption : runMissedOption;
            on = option = !option;
        }
        SaveOption(item.option, on);
        CheckMenuItem(GetSystemMenu(FALSE), command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
        if (item.option == LauncherOption::WakeToRun) Carry(countdown.SetWakeOption(on, Now()));
        return true;
    }
    return false;
}

bool LauncherDialog::ExecuteProgram() {
    if (settings.Execute()) return true;
    Tell(LaunchFailedNotice(settings.GetProgramPath(), settings.StartFailure()));
    return false;
}

void LauncherDialog::Tell(Notice notice) { notices.push_back(std::move(notice)); }

void LauncherDialog::ShowNotices() {
    std::vector<Notice> all = countdown.TakeNotices();
    all.insert(all.end(), notices.begin(), notices.end());
    notices.clear();
    const std::optional<Notice> shown = MostSevere(all);
    if (!shown || !notifyOption || !trayIcon) return;
    // Notices are ANSI text, as the log is.
    trayIcon->ShowBalloon(platform::WidePath(platform::PathFromAnsi(shown->title)),
                          platform::WidePath(platform::PathFromAnsi(shown->text)), shown->IsError());
}

// Launchers on different folders are told apart by the folder's name.
void LauncherDialog::SetCaption(const std::string& text) {
    ::SetWindowTextW(m_hWnd, platform::WidePath(text + FolderSuffix(SettingsFolder())).c_str());
}

void LauncherDialog::UpdateTip() {
    if (trayIcon) trayIcon->SetTip(TipNow());
}

std::wstring LauncherDialog::TipNow() const {
    std::optional<Moment> next;
    if (countdown.IsRunning()) next = settings.GetLaunchTime();
    return platform::WidePath(TipText(next, FolderSuffix(SettingsFolder())));
}

void LauncherDialog::OnTrayNotify(WPARAM anchor, LPARAM notice) {
    if (trayIcon) trayIcon->Hear(notice);
    const TrayRequest request = TrayIcon::RequestOf(notice);
    if (request == TrayRequest::Nothing) return;
    // A modal window of ours is open (it disables this one): a second viewer,
    // menu or exit question would stack on it, so it only comes forward.
    if (!::IsWindowEnabled(m_hWnd)) {
        BringOpenModalWindowForward();
        return;
    }
    if (request == TrayRequest::Menu && trayIcon) {
        OpenTrayMenu(anchor);
    } else if (request == TrayRequest::Show) {
        SetHidden(false);
    } else if (request == TrayRequest::Toggle) {
        ToggleWindow();
    } else if (request == TrayRequest::Log) {
        ShowLogDialog();
    }
}
