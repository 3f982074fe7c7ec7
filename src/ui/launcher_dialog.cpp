#include "ui/launcher_dialog.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

#include "core/schedule.h"
#include "log/log.h"
#include "platform/com_win32.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/end_for_update.h"
#include "ui/launcher_controls.h"
#include "ui/message_filter.h"
#include "ui/options_file.h"
#include "ui/path_box.h"
#include "ui/picker.h"
#include "ui/power.h"
#include "ui/read_only_colours.h"
#include "ui/tray_icon.h"

namespace {

const char* const BadProgramMessage = "Parameters for execution are invalid.\nCheck the program name.\n";
const char* const BadTimeMessage = "Parameters for execution are invalid.\nCheck the launch time.\n";
const char* const TimerFailedMessage = "Error Setting Timer";

// Sent by the shell to every top-level window when the task bar is created
// again, after Explorer restarts or when it came up after the launcher.
UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

// Only a minimised start hides. SW_SHOWDEFAULT, what an installer or a
// script gives when it names no show command, shows the window.
bool AsksForMinimisedStart(int showCommand) {
    return showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE ||
           showCommand == SW_SHOWMINNOACTIVE || showCommand == SW_FORCEMINIMIZE;
}

std::int64_t Now() { return platform::CurrentTimeMilliseconds(); }

// Paint context of one WM_PAINT, released however the painting ends.
class PaintContext {
public:
    explicit PaintContext(HWND window) : window(window) { dc = BeginPaint(window, &paint); }
    ~PaintContext() { EndPaint(window, &paint); }
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;
    HDC Dc() const { return dc; }

private:
    HWND window;
    PAINTSTRUCT paint{};
    HDC dc = nullptr;
};

}  // namespace

UINT AnotherStartMessage() {
    static const UINT message = RegisterWindowMessageA("OrvixLauncher.AnotherStart");
    return message;
}

LauncherDialog::LauncherDialog(CWnd* parent)
    : CDialog(IDD_LAUNCHER, parent),
      mainIcon(LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_MAIN_ICON))),
      smallIcon(AfxLoadSmallIcon(IDI_MAIN_ICON)) {}

LauncherDialog::~LauncherDialog() {
    // The icon leaves the notification area before the settings are saved.
    trayIcon.reset();
}

bool LauncherDialog::NeedComApartment() {
    if (!comApartment) comApartment = std::make_unique<platform::ComApartment>();
    return comApartment->IsReady();
}

int LauncherDialog::IsChecked(int id) const { return static_cast<int>(IsDlgButtonChecked(id)); }

void LauncherDialog::SetChecked(int id, int state) { CheckDlgButton(id, static_cast<UINT>(state)); }

void LauncherDialog::EnableControl(int id, bool on) { EnableDlgItem(id, on ? TRUE : FALSE); }

bool LauncherDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const StatusAnnouncer::Handling handling(statusAnnouncer);
    return HandleMessage(message, wParam, lParam, result);
}

bool LauncherDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The notification area: the icon's callback, and the task bar coming back.
    if (message == TrayNotifyMessage) {
        OnTrayNotify(wParam, lParam);
        result = 0;
        return true;
    }
    if (message != 0 && message == TaskbarCreatedMessage()) {
        if (trayIcon) trayIcon->OnTaskbarCreated();
        result = 0;
        return true;
    }
    if (message != 0 && message == AnotherStartMessage()) {
        OnAnotherStart();
        result = 0;
        return true;
    }
    if (message != 0 && message == EndForUpdateMessage()) {
        OnEndForUpdate(reinterpret_cast<HWND>(wParam));
        result = 0;
        return true;
    }
    // A command ended; its record is written here, on the window's thread.
    if (message == CommandFinishedMessage) {
        const auto command = static_cast<std::uint32_t>(lParam);
        const auto exitStatus = static_cast<std::uint32_t>(wParam);
        if (settings.CommandEnded(command, exitStatus) && exitStatus != 0)
            Tell(CommandFailedNotice(settings.GetProgramPath(), exitStatus));
        Carry(countdown.CommandEnded(command, Now()));
        result = 0;
        return true;
    }

    switch (message) {
        case WM_SYSCOMMAND:
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            result = 0;
            return true;
        case WM_PAINT:
            OnPaint();
            result = 0;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
            return true;
        case WM_DRAWITEM:
            if (!banner.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) break;
            result = TRUE;
            return true;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            // The dialog manager rescales the controls and their font.
            Default();
            result = 0;
            return true;
        case WM_TIMER:
            OnTimer(static_cast<UINT_PTR>(wParam));
            result = 0;
            return true;
        case ShellAnsweredMessage:
            OnShellAnswered(wParam, lParam);
            result = 0;
            return true;
        case WM_QUERYENDSESSION:
            // At once and without a question: a box here would be listed as
            // blocking the shutdown.
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (wParam) OnEndSession();
            result = 0;
            return true;
        case WM_WINDOWPOSCHANGING:
            // The modal loop shows the dialog once more when it first goes
            // idle, after the minimise command has hidden it.
            if (startHidden) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
            break;
        case WM_POWERBROADCAST:
            // An unattended wake sends only the first; a user at the
            // keyboard brings the second.
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
                Carry(countdown.Resume(Now()));
            result = TRUE;
            return true;
        case WM_TIMECHANGE:
            Carry(countdown.ClockSet(Now()));
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC:
            if (!ColourAsEditBox(wParam, lParam, {statusBox, countdownBox}, result)) break;
            return true;
        case WM_SYSCOLORCHANGE:
            OnColoursChanged(true);
            break;
        case WM_DISPLAYCHANGE:
            if (trayIcon) trayIcon->FollowTaskbarScaling();
            break;
        case WM_SETTINGCHANGE:
            OnColoursChanged(false);
            if (trayIcon) trayIcon->FollowTaskbarScaling();
            // Sent for many settings; the countdown looks whether the zone changed.
            if (const std::optional<CountdownAnswer> answer = countdown.SettingChanged(Now())) Carry(*answer);
            break;
        case WM_INITMENUPOPUP:
            if (HIWORD(lParam) != 0) ShowStartWithWindows();  // the system menu
            break;
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_CLOSE:
            // From outside, or from the exit question once answered Yes: the
            // run ends without asking (Escape alone may ask, see OnCancel).
            EndDialog(IDCANCEL);
            result = 0;
            return true;
        case WM_HSCROLL:
            // Keys, the wheel and a click on the channel move the slider in
            // steps; a drag only reports where it is until it ends.
            if (reinterpret_cast<HWND>(lParam) != intervalSlider || LOWORD(wParam) == TB_THUMBTRACK) break;
            OnSliderReleased();
            result = 0;
            return true;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            if (LOWORD(wParam) == IDC_LAUNCH) {
                OnLaunch();
                result = 0;
                return true;
            }
            if (OnButtonClick(LOWORD(wParam))) {
                result = 0;
                return true;
            }
            break;
        case WM_NOTIFY:
            // 0 lets the spin control take the step it announced.
            if (OnControlNotify(*reinterpret_cast<const NMHDR*>(lParam))) {
                result = 0;
                return true;
            }
            break;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}

BOOL LauncherDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!runningMark.empty()) SetPropW(m_hWnd, runningMark.c_str(), m_hWnd);
    // Called on the system's wait thread: posting is all it may do here.
    settings.SetCommandEndNotifier([window = m_hWnd](std::uint32_t command, std::uint32_t exitStatus) {
        ::PostMessageA(window, CommandFinishedMessage, static_cast<WPARAM>(exitStatus),
                       static_cast<LPARAM>(command));
    });
    // Likewise called on a start's own thread; the window owns the prompts.
    settings.SetShellAnswerNotifier(reinterpret_cast<std::uintptr_t>(m_hWnd),
                                    [window = m_hWnd](std::uint32_t start, platform::SystemError error) {
                                        ::PostMessageA(window, ShellAnsweredMessage,
                                                       static_cast<WPARAM>(error),
                                                       static_cast<LPARAM>(start));
                                    });
    // Started "as administrator", the launcher still hears a second start,
    // the task bar's return and an installer's request to end.
    AllowFromNormalPrograms(m_hWnd, {AnotherStartMessage(), TaskbarCreatedMessage(), EndForUpdateMessage()});
    SetUpSystemMenu();
    if (!SettingsFolder().empty()) SetCaption(GetWindowText());
    trayIcon = std::make_unique<TrayIcon>(this, TrayNotifyMessage, TipNow());
    CWinApp* app = AfxGetApp();
    if (app && AsksForMinimisedStart(app->m_nCmdShow)) {
        startHidden = true;
        PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    SetIcon(mainIcon, TRUE);
    SetIcon(smallIcon.Get() ? smallIcon.Get() : mainIcon, FALSE);
    SetUpControls();
    banner.SetUp(GetDlgItem(IDC_BANNER));
    settings.LoadConfiguration();
    countdown.RestorePickedTime(LoadPickedTime());
    RefreshIntervalText();
    RefreshControls();
    countdown.StartUp(Now(), runMissedOption);
    if (settings.autoRestart) OnLaunch();
    ShowNotices();
    if (settings.iconized) hideTimerId = SetTimer(HideTimer, HideTimerMilliseconds);
    statusAnnouncer.Attach(statusBox);
    return TRUE;
}

void LauncherDialog::SetUpSystemMenu() {
    HMENU systemMenu = GetSystemMenu(FALSE);
    if (!systemMenu) return;
    char aboutText[256] = "";
    LoadStringA(AfxGetInstanceHandle(), IDS_ABOUT_LAUNCHER, aboutText, sizeof aboutText);
    if (aboutText[0] == '\0') return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUT_LAUNCHER, aboutText);
    AppendOptionItems(systemMenu);
}

// Looks each control up once; a missing one is reported and its own
// settings skipped, and the set-up carries on.
void LauncherDialog::SetUpControls() {
    intervalSlider = GetDlgItem(IDC_INTERVAL_SLIDER);
    if (!intervalSlider) {
        AfxMessageBox("Failed locating slider ctrl");
    } else {
        ::SendMessageA(intervalSlider, TBM_SETRANGE, FALSE, MAKELPARAM(IntervalMinimum, IntervalMaximum));
        ::SendMessageA(intervalSlider, TBM_SETPOS, TRUE, settings.GetTimingInterval());
    }
    progressBar = GetDlgItem(IDC_PROGRESS);
    if (!progressBar) {
        AfxMessageBox("Failed locating progress bar ctrl");
    } else {
        ::SendMessageA(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    }
    intervalEdit = GetDlgItem(IDC_INTERVAL_EDIT);
    if (!intervalEdit) {
        AfxMessageBox("Failed locating slider_text window");
    } else {
        RefreshIntervalText();
    }
    statusBox = GetDlgItem(IDC_STATUS);
    if (!statusBox) {
        AfxMessageBox("Failed locating status window");
    } else {
        SetStatus("Stopped");
    }
    countdownBox = GetDlgItem(IDC_COUNTDOWN);
    if (!countdownBox) {
        AfxMessageBox("Failed locating elapsed window");
    } else {
        HwndSetText(countdownBox, StoppedCountdownText);
    }
    programPathEdit = GetDlgItem(IDC_PROGRAM_PATH);
    if (!programPathEdit) AfxMessageBox("Failed locating filename text window");
    intervalSpin = GetDlgItem(IDC_INTERVAL_SPIN);
    if (!intervalSpin) {
        AfxMessageBox("Failed locating spin button for interval");
    } else {
        ::SendMessageA(intervalSpin, UDM_SETRANGE, 0, MAKELPARAM(IntervalMaximum, IntervalMinimum));
        LRESULT sliderPosition =
            intervalSlider ? ::SendMessageA(intervalSlider, TBM_GETPOS, 0, 0) : IntervalMinimum;
        ::SendMessageA(intervalSpin, UDM_SETPOS, 0, MAKELPARAM(LOWORD(sliderPosition), 0));
    }
    testButton = GetDlgItem(IDC_TEST);
    todayButton = GetDlgItem(IDC_TODAY);
    browseButton = GetDlgItem(IDC_BROWSE);
    launchButton = GetDlgItem(IDC_LAUNCH);
    windowsProgramRadio = GetDlgItem(IDC_WINDOWS_PROGRAM);
    shellCommandRadio = GetDlgItem(IDC_SHELL_COMMAND);
    if (!testButton || !todayButton || !browseButton || !launchButton || !windowsProgramRadio ||
        !shellCommandRadio)
        AfxMessageBox("Failed locating button");
    datePicker = GetDlgItem(IDC_DATE_PICKER);
    if (!datePicker) AfxMessageBox("Failed locating date picker");
    timePicker = GetDlgItem(IDC_TIME_PICKER);
    if (!timePicker) AfxMessageBox("Failed locating time picker");
    LimitPickerRange(datePicker);
    LimitPickerRange(timePicker);
}

void LauncherDialog::OnSysCommand(UINT command, LPARAM) {
    if ((command & 0xFFF0) == IDM_ABOUT_LAUNCHER) {
        ShowAboutDialog();
        return;
    }
    if (OnOptionCommand(command & 0xFFF0)) return;
    // Whole values on purpose: only the plain commands hide the window.
    if (command == SC_MINIMIZE || command == SC_CLOSE) {
        SetHidden(true);
        SaveSettings();
        return;
    }
    Default();
}

void LauncherDialog::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    PaintContext paint(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Dc()), 0);
    int iconWidth = GetSystemMetrics(SM_CXICON);
    int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    int x = (client.right - client.left - iconWidth + 1) / 2;
    int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(paint.Dc(), x, y, mainIcon);
}

void LauncherDialog::OnTimer(UINT_PTR id) {
    Default();
    switch (id) {
        case HideTimer:
            OnHideTimer();
            break;
        case CountdownTimer:
        case LaunchTimer:
            Carry(countdown.Tick(Now()));
            break;
        case TrayRetryTimer:
            if (trayIcon) trayIcon->OnRetryTimer();
            break;
        case KeepAwakeTimer:
            Carry(countdown.AwakeCheck(Now()));
            break;
    }
}

void LauncherDialog::OnHideTimer() {
    SetHidden(true);
    SaveSettings();
    KillTimer(hideTimerId);
}

// In the countdown's order: what the window shows, the settings, the wake,
// the timers and the hold, and last the start, so that whatever the start
// leads to finds everything set up.
void LauncherDialog::Carry(const CountdownAnswer& answer) {
    if (answer.stopped) ShowStopped();
    if (answer.restartProgress) {
        SetStatus("Running");
        ::SendMessageA(progressBar, PBM_SETPOS, 0, 0);
    }
    if (answer.showMoment) RefreshControls();
    if (answer.saveSettings) SaveSettings();
    CarryWake(answer);
    CarryTimers(answer);
    if (answer.startProgram) StartDueProgram();
    if (countdown.IsRunning()) ShowCountdown();
    UpdateTip();
    ShowNotices();
}

void LauncherDialog::CarryWake(const CountdownAnswer& answer) {
    PowerControl& power = Power();
    if (answer.cancelWake) power.CancelWake();
    if (!answer.armWakeAt) return;
    const WakeArmResult armed = power.ArmWake(*answer.armWakeAt);
    countdown.WakeArmed(armed, armed == WakeArmResult::Armed ? power.WakeTimers() : WakeTimerPolicy::Allowed);
}

void LauncherDialog::CarryTimers(const CountdownAnswer& answer) {
    if (answer.oneShotMilliseconds) {
        SetPreciseTimer(LaunchTimer, *answer.oneShotMilliseconds);
    } else {
        KillTimer(LaunchTimer);
    }
    if (answer.holdAwake) {
        if (*answer.holdAwake) {
            Power().HoldAwake();
        } else {
            Power().ReleaseAwake();
        }
    }
    if (answer.awakeCheckMilliseconds) {
        SetTimer(KeepAwakeTimer, *answer.awakeCheckMilliseconds);
    } else {
        KillTimer(KeepAwakeTimer);
    }
}

// A command that the launch started is watched; the countdown keeps the
// computer awake while it runs.
void LauncherDialog::StartDueProgram() {
    ExecuteProgram();
    Carry(countdown.Started(settings.WatchedCommandOfLastStart(), Now()));
}

void LauncherDialog::ShowStopped() {
    if (countdownTimerId != 0) KillTimer(countdownTimerId);
    countdownTimerId = 0;
    EnableControls();
    HwndSetText(countdownBox, StoppedCountdownText);
    SetStatus("Stopped");
}

// The id of a killed countdown timer is not kept.
void LauncherDialog::StopCountdown() {
    if (countdownTimerId != 0) KillTimer(countdownTimerId);
    countdownTimerId = 0;
    Carry(countdown.Stop(Now()));
}

void LauncherDialog::OnLaunch() {
    if (!AcceptPathInBox(programPathEdit)) return;
    ReadPathAndInterval();
    const CountdownLaunch launch = countdown.Launch(ReadPickers(), Now());
    RefreshControls();
    if (countdown.IsRunning()) {
        countdownTimerId = SetTimer(CountdownTimer, TimerPeriodMilliseconds(settings.GetTimingInterval()));
        if (countdownTimerId != 0) {
            SetStatus("Running");
            DisableControls();
            Carry(launch.answer);
        } else {
            // Nothing would tick: the launcher stays stopped, its settings open.
            StopCountdown();
            ShowStopped();
            AfxMessageBox(TimerFailedMessage);
        }
    } else {
        ShowLaunchCheckMessage(launch.check);
    }
    SaveSettings();
    LogMessage(Info, __FILE__, __LINE__, "Launch Initiated");
}

PickedMoment LauncherDialog::ReadPickers() const {
    const std::tm now = LocalNow();
    PickedMoment picked{{now.tm_year + 1900, now.tm_mon + 1, now.tm_mday},
                        {now.tm_hour, now.tm_min, now.tm_sec}};
    SYSTEMTIME value{};
    if (ReadPicker(datePicker, value)) picked.date = CalendarDate{value.wYear, value.wMonth, value.wDay};
    if (ReadPicker(timePicker, value)) picked.time = ClockTime{value.wHour, value.wMinute, value.wSecond};
    return picked;
}

// Another start on the same settings: shown and in front, as the tray
// menu's Show leaves it, unless a window of ours is open over it.
void LauncherDialog::OnAnotherStart() {
    if (!::IsWindowEnabled(m_hWnd)) {
        BringOpenModalWindowForward();
        return;
    }
    SetHidden(false);
    SetForegroundWindow();
}

// The shell's answer to a start; a failure is recorded and told here, on
// the window's thread.
void LauncherDialog::OnShellAnswered(WPARAM error, LPARAM start) {
    if (!settings.ShellAnswered(static_cast<std::uint32_t>(start), static_cast<platform::SystemError>(error)))
        return;
    Tell(LaunchFailedNotice(settings.GetProgramPath(), settings.StartFailure()));
    ShowNotices();
}

// Logoff, shutdown or restart: once this returns Windows may end the
// process without running any destructor, so the settings are saved here.
void LauncherDialog::OnEndSession() {
    StopCountdown();
    SaveSettings();
    LogMessage(Info, __FILE__, __LINE__, "Program Exit");
    EndDialog(IDCANCEL);
}

void LauncherDialog::OnDestroy() {
    if (!runningMark.empty()) RemovePropW(m_hWnd, runningMark.c_str());
    StopCountdown();
    // The settings record saves the 18 lines as it goes.
    KeepPickedTime();
    // Nothing may post to this window once it is gone (a new one can take
    // its handle): the commands run on, unwatched, and a start still waiting
    // on a prompt is left to finish, unrecorded.
    settings.StopWatchingCommands();
    settings.StopWatchingShellStarts();
    statusAnnouncer.Detach();
}

void LauncherDialog::BringOpenModalWindowForward() {
    HWND modal = ::GetLastActivePopup(m_hWnd);
    if (modal != nullptr && modal != m_hWnd) ::SetForegroundWindow(modal);
}

// Trusts the flag rather than the window; nothing is saved.
void LauncherDialog::ToggleWindow() { SetHidden(!settings.iconized); }

// `iconized` records that the window is hidden in the notification area.
void LauncherDialog::SetHidden(bool hidden) {
    if (!hidden) startHidden = false;
    // A window minimised at its first show (a minimised start) would stay
    // minimised with SW_SHOW.
    ShowWindow(hidden ? SW_HIDE : IsIconic() ? SW_RESTORE : SW_SHOW);
    settings.iconized = hidden;
}

void LauncherDialog::ShowLaunchCheckMessage(LaunchCheck check) {
    if (check == BadProgram) AfxMessageBox(BadProgramMessage);
    if (check == BadTime) AfxMessageBox(BadTimeMessage);
}

void LauncherDialog::RefreshIntervalText() {
    ::SendMessageA(intervalEdit, WM_CLEAR, 0, 0);
    HwndSetText(intervalEdit, settings.TimingIntervalText().c_str());
}

bool LauncherDialog::ComputeLaunchTime() { return countdown.Pick(ReadPickers()); }

void LauncherDialog::ReadPathAndInterval() {
    // A path the settings file cannot keep stays out of the settings.
    if (const std::optional<std::string> path = KeptPathInBox(programPathEdit))
        settings.SetProgramPath(path->c_str());
    // No number in the box keeps the interval the launcher already has.
    if (auto interval = ParseIntervalText(HwndGetText(intervalEdit))) settings.SetTimingInterval(*interval);
}

bool LauncherDialog::ReadControls() {
    ReadPathAndInterval();
    return ComputeLaunchTime();
}

void LauncherDialog::RefreshControls() {
    ShowPathInBox(programPathEdit, settings.GetProgramPath());
    SetChecked(IDC_WINDOWS_PROGRAM, settings.IsWindowsProgram() ? BST_CHECKED : BST_UNCHECKED);
    SetChecked(IDC_SHELL_COMMAND, settings.IsWindowsProgram() ? BST_UNCHECKED : BST_CHECKED);
    // A launch time without a local date leaves the pickers as they were.
    std::tm launch{};
    if (platform::ToLocalTime(settings.GetLaunchTime(), launch)) {
        SYSTEMTIME moment = ToSystemTime(launch);
        SYSTEMTIME timeOfDay = moment;
        // A picked time the clocks skipped launches at the jump, but stays
        // the picked time: the next day's launch is computed from it again.
        const std::optional<ClockTime>& picked = countdown.PickedTime();
        if (picked && LaunchesAfterSkippedTime(settings.GetLaunchTime(), *picked)) {
            timeOfDay.wHour = static_cast<WORD>(picked->hour);
            timeOfDay.wMinute = static_cast<WORD>(picked->minute);
            timeOfDay.wSecond = static_cast<WORD>(picked->second);
        }
        WritePicker(timePicker, timeOfDay);
        WritePicker(datePicker, moment);
    }
    HwndSetText(intervalEdit, settings.TimingIntervalText().c_str());
    std::int32_t interval = settings.GetTimingInterval();
    ::SendMessageA(intervalSpin, UDM_SETPOS, 0, MAKELPARAM(LOWORD(interval), 0));
    ::SendMessageA(intervalSlider, TBM_SETPOS, TRUE, interval);
    if (settings.autoRestart) SetChecked(IDC_AUTO_RESTART, BST_CHECKED);
    for (int day = 0; day < 7; ++day) {
        if (settings.IsDayChecked(day)) SetChecked(DayBoxes[day], BST_CHECKED);
    }
    EnableDatePickerByMode();
}

void LauncherDialog::ShowCountdown() {
    UpdateProgress();
    UpdateCountdown();
}

double LauncherDialog::UpdateProgress() {
    double percentage = LaunchProgress(settings, platform::CurrentTime());
    // The bar shows 0..100; a clock set back or far past the launch stays on it.
    double shown = std::clamp(percentage, 0.0, 100.0);
    ::SendMessageA(progressBar, PBM_SETPOS, static_cast<WPARAM>(static_cast<int>(shown)), 0);
    return percentage;
}

void LauncherDialog::UpdateCountdown() {
    std::int64_t remaining = static_cast<std::int64_t>(settings.GetLaunchTime()) - platform::CurrentTime();
    std::string text = CountdownText(remaining);
    HwndSetText(countdownBox, text.c_str());
    SetCaption(text);
}

void LauncherDialog::DisableControls() {
    for (HWND control :
         {programPathEdit, intervalEdit, datePicker, timePicker, testButton, launchButton, browseButton,
          todayButton, intervalSpin, intervalSlider, windowsProgramRadio, shellCommandRadio}) {
        GreyControl(control);
    }
    for (int box : DayBoxes) GreyControl(GetDlgItem(box));
    GreyControl(GetDlgItem(IDC_AUTO_RESTART));
}

// A greyed control loses the focus and leaves the dialog with none: Enter,
// Tab and Escape would do nothing. The focus goes to Apply/Reset first, the
// default button, which is never greyed.
void LauncherDialog::GreyControl(HWND control) {
    if (!control) return;
    HWND focus = ::GetFocus();
    if (focus != nullptr && (focus == control || ::IsChild(control, focus))) {
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(IDC_APPLY_RESET)), TRUE);
    }
    EnableWindow(control, FALSE);
}

void LauncherDialog::EnableControls() {
    SetCaption(LauncherTitle);
    EnableWindow(programPathEdit, TRUE);
    EnableWindow(intervalEdit, TRUE);
    EnableDatePickerByMode();
    for (HWND control : {testButton, browseButton, todayButton, timePicker, intervalSpin, intervalSlider,
                         launchButton, windowsProgramRadio, shellCommandRadio}) {
        EnableWindow(control, TRUE);
    }
    for (int box : DayBoxes) EnableControl(box, true);
    EnableControl(IDC_AUTO_RESTART, true);
}

// In weekday mode the date picker only shows the next launch day.
void LauncherDialog::EnableDatePickerByMode() {
    if (settings.IsAnyDayChecked()) {
        GreyControl(datePicker);
    } else {
        EnableWindow(datePicker, TRUE);
    }
}

void LauncherDialog::SetStatus(const char* word) { HwndSetText(statusBox, word); }
