#include "ui/tray_icon.h"

#include <cstdio>

#include "resource.h"

namespace {

// The first version of the record, the one announced in cbSize, holds the
// tip in 64 bytes; the headers' larger field would be cut by the shell.
constexpr size_t TipCapacity = 64;

// Windows before version 4 have no notification area.
bool SystemHasNotificationArea() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

// A pop-up menu, destroyed however the caller ends.
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

}  // namespace

TrayIcon::TrayIcon(CWnd* window, UINT callbackMessage, const char* tip)
    : window(window),
      added(SystemHasNotificationArea()),
      icon(added ? AfxLoadSmallIcon(IDI_MAIN_ICON) : nullptr) {
    if (!added) return;
    // Only the first version's fields are used, so the record says so.
    notifyData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    notifyData.hWnd = window ? window->GetSafeHwnd() : nullptr;
    notifyData.uID = 0;
    notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyData.uCallbackMessage = callbackMessage;
    notifyData.hIcon = icon.Get();
    static_assert(sizeof notifyData.szTip >= TipCapacity);
    std::snprintf(notifyData.szTip, TipCapacity, "%s", tip ? tip : "");
    inArea = AfxShellNotifyIcon(NIM_ADD, &notifyData) != FALSE;
    // At logon the task bar may not be ready yet, and a launcher that starts
    // hidden could not be reached without its icon.
    if (!inArea) RetryFromNow();
}

TrayIcon::~TrayIcon() {
    if (added) AfxShellNotifyIcon(NIM_DELETE, &notifyData);
}

TrayRequest TrayIcon::RequestOf(UINT mouseMessage) {
    switch (mouseMessage) {
        case WM_LBUTTONDOWN:
            return TrayRequest::Toggle;
        case WM_LBUTTONDBLCLK:
            return TrayRequest::Show;
        case WM_RBUTTONDOWN:
            return TrayRequest::Menu;
        default:
            return TrayRequest::Nothing;
    }
}

void TrayIcon::OnTaskbarCreated() {
    if (!added) return;
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
    // changing it succeeds.
    inArea = AfxShellNotifyIcon(NIM_ADD, &notifyData) != FALSE ||
             AfxShellNotifyIcon(NIM_MODIFY, &notifyData) != FALSE;
    return inArea;
}

UINT TrayIcon::TrackMenu(std::initializer_list<MenuItem> items) const {
    PopupMenu menu;
    if (!menu.Handle() || !window) return 0;
    for (const MenuItem& item : items) AppendMenuA(menu.Handle(), MF_STRING, item.first, item.second);
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without the foreground the menu would not close on a click elsewhere.
    window->SetForegroundWindow();
    const BOOL chosen = AfxTrackPopupMenu(menu.Handle(), TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x, cursor.y,
                                          window->GetSafeHwnd());
    // Lets the menu's owner leave the menu mode, or the next click is lost.
    window->PostMessage(WM_NULL);
    return static_cast<UINT>(chosen);
}

void TrayIcon::Rescale(UINT dpi) {
    if (!added) return;
    HICON sized = AfxLoadSmallIconForDpi(IDI_MAIN_ICON, dpi);
    if (!sized) return;
    notifyData.hIcon = sized;
    // A refused icon takes the new size when it is added again.
    if (inArea) AfxShellNotifyIcon(NIM_MODIFY, &notifyData);
    icon.Reset(sized);
}
