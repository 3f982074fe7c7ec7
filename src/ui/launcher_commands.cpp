// The launcher dialog's buttons and controls that do not drive the countdown:
// Test, Apply/Reset, Today, the weekday boxes, choosing the program, the
// interval controls, the other dialogs, Close and Exit.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

#include "log/log.h"
#include "platform/os.h"
#include "resource.h"
#include "ui/about_dialog.h"
#include "ui/launcher_controls.h"
#include "ui/launcher_dialog.h"
#include "ui/log_dialog.h"
#include "ui/maker.h"
#include "ui/manual_dialog.h"
#include "ui/options_file.h"
#include "ui/path_box.h"
#include "ui/picker.h"

namespace {

const char* const ExitQuestion = "Exit the program and abort launch?";
const char* const PathCannotBeStoredMessage =
    "This path cannot be stored.\n\nThe name of the file or of one of its folders holds characters that "
    "the settings file cannot keep, and Windows has no short name for it. Choose a file in a folder "
    "whose name uses other characters.";

}  // namespace

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

// ---- Test, Apply/Reset, Today and the weekday boxes. None of them saves.

void LauncherDialog::OnTest() {
    if (!AcceptPathInBox(programPathEdit)) return;
    ReadControls();
    RefreshControls();
    if (settings.CheckParameters() == BadProgram) {
        ShowLaunchCheckMessage(BadProgram);
    } else {
        // A test ignores the launch time, and must not use up today's
        // scheduled launch: neither the one Execute marks nor the one the
        // check marks when today's time has passed.
        ::SendMessageA(progressBar, PBM_SETPOS, 100, 0);
        ExecuteProgram();
        settings.SetLaunched(false);
        SetStatus("Tested");
    }
    LogMessage(Info, __FILE__, __LINE__, "Program Test Initiated");
    ShowNotices();
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
    StopCountdown();
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

// ---- Dialogs, Close, Exit, the banner and a change of display scaling.

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
    if (countdown.IsRunning()) {
        ConfirmExit();
        return;
    }
    CDialog::OnCancel();
}

void LauncherDialog::SaveSettings() {
    settings.SaveConfiguration();
    KeepPickedTime();
}

// Before the pickers were ever read the kept time stays as it is.
void LauncherDialog::KeepPickedTime() {
    if (const std::optional<ClockTime>& picked = countdown.PickedTime())
        SavePickedTime(*picked, settings.IsAnyDayChecked());
}

void LauncherDialog::ConfirmExit() {
    const int answer = AfxMessageBox(ExitQuestion, MB_YESNO | MB_ICONHAND | MB_SYSTEMMODAL);
    settings.iconized = true;
    SaveSettings();
    if (answer != IDYES) return;
    LogMessage(Info, __FILE__, __LINE__, "Program Exit");
    SendMessage(WM_CLOSE);
}

void LauncherDialog::OnBanner() { AfxShellOpen(m_hWnd, MakerWebAddress); }

void LauncherDialog::OnDpiChanged(UINT dpi, const RECT& suggested) {
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    banner.Rescale(dpi);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    HICON sized = AfxLoadSmallIconForDpi(IDI_MAIN_ICON, dpi);
    if (sized) {
        SetIcon(sized, FALSE);
        smallIcon.Reset(sized);
    }
}

void LauncherDialog::OnColoursChanged(bool sentToTopLevel) {
    if (sentToTopLevel) {
        for (HWND control = ::GetWindow(m_hWnd, GW_CHILD); control;
             control = ::GetWindow(control, GW_HWNDNEXT))
            ::SendMessageW(control, WM_SYSCOLORCHANGE, 0, 0);
    }
    banner.LookAgain();
    InvalidateRect(GetDlgItem(IDC_BANNER), nullptr, TRUE);
}
