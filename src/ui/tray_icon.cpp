#include "ui/tray_icon.h"

#include <cstdio>

#include "resource.h"

namespace {

// The first version of the record, the one announced in cbSize, holds the
// tip in 64 bytes; the headers' larger field would be cut by the shell.
constexpr size_t TipCapacity = 64;

// Windows before version 4 have no notification area.
bool SystemHasNotificationArea() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

}  // namespace

TrayIcon::TrayIcon(CWnd* window, UINT callbackMessage, const char* tip)
    : added(SystemHasNotificationArea()), icon(added ? AfxLoadSmallIcon(IDI_MAIN_ICON) : nullptr) {
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
    // A refused icon is tried again by the dialog; the launcher runs on.
    inArea = AfxShellNotifyIcon(NIM_ADD, &notifyData) != FALSE;
}

bool TrayIcon::AddAgain() {
    if (!added) return false;
    // An add that timed out may still have put the icon there; then only
    // changing it succeeds.
    inArea = AfxShellNotifyIcon(NIM_ADD, &notifyData) != FALSE ||
             AfxShellNotifyIcon(NIM_MODIFY, &notifyData) != FALSE;
    return inArea;
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

TrayIcon::~TrayIcon() {
    if (added) AfxShellNotifyIcon(NIM_DELETE, &notifyData);
}
