// The notification area and pop-up menus: both wait on the shell or on the
// user, so tests answer them through seams.
#include "framework/afx.h"

#include <utility>

namespace {

afxtest::NotifyIconHandler notifyIconHandler;
afxtest::PopupMenuHandler popupMenuHandler;

}  // namespace

BOOL AfxShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
    if (notifyIconHandler) return data != nullptr && notifyIconHandler(message, *data);
    return Shell_NotifyIconW(message, data);
}

BOOL AfxTrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    if (popupMenuHandler) return popupMenuHandler(menu, flags, owner);
    return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}

namespace afxtest {
void SetNotifyIconHandler(NotifyIconHandler handler) { notifyIconHandler = std::move(handler); }
void SetPopupMenuHandler(PopupMenuHandler handler) { popupMenuHandler = std::move(handler); }
}  // namespace afxtest
