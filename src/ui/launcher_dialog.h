// The launcher's main window: every launch setting, the status word, the
// countdown and the progress bar. Owns the launch settings record and the
// notification-area icon for exactly as long as the dialog object lives.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/program.h"
#include "core/schedule.h"
#include "framework/afx.h"

class TrayIcon;

// Window timers of the dialog, the tray icon's callback message, the
// message that brings a command's end to the dialog (the exit status in
// wParam, the command's number in lParam) and the one that brings the
// shell's answer to a start (the answer in wParam, the start's number in
// lParam). The countdown ticks at the interval; the launch timer fires once,
// on the moment; the keep-awake timer lets the computer sleep again after a
// launch.
inline constexpr UINT_PTR CountdownTimer = 1;
inline constexpr UINT_PTR LaunchTimer = 2;
inline constexpr UINT_PTR KeepAwakeTimer = 3;
inline constexpr UINT_PTR HideTimer = 100;
inline constexpr UINT HideTimerMilliseconds = 2000;
// While the shell refuses the tray icon: every 2 seconds for up to 2 minutes.
inline constexpr UINT_PTR TrayRetryTimer = 101;
inline constexpr UINT TrayRetryMilliseconds = 2000;
inline constexpr int TrayRetryCount = 60;
inline constexpr UINT TrayNotifyMessage = WM_USER + 1;
inline constexpr UINT CommandFinishedMessage = WM_APP + 1;
inline constexpr UINT ShellAnsweredMessage = WM_APP + 2;
inline constexpr const char* const LauncherTitle = "Orvix Launcher";

// Sent by a second start of the launcher on the same settings to the running
// launcher's window, which then shows itself.
UINT AnotherStartMessage();

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
    bool WakeToRun() const { return wakeToRun; }
    UINT_PTR HideTimerId() const { return hideTimerId; }
    HICON MainIcon() const { return mainIcon; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnSysCommand(UINT command, LPARAM parameter);
    void OnPaint();
    HICON OnQueryDragIcon() const { return mainIcon; }
    void OnTimer(UINT_PTR id);
    void OnHideTimer();
    // The tick, the launch timer and a resume: launches what is due, then
    // brings the countdown, the launch timer and the keep-awake up to date.
    void RecheckMoment();
    void LaunchIfDue();
    // After a launch in weekday mode; false when the next checked day has no
    // moment that can be counted down to.
    bool CountDownToNextDay(Moment dueLaunchTime);
    void StopCountdown();
    // Every stop of the countdown ends its timers and the wake with it.
    void KillCountdownTimers();
    void OnLaunch();
    void ArmLaunchTimer();
    void RecordMissedLaunches();

    // The clock was set or the time zone changed.
    void OnClockOrZoneChange();
    void RecomputeMoment();
    void RememberZone();
    bool ZoneChanged();

    void OnWakeToRunCommand();
    void ArmWakeTimer();
    void UpdateKeepAwake();
    bool KeepAwakeWanted() const;

    void OnAnotherStart();
    void OnEndSession();
    void OnShellAnswered(WPARAM error, LPARAM start);

    void AddTrayIcon();
    // Tries the refused icon again; re-armed while tries are left.
    void RetryTrayIcon();
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    void ToggleWindow();
    void BringOpenModalWindowForward();
    void SetHidden(bool hidden);
    // The identifier chosen in the tray menu, or 0 when it was dismissed.
    UINT TrackTrayMenu();
    void OnTrayMenuChoice(UINT id);
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

    void SetUpSystemMenu();
    void SetUpControls();
    void LimitPickerRanges();

    void RefreshIntervalText();
    // Both give false when the picked moment cannot be represented.
    bool ComputeLaunchTime();
    bool ReadControls();
    void RefreshControls();
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
    int trayRetriesLeft = 0;
    // A minimised start: the window stays hidden until it is shown on purpose.
    bool startHidden = false;
    std::wstring runningMark;
    UINT_PTR hideTimerId = 0;
    UINT_PTR countdownTimerId = 0;
    // The time of day last read from the time picker; unknown until the
    // first computation, so a restart knows only the saved launch moment.
    std::optional<ClockTime> pickedTime;
    bool wakeToRun = false;
    bool keepingAwake = false;
    // When the last scheduled launch started; the computer stays awake a
    // while after it.
    std::optional<Moment> lastLaunch;
    Moment zoneAnchor = 0;
    std::vector<int> zoneFingerprint;

public:
    // The launch settings; saved to the configuration file when destroyed.
    Program settings;
};
