#include "ui/launcher_dialog.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <iterator>
#include <string>

#include "core/schedule.h"
#include "log/log.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/about_dialog.h"
#include "ui/log_dialog.h"
#include "ui/maker.h"
#include "ui/manual_dialog.h"
#include "ui/message_filter.h"
#include "ui/path_box.h"
#include "ui/power.h"
#include "ui/tray_icon.h"
#include "ui/wake_option.h"

namespace {

constexpr int IntervalMinimum = 1;
constexpr int IntervalMaximum = 600;

// Weekday boxes indexed as tm_wday: Sunday first.
constexpr int DayBoxes[7] = {IDC_SUNDAY,   IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                             IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY};

const char* const BadProgramMessage = "Parameters for execution are invalid.\nCheck the program name.\n";
const char* const BadTimeMessage = "Parameters for execution are invalid.\nCheck the launch time.\n";
const char* const TimerFailedMessage = "Error Setting Timer";
const char* const ExitQuestion = "Exit the program and abort launch?";
const char* const PathCannotBeStoredMessage =
    "This path cannot be stored.\n\nThe name of the file or of one of its folders holds characters that "
    "the settings file cannot keep, and Windows has no short name for it. Choose a file in a folder "
    "whose name uses other characters.";
const char* const WakeToRunText = "Wake the computer to launch";

// A launch this late has its own record.
constexpr std::int64_t LateLaunchMilliseconds = 2000;
// The wake comes a minute early, so that the computer is up at the moment.
constexpr Moment WakeLeadSeconds = 60;
// The computer is kept awake this long before the moment and after a launch.
constexpr Moment KeepAwakeSeconds = 120;

// The tray menu's items. Their identifiers coincide with controls of the
// dialog (1028 is the Close button), so a choice is returned by the menu and
// never sent as a command.
struct TrayMenuItem {
    UINT id;
    const char* text;
};
constexpr UINT TrayShow = 1028;
constexpr UINT TrayLog = 1031;
constexpr UINT TrayAbout = 1027;
constexpr UINT TrayManual = 1030;
constexpr UINT TrayExit = 1026;
constexpr TrayMenuItem TrayMenuItems[] = {
    {TrayShow, "Show"}, {TrayLog, "Log"}, {TrayAbout, "About"}, {TrayManual, "Manual"}, {TrayExit, "Exit"}};

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

// A pop-up menu, destroyed however the handler ends.
class PopupMenu {
public:
    PopupMenu() : menu(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu) DestroyMenu(menu);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Handle() const { return menu; }

private:
    HMENU menu;
};

SYSTEMTIME ToSystemTime(const std::tm& local) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(local.tm_year + 1900);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);
    return time;
}

// False when the picker holds no date (it then reports nothing usable).
bool ReadPicker(HWND picker, SYSTEMTIME& time) {
    return picker &&
           ::SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) == GDT_VALID;
}

void WritePicker(HWND picker, const SYSTEMTIME& time) {
    ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

// Midnight at the start of `date`, with the weekday filled in by the library.
SYSTEMTIME StartOfDay(const CalendarDate& date) {
    std::tm local{};
    local.tm_year = date.year - 1900;
    local.tm_mon = date.month - 1;
    local.tm_mday = date.day;
    local.tm_isdst = -1;
    platform::Moment ignored = 0;
    platform::FromLocalTime(local, ignored);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    return ToSystemTime(local);
}

std::tm LocalNow() {
    std::tm local{};
    local.tm_year = 70;
    local.tm_mday = 1;
    platform::ToLocalTime(platform::CurrentTime(), local);
    return local;
}

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

int LauncherDialog::IsChecked(int id) const { return static_cast<int>(IsDlgButtonChecked(id)); }

void LauncherDialog::SetChecked(int id, int state) { CheckDlgButton(id, static_cast<UINT>(state)); }

void LauncherDialog::EnableControl(int id, bool on) { EnableDlgItem(id, on ? TRUE : FALSE); }

bool LauncherDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The notification area: the icon's callback, and the task bar coming back.
    if (message == TrayNotifyMessage) {
        result = OnTrayNotify(wParam, lParam);
        return true;
    }
    if (message != 0 && message == TaskbarCreatedMessage()) {
        trayRetriesLeft = TrayRetryCount;
        RetryTrayIcon();
        result = 0;
        return true;
    }
    if (message != 0 && message == AnotherStartMessage()) {
        OnAnotherStart();
        result = 0;
        return true;
    }
    // A command ended; its record is written here, on the window's thread.
    if (message == CommandFinishedMessage) {
        settings.CommandEnded(static_cast<std::uint32_t>(lParam), static_cast<std::uint32_t>(wParam));
        UpdateKeepAwake();
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
            // Window timers do not count time asleep: what fell due meanwhile
            // launches now, not at the next tick.
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) RecheckMoment();
            result = TRUE;
            return true;
        case WM_TIMECHANGE:
            // Setting the date and time can change the zone along with the clock.
            platform::ReloadTimeZone();
            OnClockOrZoneChange();
            result = 0;
            return true;
        case WM_SETTINGCHANGE:
            // Sent for many settings; only a zone that really changed counts.
            if (ZoneChanged()) OnClockOrZoneChange();
            break;
        case WM_DESTROY:
            if (!runningMark.empty()) RemovePropW(m_hWnd, runningMark.c_str());
            KillCountdownTimers();
            if (keepingAwake) Power().ReleaseAwake();
            keepingAwake = false;
            // Nothing may post to this window once it is gone (a new one can
            // take its handle): the commands run on, unwatched, and a start
            // still waiting on a prompt is left to finish, unrecorded.
            settings.StopWatchingCommands();
            settings.StopWatchingShellStarts();
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
            switch (LOWORD(wParam)) {
                case IDC_LAUNCH:
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

bool LauncherDialog::OnButtonClick(int id) {
    switch (id) {
        case IDC_TEST:
            OnTest();
            return true;
        case IDC_APPLY_RESET:
            OnApplyReset();
            return true;
        case IDC_TODAY:
            OnToday();
            return true;
        case IDC_MONDAY:
        case IDC_TUESDAY:
        case IDC_WEDNESDAY:
        case IDC_THURSDAY:
        case IDC_FRIDAY:
        case IDC_SATURDAY:
        case IDC_SUNDAY:
            OnDayBox(id);
            return true;
        case IDC_BROWSE:
            OnBrowse();
            return true;
        case IDC_WINDOWS_PROGRAM:
            OnWindowsProgram();
            return true;
        case IDC_SHELL_COMMAND:
            OnShellCommand();
            return true;
        case IDC_AUTO_RESTART:
            OnAutoRestart();
            return true;
        case IDC_LOG:
            ShowLogDialog();
            return true;
        case IDC_HELP_BUTTON:
            OnHelpButton();
            return true;
        case IDC_CLOSE:
            OnCloseButton();
            return true;
        case IDC_BANNER:  // the picture's click comes as STN_CLICKED, which equals BN_CLICKED
            OnBanner();
            return true;
        default:
            return false;
    }
}

bool LauncherDialog::OnControlNotify(const NMHDR& notice) {
    if (notice.idFrom == IDC_INTERVAL_SLIDER && notice.code == static_cast<UINT>(NM_RELEASEDCAPTURE)) {
        OnSliderReleased();
        return true;
    }
    if (notice.idFrom == IDC_INTERVAL_SPIN && notice.code == static_cast<UINT>(UDN_DELTAPOS)) {
        OnSpinDelta(reinterpret_cast<const NMUPDOWN&>(notice));
        return true;
    }
    return false;
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
    // Started "as administrator", the launcher still hears a second start
    // and the task bar's return.
    AllowFromNormalPrograms(m_hWnd, {AnotherStartMessage(), TaskbarCreatedMessage()});
    SetUpSystemMenu();
    AddTrayIcon();
    CWinApp* app = AfxGetApp();
    if (app && AsksForMinimisedStart(app->m_nCmdShow)) {
        startHidden = true;
        PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    SetIcon(mainIcon, TRUE);
    SetIcon(smallIcon.Get() ? smallIcon.Get() : mainIcon, FALSE);
    SetUpControls();
    settings.LoadConfiguration();
    RefreshIntervalText();
    RefreshControls();
    RememberZone();
    if (settings.autoRestart) {
        RecordMissedLaunches();
        OnLaunch();
    }
    if (settings.iconized) hideTimerId = SetTimer(HideTimer, HideTimerMilliseconds);
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
    wakeToRun = LoadWakeToRun();
    AppendMenuA(systemMenu, MF_STRING | (wakeToRun ? MF_CHECKED : MF_UNCHECKED), IDM_WAKE_TO_RUN,
                WakeToRunText);
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
    LimitPickerRanges();
}

// The pickers offer only dates that a moment can hold, so no launch time
// is picked that the launcher could not count down to.
void LauncherDialog::LimitPickerRanges() {
    std::tm first{};
    std::tm last{};
    if (!RepresentableRange(first, last)) return;
    SYSTEMTIME range[2] = {ToSystemTime(first), ToSystemTime(last)};
    for (HWND picker : {datePicker, timePicker}) {
        if (picker)
            ::SendMessageA(picker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
    }
}

void LauncherDialog::OnSysCommand(UINT command, LPARAM) {
    if ((command & 0xFFF0) == IDM_ABOUT_LAUNCHER) {
        ShowAboutDialog();
        return;
    }
    if ((command & 0xFFF0) == IDM_WAKE_TO_RUN) {
        OnWakeToRunCommand();
        return;
    }
    // Whole values on purpose: only the plain commands hide the window.
    if (command == SC_MINIMIZE || command == SC_CLOSE) {
        SetHidden(true);
        settings.SaveConfiguration();
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
            RecheckMoment();
            break;
        case TrayRetryTimer:
            RetryTrayIcon();
            break;
        case KeepAwakeTimer:
            UpdateKeepAwake();
            break;
    }
}

void LauncherDialog::OnHideTimer() {
    SetHidden(true);
    settings.SaveConfiguration();
    KillTimer(hideTimerId);
}

void LauncherDialog::RecheckMoment() {
    LaunchIfDue();
    // A tick already queued when the countdown stopped finds nothing to do.
    if (countdownTimerId == 0) return;
    UpdateProgress();
    UpdateCountdown();
    ArmLaunchTimer();
    UpdateKeepAwake();
}

// The one place a scheduled launch starts, whoever noticed that it is due:
// so each moment launches exactly once, and never before it.
void LauncherDialog::LaunchIfDue() {
    const Moment dueLaunchTime = settings.GetLaunchTime();
    if (countdownTimerId == 0 || platform::CurrentTime() < dueLaunchTime) return;
    const std::int64_t lateMilliseconds =
        platform::CurrentTimeMilliseconds() - std::int64_t{dueLaunchTime} * 1000;
    // What comes next is set up before the start, which can pump messages: a
    // tick or a notice handled meanwhile finds nothing due. Date mode launches
    // once; with no next launch moment every tick would launch again.
    const bool goesOn = settings.IsAnyDayChecked() && CountDownToNextDay(dueLaunchTime);
    if (goesOn) {
        // The stored moment is always the next one, should the run end now.
        settings.SaveConfiguration();
        ArmWakeTimer();
    } else {
        StopCountdown();
    }
    const bool todayUsedUp = settings.IsLaunched();
    if (lateMilliseconds > LateLaunchMilliseconds)
        LogMessage(Warn, __FILE__, __LINE__,
                   "Launch Late: " + std::to_string(lateMilliseconds / 1000) + " s");
    lastLaunch = platform::CurrentTime();
    settings.Execute();
    // The start marks today as used; the next day was chosen knowing better.
    if (goesOn) settings.SetLaunched(todayUsedUp);
    UpdateKeepAwake();
}

bool LauncherDialog::CountDownToNextDay(Moment dueLaunchTime) {
    SetStatus("Running");
    ::SendMessageA(progressBar, PBM_SETPOS, 0, 0);
    // Today is used up only when the launch that ran was today's: a tick
    // that comes late past midnight must not skip the new day.
    settings.SetLaunched(IsSameLocalDay(dueLaunchTime, platform::CurrentTime()));
    bool representable = ReadControls();
    if (representable && settings.GetLaunchTime() <= settings.GetCountdownStart()) {
        settings.SetLaunched(true);
        representable = ComputeLaunchTime();
    }
    RefreshControls();
    return representable;
}

void LauncherDialog::StopCountdown() {
    KillCountdownTimers();
    EnableControls();
    HwndSetText(countdownBox, StoppedCountdownText);
    SetStatus("Stopped");
}

// Stopped means no countdown timer (the id of a killed one is not kept), no
// launch timer and no wake: a stopped launcher wakes nothing.
void LauncherDialog::KillCountdownTimers() {
    if (countdownTimerId != 0) KillTimer(countdownTimerId);
    countdownTimerId = 0;
    KillTimer(LaunchTimer);
    Power().CancelWake();
}

void LauncherDialog::ArmLaunchTimer() {
    const std::int64_t left =
        std::int64_t{settings.GetLaunchTime()} * 1000 - platform::CurrentTimeMilliseconds();
    SetPreciseTimer(LaunchTimer, LaunchTimerMilliseconds(left));
}

// A launch missed while the launcher was not running is recorded, not made
// up for: a program that starts hours late, unannounced, surprises more
// than it helps.
void LauncherDialog::RecordMissedLaunches() {
    const int missed = MissedLaunchCount(settings, platform::CurrentTime());
    if (missed > 0) LogMessage(Warn, __FILE__, __LINE__, MissedLaunchText(settings.GetLaunchTime(), missed));
}

void LauncherDialog::OnClockOrZoneChange() {
    RememberZone();
    // A moment the new clock has carried past launches now, once; then the
    // next one keeps its wall-clock time in the clock's new reading.
    LaunchIfDue();
    if (countdownTimerId != 0) RecomputeMoment();
    RecheckMoment();
}

// The picked date and time stay as picked; `launched` and the start of the
// progress bar stay as they are.
void LauncherDialog::RecomputeMoment() {
    const Moment countdownStart = settings.GetCountdownStart();
    const Moment before = settings.GetLaunchTime();
    if (!ComputeLaunchTime()) settings.SetLaunchTime(before);
    settings.SetCountdownStart(countdownStart);
    RefreshControls();
    if (settings.GetLaunchTime() != before) ArmWakeTimer();
}

void LauncherDialog::RememberZone() {
    zoneAnchor = platform::CurrentTime();
    zoneFingerprint = ZoneFingerprint(zoneAnchor);
}

// The C library keeps the zone it read first until it is told to read it again.
bool LauncherDialog::ZoneChanged() {
    platform::ReloadTimeZone();
    return ZoneFingerprint(zoneAnchor) != zoneFingerprint;
}

void LauncherDialog::OnWakeToRunCommand() {
    wakeToRun = !wakeToRun;
    SaveWakeToRun(wakeToRun);
    CheckMenuItem(GetSystemMenu(FALSE), IDM_WAKE_TO_RUN,
                  MF_BYCOMMAND | (wakeToRun ? MF_CHECKED : MF_UNCHECKED));
    if (wakeToRun) {
        ArmWakeTimer();
    } else {
        Power().CancelWake();
    }
    UpdateKeepAwake();
}

// Armed while a countdown runs with the option on; where Windows cannot wake
// the computer, each arming says why, and the countdown goes on.
void LauncherDialog::ArmWakeTimer() {
    if (!wakeToRun || countdownTimerId == 0) return;
    PowerControl& power = Power();
    const WakeArmResult armed = power.ArmWake(settings.GetLaunchTime() - WakeLeadSeconds);
    const char* reason = nullptr;
    if (armed == WakeArmResult::Failed) {
        reason = "the wake timer could not be set";
    } else if (armed == WakeArmResult::Unsupported) {
        reason = "this computer cannot be woken by a timer";
    } else {
        const WakeTimerPolicy policy = power.WakeTimers();
        if (policy == WakeTimerPolicy::Off) reason = "wake timers are off in the power plan";
        if (policy == WakeTimerPolicy::ImportantOnly)
            reason = "the power plan allows only important wake timers";
    }
    if (reason) LogMessage(Warn, __FILE__, __LINE__, std::string("Wake Unavailable: ") + reason);
}

// From shortly before the moment until a while after the launch: after an
// unattended wake Windows would otherwise sleep again within minutes.
bool LauncherDialog::KeepAwakeWanted() const {
    if (!wakeToRun) return false;
    const Moment now = platform::CurrentTime();
    const bool launchNear =
        countdownTimerId != 0 && std::int64_t{settings.GetLaunchTime()} - now <= KeepAwakeSeconds;
    const bool justLaunched = lastLaunch && std::int64_t{now} - *lastLaunch < KeepAwakeSeconds;
    // A command that the launch started and that still runs holds it too.
    const bool commandRuns = lastLaunch && settings.IsCommandRunning();
    return launchNear || justLaunched || commandRuns;
}

void LauncherDialog::UpdateKeepAwake() {
    const bool wanted = KeepAwakeWanted();
    if (wanted != keepingAwake) {
        if (wanted) {
            Power().HoldAwake();
        } else {
            Power().ReleaseAwake();
        }
        keepingAwake = wanted;
    }
    // Before the moment the countdown looks again, and a command's end comes
    // as a message; after the launch nothing else would look, so a timer of
    // its own lets go in time.
    const Moment now = platform::CurrentTime();
    const std::int64_t left = lastLaunch ? std::int64_t{*lastLaunch} + KeepAwakeSeconds - now : 0;
    if (keepingAwake && left > 0 &&
        (countdownTimerId == 0 || settings.GetLaunchTime() - now > KeepAwakeSeconds)) {
        SetTimer(KeepAwakeTimer, static_cast<UINT>(left * 1000));
    } else {
        KillTimer(KeepAwakeTimer);
    }
}

void LauncherDialog::OnLaunch() {
    if (!AcceptPathInBox(programPathEdit)) return;
    bool momentValid = ReadControls();
    RefreshControls();
    LaunchCheck check = settings.CheckParameters();
    if (check == TodayPassed) {
        momentValid = ComputeLaunchTime();
        RefreshControls();
    }
    // A moment outside what the clock can count to is refused like a past one.
    if (!momentValid && check != BadProgram) check = BadTime;
    if (check == Valid || check == TodayPassed) {
        UpdateProgress();
        UpdateCountdown();
        countdownTimerId = SetTimer(CountdownTimer, TimerPeriodMilliseconds(settings.GetTimingInterval()));
        if (countdownTimerId != 0) {
            SetStatus("Running");
            DisableControls();
            ArmLaunchTimer();
            ArmWakeTimer();
            UpdateKeepAwake();
        } else {
            // Nothing would tick: the launcher stays stopped, its settings open.
            StopCountdown();
            AfxMessageBox(TimerFailedMessage);
        }
    } else {
        ShowLaunchCheckMessage(check);
    }
    settings.SaveConfiguration();
    LogMessage(Info, __FILE__, __LINE__, "Launch Initiated");
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

// The shell's answer to a start; a failure is recorded here, on the
// window's thread.
void LauncherDialog::OnShellAnswered(WPARAM error, LPARAM start) {
    settings.ShellAnswered(static_cast<std::uint32_t>(start), static_cast<platform::SystemError>(error));
}

// Logoff, shutdown or restart: once this returns Windows may end the
// process without running any destructor, so the settings are saved here.
void LauncherDialog::OnEndSession() {
    KillCountdownTimers();
    settings.SaveConfiguration();
    LogMessage(Info, __FILE__, __LINE__, "Program Exit");
    EndDialog(IDCANCEL);
}

void LauncherDialog::AddTrayIcon() {
    trayIcon = std::make_unique<TrayIcon>(this, TrayNotifyMessage, LauncherTitle);
    if (!trayIcon->IsAdded() || trayIcon->IsInNotificationArea()) return;
    // At logon the task bar may not be ready yet, and a launcher that starts
    // hidden could not be reached without its icon.
    trayRetriesLeft = TrayRetryCount;
    SetTimer(TrayRetryTimer, TrayRetryMilliseconds);
}

void LauncherDialog::RetryTrayIcon() {
    if (trayIcon && !trayIcon->AddAgain() && trayRetriesLeft-- > 0) {
        SetTimer(TrayRetryTimer, TrayRetryMilliseconds);
    } else {
        KillTimer(TrayRetryTimer);
    }
}

LRESULT LauncherDialog::OnTrayNotify(WPARAM, LPARAM mouseMessage) {
    const UINT message = static_cast<UINT>(mouseMessage);
    const bool click = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN;
    if (!click) return 0;
    // A modal window of ours is open (it disables this one): a second viewer,
    // menu or exit question would stack on it, so it only comes forward.
    if (!::IsWindowEnabled(m_hWnd)) {
        BringOpenModalWindowForward();
        return 0;
    }
    if (message == WM_RBUTTONDOWN) {
        OnTrayMenuChoice(TrackTrayMenu());
    } else if (message == WM_LBUTTONDBLCLK) {
        // Its button-down has toggled already; a second toggle would undo it.
        SetHidden(false);
    } else {
        ToggleWindow();
    }
    return 0;
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

UINT LauncherDialog::TrackTrayMenu() {
    PopupMenu menu;
    if (!menu.Handle()) return 0;
    for (const TrayMenuItem& item : TrayMenuItems) AppendMenuA(menu.Handle(), MF_STRING, item.id, item.text);
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow();
    BOOL chosen =
        AfxTrackPopupMenu(menu.Handle(), TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y, m_hWnd);
    // Lets the menu's owner leave the menu mode, or the next click is lost.
    PostMessage(WM_NULL);
    return static_cast<UINT>(chosen);
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

void LauncherDialog::ShowLaunchCheckMessage(LaunchCheck check) {
    if (check == BadProgram) AfxMessageBox(BadProgramMessage);
    if (check == BadTime) AfxMessageBox(BadTimeMessage);
}

void LauncherDialog::RefreshIntervalText() {
    ::SendMessageA(intervalEdit, WM_CLEAR, 0, 0);
    HwndSetText(intervalEdit, settings.TimingIntervalText().c_str());
}

bool LauncherDialog::ComputeLaunchTime() {
    std::tm now = LocalNow();
    CalendarDate pickedDate{now.tm_year + 1900, now.tm_mon + 1, now.tm_mday};
    ClockTime time{now.tm_hour, now.tm_min, now.tm_sec};
    SYSTEMTIME picked{};
    if (ReadPicker(datePicker, picked)) pickedDate = CalendarDate{picked.wYear, picked.wMonth, picked.wDay};
    if (ReadPicker(timePicker, picked)) time = ClockTime{picked.wHour, picked.wMinute, picked.wSecond};
    pickedTime = time;
    CalendarDate launchDate;
    bool representable = ComputeLaunchMoment(settings, pickedDate, time, launchDate);
    if (representable && settings.IsAnyDayChecked()) WritePicker(datePicker, StartOfDay(launchDate));
    return representable;
}

bool LauncherDialog::ReadControls() {
    // A path the settings file cannot keep stays out of the settings.
    if (const std::optional<std::string> path = KeptPathInBox(programPathEdit))
        settings.SetProgramPath(path->c_str());
    // No number in the box keeps the interval the launcher already has.
    if (auto interval = ParseIntervalText(HwndGetText(intervalEdit))) settings.SetTimingInterval(*interval);
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
        if (pickedTime && LaunchesAfterSkippedTime(settings.GetLaunchTime(), *pickedTime)) {
            timeOfDay.wHour = static_cast<WORD>(pickedTime->hour);
            timeOfDay.wMinute = static_cast<WORD>(pickedTime->minute);
            timeOfDay.wSecond = static_cast<WORD>(pickedTime->second);
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
    SetWindowText(text.c_str());
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
    SetWindowText(LauncherTitle);
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

// ---- Test, Apply/Reset, Today and the weekday boxes. None of them saves.

void LauncherDialog::OnTest() {
    if (!AcceptPathInBox(programPathEdit)) return;
    ReadControls();
    RefreshControls();
    if (settings.CheckParameters() == BadProgram) {
        AfxMessageBox(BadProgramMessage);
    } else {
        // A test ignores the launch time, and must not use up today's
        // scheduled launch: neither the one Execute marks nor the one the
        // check marks when today's time has passed.
        ::SendMessageA(progressBar, PBM_SETPOS, 100, 0);
        settings.Execute();
        settings.SetLaunched(false);
        SetStatus("Tested");
    }
    LogMessage(Info, __FILE__, __LINE__, "Program Test Initiated");
}

void LauncherDialog::OnApplyReset() {
    if (!AcceptPathInBox(programPathEdit)) return;
    EnableControls();
    // `launched` still holds here, so right after today's launch the date
    // picker shows the next checked day, not today.
    ReadControls();
    RefreshControls();
    ::SendMessageA(progressBar, PBM_SETPOS, 0, 0);
    HwndSetText(countdownBox, StoppedCountdownText);
    settings.SetLaunched(false);
    KillCountdownTimers();
    UpdateKeepAwake();
    SetStatus("Reset");
    LogMessage(Info, __FILE__, __LINE__, "Applied/Reset Selected by user");
}

void LauncherDialog::OnToday() {
    const SYSTEMTIME now = ToSystemTime(LocalNow());
    WritePicker(timePicker, now);
    WritePicker(datePicker, now);
    settings.SetCountdownStart(platform::CurrentTime());
    settings.SetLaunchTime(platform::CurrentTime());
    LogMessage(Info, __FILE__, __LINE__, "Current time selected by user");
}

// The launch time is left as it is; the next reading of the controls
// computes it.
void LauncherDialog::OnDayBox(int id) {
    const int weekday = static_cast<int>(std::find(std::begin(DayBoxes), std::end(DayBoxes), id) - DayBoxes);
    settings.SetDayChecked(weekday, IsChecked(id) != 0);
    EnableDatePickerByMode();
}

// ---- Choosing the program, Auto-Restart and the interval controls. The
// settings change at once and reach the configuration file with its next save.

void LauncherDialog::OnBrowse() {
    // A chosen shortcut stays the shortcut, with its arguments and start-in
    // folder, rather than becoming its target.
    CFileDialog fileDialog(TRUE, nullptr, nullptr,
                           OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NODEREFERENCELINKS, nullptr, nullptr);
    const std::string statusBefore = HwndGetText(statusBox);
    SetStatus("Updating");
    // Cancel keeps the path the user had; an empty one would be saved over
    // the stored path at the next save.
    if (fileDialog.DoModal() != IDOK) {
        SetStatus(statusBefore.c_str());
        return;
    }
    // The settings file is ANSI text: a path it cannot hold changes nothing.
    const std::string path = fileDialog.GetPathName();
    if (path.empty()) {
        AfxMessageBox(PathCannotBeStoredMessage);
        SetStatus(statusBefore.c_str());
        return;
    }
    ::SendMessageA(programPathEdit, WM_CLEAR, 0, 0);
    settings.SetProgramPath(path.c_str());
    ShowPathInBox(programPathEdit, path);
    SetStatus("Stopped");
    LogMessage(Info, __FILE__, __LINE__,
               "Program File Loaded: " + platform::AnsiPath(settings.GetProgramPath()));
}

void LauncherDialog::OnWindowsProgram() { settings.SetWindowsProgram(true); }

void LauncherDialog::OnShellCommand() { settings.SetWindowsProgram(false); }

void LauncherDialog::OnAutoRestart() { settings.autoRestart = IsChecked(IDC_AUTO_RESTART) != 0; }

void LauncherDialog::OnSliderReleased() {
    const auto position = static_cast<std::int32_t>(::SendMessageA(intervalSlider, TBM_GETPOS, 0, 0));
    settings.SetTimingInterval(position);
    ::SendMessageA(intervalSpin, UDM_SETPOS, 0, MAKELPARAM(LOWORD(position), 0));
    RefreshIntervalText();
}

// The spin control announces a step before it takes it: the interval takes
// the position the step leads to, so every click shows at once.
void LauncherDialog::OnSpinDelta(const NMUPDOWN& step) {
    const auto target = static_cast<std::int32_t>(std::clamp<long long>(
        static_cast<long long>(step.iPos) + step.iDelta, IntervalMinimum, IntervalMaximum));
    settings.SetTimingInterval(target);
    ::SendMessageA(intervalSlider, TBM_SETPOS, TRUE, target);
    RefreshIntervalText();
}

// ---- Dialogs, Close, Exit and the banner.

void LauncherDialog::ShowLogDialog() {
    LogDialog log(this);
    log.DoModal();
}

void LauncherDialog::ShowManualDialog() {
    ManualDialog manual(this);
    manual.DoModal();
}

void LauncherDialog::OnHelpButton() { ShowManualDialog(); }

void LauncherDialog::ShowAboutDialog() {
    AboutDialog about;
    about.DoModal();
}

// Unlike the close box, the Close button does not save.
void LauncherDialog::OnCloseButton() { SetHidden(true); }

// Escape. While a countdown runs, ending would silently abort the launch, and
// the vanished window looks just like one hidden in the notification area.
void LauncherDialog::OnCancel() {
    if (countdownTimerId != 0) {
        ConfirmExit();
        return;
    }
    CDialog::OnCancel();
}

void LauncherDialog::ConfirmExit() {
    const int answer = AfxMessageBox(ExitQuestion, MB_YESNO | MB_ICONHAND | MB_SYSTEMMODAL);
    settings.iconized = true;
    settings.SaveConfiguration();
    if (answer != IDYES) return;
    LogMessage(Info, __FILE__, __LINE__, "Program Exit");
    SendMessage(WM_CLOSE);
}

void LauncherDialog::OnBanner() { AfxShellOpen(m_hWnd, MakerWebAddress); }
