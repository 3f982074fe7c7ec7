#include "ui/launcher_dialog.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

#include "core/schedule.h"
#include "log/log.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/about_dialog.h"
#include "ui/tray_icon.h"

namespace {

constexpr int IntervalMinimum = 1;
constexpr int IntervalMaximum = 600;

// Weekday boxes indexed as tm_wday: Sunday first.
constexpr int DayBoxes[7] = {IDC_SUNDAY,   IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                             IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY};

const char* const BadProgramMessage = "Parameters for execution are invalid.\nCheck the program name.\n";
const char* const BadTimeMessage = "Parameters for execution are invalid.\nCheck the launch time.\n";
const char* const TimerFailedMessage = "Error Setting Timer";

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

LauncherDialog::LauncherDialog(CWnd* parent) : CDialog(IDD_LAUNCHER, parent) {
    mainIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_MAIN_ICON));
}

LauncherDialog::~LauncherDialog() {
    // The icon leaves the notification area before the settings are saved.
    trayIcon.reset();
}

int LauncherDialog::IsChecked(int id) const { return static_cast<int>(IsDlgButtonChecked(id)); }

void LauncherDialog::SetChecked(int id, int state) { CheckDlgButton(id, static_cast<UINT>(state)); }

void LauncherDialog::EnableControl(int id, bool on) { EnableDlgItem(id, on ? TRUE : FALSE); }

bool LauncherDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Not mapped yet: the tray icon's callback, the other buttons' commands
    // and the slider and spin notifications.
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
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case IDC_LAUNCH:
                    OnLaunch();
                    result = 0;
                    return true;
            }
            break;
    }
    return CDialog::OnMessage(message, wParam, lParam, result);
}

BOOL LauncherDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetUpSystemMenu();
    trayIcon = std::make_unique<TrayIcon>(this, TrayNotifyMessage, LauncherTitle);
    CWinApp* app = AfxGetApp();
    if (app && (app->m_nCmdShow & 6) != 0) PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    SetIcon(mainIcon, TRUE);
    SetIcon(mainIcon, FALSE);
    SetUpControls();
    settings.LoadConfiguration();
    RefreshIntervalText();
    RefreshControls();
    if (settings.autoRestart) OnLaunch();
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
        AboutDialog about;
        about.DoModal();
        return;
    }
    // Whole values on purpose: only the plain commands hide the window.
    if (command == SC_MINIMIZE || command == SC_CLOSE) {
        settings.iconized = true;
        settings.SaveConfiguration();
        ShowWindow(SW_HIDE);
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
    if (id == HideTimer) {
        OnHideTimer();
    } else {
        OnCountdownTick();
    }
}

void LauncherDialog::OnHideTimer() {
    settings.iconized = true;
    settings.SaveConfiguration();
    ShowWindow(SW_HIDE);
    KillTimer(hideTimerId);
}

void LauncherDialog::OnCountdownTick() {
    if (UpdateProgress() >= 100) {
        const Moment dueLaunchTime = settings.GetLaunchTime();
        settings.Execute();
        // Date mode launches once. With no next launch moment every tick
        // would launch again.
        if (!settings.IsAnyDayChecked() || !CountDownToNextDay(dueLaunchTime)) {
            StopCountdown();
            return;
        }
    }
    UpdateCountdown();
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
    KillTimer(countdownTimerId);
    EnableControls();
    HwndSetText(countdownBox, StoppedCountdownText);
    countdownTimerId = 0;
    SetStatus("Stopped");
}

void LauncherDialog::OnLaunch() {
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
    settings.SetProgramPath(HwndGetText(programPathEdit).c_str());
    // No number in the box keeps the interval the launcher already has.
    if (auto interval = ParseIntervalText(HwndGetText(intervalEdit))) settings.SetTimingInterval(*interval);
    return ComputeLaunchTime();
}

void LauncherDialog::RefreshControls() {
    HwndSetText(programPathEdit, settings.GetProgramPath().c_str());
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
    EnableWindow(datePicker, settings.IsAnyDayChecked() ? FALSE : TRUE);
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
        EnableWindow(control, FALSE);
    }
    for (int box : DayBoxes) EnableControl(box, false);
    EnableControl(IDC_AUTO_RESTART, false);
}

void LauncherDialog::EnableControls() {
    SetWindowText(LauncherTitle);
    EnableWindow(programPathEdit, TRUE);
    EnableWindow(intervalEdit, TRUE);
    // In weekday mode the date picker only shows the next launch day.
    EnableWindow(datePicker, settings.IsAnyDayChecked() ? FALSE : TRUE);
    for (HWND control : {testButton, browseButton, todayButton, timePicker, intervalSpin, intervalSlider,
                         launchButton, windowsProgramRadio, shellCommandRadio}) {
        EnableWindow(control, TRUE);
    }
    for (int box : DayBoxes) EnableControl(box, true);
    EnableControl(IDC_AUTO_RESTART, true);
}

void LauncherDialog::SetStatus(const char* word) { HwndSetText(statusBox, word); }
