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

BOOL AfxTrackPopupMenu(HMENU menu, UINT flags, POINT at, HWND owner) {
    if (popupMenuHandler) return popupMenuHandler(menu, flags, at, owner);
    return TrackPopupMenu(menu, flags, at.x, at.y, 0, owner, nullptr);
}

namespace afxtest {
void SetNotifyIconHandler(NotifyIconHandler handler) { notifyIconHandler = std::move(handler); }
void SetPopupMenuHandler(PopupMenuHandler handler) { popupMenuHandler = std::move(handler); }
}  // namespace afxtest
