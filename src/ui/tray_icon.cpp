#include "ui/tray_icon.h"

#include <windowsx.h>

#include <algorithm>

#include "resource.h"

namespace {

// `text` in a field of `capacity` characters with its zero: a longer one is
// cut and ends in "...", never inside a character made of two halves.
void CopyFitted(const std::wstring& text, wchar_t* field, std::size_t capacity) {
    std::wstring fitted = text;
    if (fitted.size() >= capacity) {
        std::size_t keep = capacity - 4;
        if (IS_HIGH_SURROGATE(fitted[keep - 1])) --keep;
        fitted.replace(keep, std::wstring::npos, L"...");
    }
    std::fill(field, field + capacity, L'\0');
    std::copy(fitted.begin(), fitted.end(), field);
}

// Windows before version 4 have no notification area.
bool SystemHasNotificationArea() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

}  // namespace

TrayIcon::TrayIcon(CWnd* window, UINT callbackMessage, const std::wstring& tip)
    : window(window),
      added(SystemHasNotificationArea()),
      icon(added ? AfxLoadSmallIcon(IDI_MAIN_ICON) : nullptr),
      iconDpi(added ? AfxTaskbarDpi() : 0) {
    if (!added) return;
    // The version with balloons; it shows the tip only when asked to.
    notifyData.cbSize = sizeof notifyData;
    notifyData.hWnd = window ? window->GetSafeHwnd() : nullptr;
    notifyData.uID = 0;
    notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    notifyData.uCallbackMessage = callbackMessage;
    notifyData.hIcon = icon.Get();
    notifyData.uVersion = NOTIFYICON_VERSION_4;
    static_assert(sizeof notifyData.szTip / sizeof(wchar_t) == TipCapacity);
    CopyFitted(tip, notifyData.szTip, TipCapacity);
    inArea = AfxShellNotifyIcon(NIM_ADD, &notifyData) != FALSE;
    if (inArea) AfxShellNotifyIcon(NIM_SETVERSION, &notifyData);
    // At logon the task bar may not be ready yet, and a launcher that starts
    // hidden could not be reached without its icon.
    if (!inArea) RetryFromNow();
}

TrayIcon::~TrayIcon() {
    if (added) AfxShellNotifyIcon(NIM_DELETE, &notifyData);
}

TrayRequest TrayIcon::RequestOf(LPARAM notice) {
    switch (LOWORD(notice)) {
        case WM_LBUTTONDOWN:
            return TrayRequest::Toggle;
        case WM_LBUTTONDBLCLK:
        case NIN_KEYSELECT:
            return TrayRequest::Show;
        // The shell follows a right click with this, as it does the menu
        // key; acting on the press as well would open the menu twice.
        case WM_CONTEXTMENU:
            return TrayRequest::Menu;
        case NIN_BALLOONUSERCLICK:
            return TrayRequest::Log;
        default:
            return TrayRequest::Nothing;
    }
}

void TrayIcon::SetTip(const std::wstring& tip) {
    if (!added) return;
    NOTIFYICONDATAW changed = notifyData;
    CopyFitted(tip, changed.szTip, TipCapacity);
    if (std::equal(changed.szTip, changed.szTip + TipCapacity, notifyData.szTip)) return;
    notifyData = changed;
    if (inArea) AfxShellNotifyIcon(NIM_MODIFY, &notifyData);
}

void TrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text, bool error) {
    if (!added || !inArea) return;
    // The balloon goes with this change only: a later change of the tip
    // must not show it again.
    NOTIFYICONDATAW balloon = notifyData;
    balloon.uFlags |= NIF_INFO;
    balloon.dwInfoFlags = (error ? NIIF_ERROR : NIIF_WARNING) | NIIF_RESPECT_QUIET_TIME;
    CopyFitted(title, balloon.szInfoTitle, BalloonTitleCapacity);
    CopyFitted(text, balloon.szInfo, BalloonTextCapacity);
    AfxShellNotifyIcon(NIM_MODIFY, &balloon);
}

void TrayIcon::OnTaskbarCreated() {
    if (!added) return;
    FollowTaskbarScaling();
    retriesLeft = TrayRetryCount;
    OnRetryTimer();
}

void TrayIcon::OnRetryTimer() {
    if (!window) return;
    if (!AddAgain() && retriesLeft-- > 0) {
        window->SetTimer(TrayRetryTimer, TrayRetryMilliseconds);
    } else {
        window->KillTimer(TrayRetryTimer);
    }
}

void TrayIcon::RetryFromNow() {
    if (!window) return;
    retriesLeft = TrayRetryCount;
    window->SetTimer(TrayRetryTimer, TrayRetryMilliseconds);
}

bool TrayIcon::AddAgain() {
    if (!added) return false;
    // An add that timed out may still have put the icon there; then only
    // changing it succeeds. The version is asked for again with the icon.
    inArea = AfxShellNotifyIcon(NIM_ADD, &notifyData) != FALSE ||
             AfxShellNotifyIcon(NIM_MODIFY, &notifyData) != FALSE;
    if (inArea) AfxShellNotifyIcon(NIM_SETVERSION, &notifyData);
    return inArea;
}

void TrayIcon::Hear(LPARAM notice) {
    const UINT message = LOWORD(notice);
    if (message == WM_MOUSEMOVE) return;
    if (message == WM_CONTEXTMENU) menuByKeyboard = lastNotice != WM_RBUTTONUP;
    lastNotice = message;
}

void TrayIcon::ReturnFocus() {
    if (added && inArea) AfxShellNotifyIcon(NIM_SETFOCUS, &notifyData);
}

UINT TrayIcon::TrackMenu(HMENU menu, UINT defaultItem, WPARAM anchor) const {
    if (!menu || !window) return 0;
    SetMenuDefaultItem(menu, defaultItem, FALSE);
    POINT at{GET_X_LPARAM(anchor), GET_Y_LPARAM(anchor)};
    if (MonitorFromPoint(at, MONITOR_DEFAULTTONULL) == nullptr) GetCursorPos(&at);
    // Without the foreground the menu would not close on a click elsewhere.
    window->SetForegroundWindow();
    const BOOL chosen = AfxTrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at, window->GetSafeHwnd());
    // Lets the menu's owner leave the menu mode, or the next click is lost.
    window->PostMessage(WM_NULL);
    return static_cast<UINT>(chosen);
}

void TrayIcon::FollowTaskbarScaling() {
    const UINT dpi = AfxTaskbarDpi();
    if (dpi != iconDpi) Rescale(dpi);
}

void TrayIcon::Rescale(UINT dpi) {
    if (!added) return;
    iconDpi = dpi;
    HICON sized = AfxLoadSmallIconForDpi(IDI_MAIN_ICON, dpi);
    if (!sized) return;
    notifyData.hIcon = sized;
    // A refused icon takes the new size when it is added again.
    if (inArea) AfxShellNotifyIcon(NIM_MODIFY, &notifyData);
    icon.Reset(sized);
}
