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

TrayIcon::TrayIcon(CWnd* window, UINT callbackMessage, const char* tip) {
    added = SystemHasNotificationArea();
    if (!added) return;
    icon = static_cast<HICON>(LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_MAIN_ICON), IMAGE_ICON,
                                         16, 16, LR_DEFAULTCOLOR));
    // Only the first version's fields are used, so the record says so.
    notifyData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    notifyData.hWnd = window ? window->GetSafeHwnd() : nullptr;
    notifyData.uID = 0;
    notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notifyData.uCallbackMessage = callbackMessage;
    notifyData.hIcon = icon;
    static_assert(sizeof notifyData.szTip >= TipCapacity);
    std::snprintf(notifyData.szTip, TipCapacity, "%s", tip ? tip : "");
    // A missing notification area only means no icon; the launcher runs on.
    AfxShellNotifyIcon(NIM_ADD, &notifyData);
}

void TrayIcon::AddAgain() {
    if (added) AfxShellNotifyIcon(NIM_ADD, &notifyData);
}

TrayIcon::~TrayIcon() {
    if (!added) return;
    AfxShellNotifyIcon(NIM_DELETE, &notifyData);
    if (icon) DestroyIcon(icon);
}
