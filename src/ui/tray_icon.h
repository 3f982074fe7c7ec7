// The launcher's icon in the notification area: added when the dialog is set
// up, removed when the dialog object is destroyed. It tells what a click on
// it asks for, keeps trying while the shell refuses it, and shows its menu.
#pragma once

#include <string>
#include <utility>

#include "framework/afx.h"

// While the shell refuses the icon: every 2 seconds for up to 2 minutes, on
// a timer of the window's.
inline constexpr UINT_PTR TrayRetryTimer = 101;
inline constexpr UINT TrayRetryMilliseconds = 2000;
inline constexpr int TrayRetryCount = 60;

// What a mouse message on the icon asks of the window.
enum class TrayRequest { Nothing, Toggle, Show, Menu, Log };

// What the record holds with the terminating zero: the tip, and a balloon's
// title and text.
inline constexpr std::size_t TipCapacity = 128;
inline constexpr std::size_t BalloonTitleCapacity = 64;
inline constexpr std::size_t BalloonTextCapacity = 256;

// A pop-up menu, destroyed however the caller ends, unless it was handed on
// to a menu that destroys it with itself.
class PopupMenu {
public:
    PopupMenu() : menu(CreatePopupMenu()) {}
    ~PopupMenu() {
        if (menu) DestroyMenu(menu);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU Handle() const { return menu; }
    // Appended as a submenu, it goes with the menu that holds it.
    HMENU Release() { return std::exchange(menu, nullptr); }

private:
    HMENU menu;
};

class TrayIcon : public CObject {
public:
    // `tip` longer than the record's field is cut to fit it.
    TrayIcon(CWnd* window, UINT callbackMessage, const std::wstring& tip);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // A double click arrives as a press, a release, the double click and a
    // release: the press toggles, so the double click only shows.
    // `notice` is the callback's lParam, the message in its low word.
    static TrayRequest RequestOf(LPARAM notice);

    // Changes the tip when it differs from the one shown.
    void SetTip(const std::wstring& tip);
    // A balloon, shown by Windows 10 and 11 as a notification, not while
    // the user is in quiet time; `error` picks the error icon over the warning.
    void ShowBalloon(const std::wstring& title, const std::wstring& text, bool error);

    // The task bar was created again and forgot every icon.
    void OnTaskbarCreated();
    // TrayRetryTimer came: tries the refused icon again.
    void OnRetryTimer();

    // `menu` at `anchor`, the callback's wParam: the icon when opened from
    // the keyboard, the pointer for a click; at the pointer when the anchor
    // lies on no monitor. `defaultItem` in bold as what a double click does.
    // The chosen identifier, or 0 when dismissed.
    UINT TrackMenu(HMENU menu, UINT defaultItem, WPARAM anchor) const;
    // Notes what came from the icon: the shell follows a right button's
    // release with the menu's request, and the keyboard sends the request alone.
    void Hear(LPARAM notice);
    bool MenuAskedByKeyboard() const { return menuByKeyboard; }
    // Gives the keyboard focus back to the icon, as after a menu dismissed
    // from the keyboard.
    void ReturnFocus();
    // Shows the icon at the small-icon size of the task bar's scaling when
    // that changed: the notification area is on the task bar, whichever
    // monitor the window is on.
    void FollowTaskbarScaling();

    bool IsAdded() const { return added; }
    // False while the shell refuses the icon, as it can at logon, before the
    // task bar is ready.
    bool IsInNotificationArea() const { return inArea; }
    const NOTIFYICONDATAW& NotifyData() const { return notifyData; }

private:
    // Adds the icon again with the same record; true when it is now there.
    bool AddAgain();
    void Rescale(UINT dpi);
    void RetryFromNow();

    CWnd* window;
    bool added = false;
    OwnedIcon icon;
    UINT iconDpi = 0;
    bool inArea = false;
    int retriesLeft = 0;
    UINT lastNotice = 0;
    bool menuByKeyboard = false;
    NOTIFYICONDATAW notifyData{};
};
