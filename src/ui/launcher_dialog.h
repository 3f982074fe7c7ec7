// The launcher's main window: every launch setting, the status word, the
// countdown and the progress bar. Owns the launch settings record and the
// notification-area icon for exactly as long as the dialog object lives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/countdown.h"
#include "core/notice.h"
#include "core/program.h"
#include "core/schedule.h"
#include "core/schedules.h"
#include "framework/afx.h"
#include "ui/banner.h"
#include "ui/status_announcer.h"
#include "ui/tray_icon.h"

// Window timers of the dialog, the tray icon's callback message, the
// message that brings a command's end to the dialog (the exit status in
// wParam, the command's number in lParam) and the one that brings the
// shell's answer to a start (the answer in wParam, the start's number in
// lParam). The countdown ticks at the interval; the launch timer fires once,
// on the moment; the keep-awake timer looks again when the countdown says
// the hold is to change.
inline constexpr UINT_PTR CountdownTimer = 1;
inline constexpr UINT_PTR LaunchTimer = 2;
inline constexpr UINT_PTR KeepAwakeTimer = 3;
inline constexpr UINT_PTR HideTimer = 100;
inline constexpr UINT HideTimerMilliseconds = 2000;
inline constexpr UINT TrayNotifyMessage = WM_USER + 1;
inline constexpr UINT CommandFinishedMessage = WM_APP + 1;
inline constexpr UINT ShellAnsweredMessage = WM_APP + 2;
inline constexpr const char* const LauncherTitle = "Orvix Launcher";

// Sent by a second start of the launcher on the same settings to the running
// launcher's window, which then shows itself.
UINT AnotherStartMessage();

namespace platform {
class ComApartment;
}

class LauncherDialog : public CDialog {
public:
    explicit LauncherDialog(CWnd* parent = nullptr);
    ~LauncherDialog() override;

    // Marks the window with this window property while it exists, so that
    // another start on the same settings finds it whatever its title shows.
    void MarkAsRunningLauncher(std::wstring mark) { runningMark = std::move(mark); }

    BOOL OnInitDialog() override;
    // Escape; asks first while a countdown runs.
    void OnCancel() override;

    // By-identifier helpers; each looks the control up on every call.
    int IsChecked(int id) const;
    void SetChecked(int id, int state);
    void EnableControl(int id, bool on);

    // Shared with the tray menu and the system menu.
    void ShowLogDialog();
    void ShowAboutDialog();
    void ShowManualDialog();
    // Asks before ending the program; saves `iconized` whatever the answer.
    void ConfirmExit();

    UINT_PTR CountdownTimerId() const { return countdownTimerId; }
    bool WakeToRun() const { return countdown.WakeOption(); }
    bool Notifies() const { return notifyOption; }
    bool RunsMissedLaunch() const { return runMissedOption; }
    UINT_PTR HideTimerId() const { return hideTimerId; }
    HICON MainIcon() const { return mainIcon; }
    const Banner& GetBanner() const { return banner; }
    // COM on the window's thread (shortcuts, the screen reader's properties),
    // made at the first need, never at start-up, and kept until the dialog
    // object goes. False when COM cannot be had.
    bool NeedComApartment();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void OnSysCommand(UINT command, LPARAM parameter);
    void OnPaint();
    HICON OnQueryDragIcon() const { return mainIcon; }
    void OnTimer(UINT_PTR id);
    void OnHideTimer();

    // The countdown decides; these carry its answers to the window.
    void Carry(const CountdownAnswer& answer);
    // The 18-line settings file, and beside it the picked time of day that
    // the file cannot hold.
    void SaveSettings();
    void KeepPickedTime();
    void CarryWake(const CountdownAnswer& answer);
    void CarryTimers(const CountdownAnswer& answer);
    void StartDueProgram();
    void ShowStopped();
    // Ends the countdown's timers and whatever the countdown holds.
    void StopCountdown();
    void OnLaunch();
    PickedMoment ReadPickers() const;

    // The system menu's options below About, and their commands.
    void AppendOptionItems(HMENU systemMenu);
    bool OnOptionCommand(UINT command);
    void OnAnotherStart();
    void OnEndSession();
    // An installer asks the launcher to end before it replaces the program.
    void OnEndForUpdate(HWND asker);
    void OnDestroy();
    void OnShellAnswered(WPARAM error, LPARAM start);

    // Starts the program now; a failure is told to the user.
    bool ExecuteProgram();
    // What went wrong, told at the end of the event as one balloon: the most
    // severe of those that came, unless notifications are off.
    void Tell(Notice notice);
    void ShowNotices();
    // The caption and the icon's tip end in the settings folder's suffix.
    void SetCaption(const std::string& text);
    void UpdateTip();
    std::wstring TipNow() const;

    void OnTrayNotify(WPARAM anchor, LPARAM notice);
    void ToggleWindow();
    void BringOpenModalWindowForward();
    void SetHidden(bool hidden);
    // The tray menu, its "Schedules" submenu read afresh each time it opens.
    void OpenTrayMenu(WPARAM anchor);
    void OnTrayMenuChoice(UINT id);
    void GoToSchedule(const Schedule& schedule);
    void OnNewSchedule(const std::vector<Schedule>& schedules);
    // The system menu's "Start with Windows", read as it opens.
    void ShowStartWithWindows();
    void OnStartWithWindows();
    // The buttons and controls that do not drive the countdown, and the
    // smaller commands around it.
    // Both give true when they handled the click or the notification.
    bool OnButtonClick(int id);
    bool OnControlNotify(const NMHDR& notice);
    void OnTest();
    void OnApplyReset();
    void OnToday();
    void OnDayBox(int id);
    void OnBrowse();
    void OnWindowsProgram();
    void OnShellCommand();
    void OnAutoRestart();
    void OnSliderReleased();
    void OnSpinDelta(const NMUPDOWN& step);
    void OnHelpButton();
    void OnCloseButton();
    void OnBanner();
    // Moved to a monitor of another scaling.
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    // The colours, or high contrast, changed: the banner looks again, and
    // the common controls are told as they ask of a top-level window.
    void OnColoursChanged(bool sentToTopLevel);

    void SetUpSystemMenu();
    void SetUpControls();

    void RefreshIntervalText();
    // The path and the interval from their boxes; the launch moment is the
    // countdown's to compute.
    void ReadPathAndInterval();
    // Both give false when the picked moment cannot be represented.
    bool ComputeLaunchTime();
    bool ReadControls();
    void RefreshControls();
    void ShowCountdown();
    double UpdateProgress();
    void UpdateCountdown();
    void DisableControls();
    void EnableControls();
    void EnableDatePickerByMode();
    void GreyControl(HWND control);
    void SetStatus(const char* word);
    void ShowLaunchCheckMessage(LaunchCheck check);

    HICON mainIcon = nullptr;
    // The title bar's icon, at the small-icon size of the display scaling.
    OwnedIcon smallIcon;
    Banner banner;
    HWND testButton = nullptr;
    HWND todayButton = nullptr;
    HWND browseButton = nullptr;
    HWND launchButton = nullptr;
    HWND windowsProgramRadio = nullptr;
    HWND shellCommandRadio = nullptr;
    HWND intervalSlider = nullptr;
    HWND progressBar = nullptr;
    HWND programPathEdit = nullptr;
    HWND intervalEdit = nullptr;
    HWND statusBox = nullptr;
    HWND countdownBox = nullptr;
    HWND intervalSpin = nullptr;
    HWND datePicker = nullptr;
    HWND timePicker = nullptr;
    std::unique_ptr<TrayIcon> trayIcon;
    // A minimised start: the window stays hidden until it is shown on purpose.
    bool startHidden = false;
    std::wstring runningMark;
    UINT_PTR hideTimerId = 0;
    UINT_PTR countdownTimerId = 0;
    bool notifyOption = true;
    bool runMissedOption = false;
    std::vector<Notice> notices;
    std::unique_ptr<platform::ComApartment> comApartment;
    // After the apartment: it lets its COM object go first.
    StatusAnnouncer statusAnnouncer{[this] { return NeedComApartment(); }};

public:
    // The launch settings; saved to the configuration file when destroyed.
    Program settings;

private:
    Countdown countdown{settings};
};
