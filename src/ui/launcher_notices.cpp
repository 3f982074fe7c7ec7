// What the launcher tells the user beside its log: the balloons, the icon's
// tip, the caption's folder suffix, and the system menu's options that
// govern them.
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "core/start_options.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/launcher_dialog.h"
#include "ui/wake_option.h"

namespace {

struct OptionItem {
    UINT command;
    LauncherOption option;
    const char* text;
};

// In the system menu's order, below About.
const OptionItem OptionItems[] = {
    {IDM_WAKE_TO_RUN, LauncherOption::WakeToRun, "Wake the computer to launch"},
    {IDM_NOTIFY, LauncherOption::Notify, "Show notifications"},
    {IDM_RUN_MISSED, LauncherOption::RunMissed, "Run a missed launch at start"},
};

std::int64_t Now() { return platform::CurrentTimeMilliseconds(); }

// The notices name the program as the settings keep it, in the ANSI code page.
std::wstring FromAnsi(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

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
}

// False when `command` is none of the options.
bool LauncherDialog::OnOptionCommand(UINT command) {
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
    trayIcon->ShowBalloon(FromAnsi(shown->title), FromAnsi(shown->text), shown->IsError());
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
