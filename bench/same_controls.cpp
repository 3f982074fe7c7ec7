// The start-up and memory baseline that holds everything the launcher's
// window needs from Wine and the common controls, and nothing of ours: the
// launcher's own template 102 with its banner and icon, run by
// DialogBoxParamA with a plain dialog procedure, plus a notification-area
// icon. scripts/bench measures the launcher against it.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "resource.h"

namespace {

const UINT TrayCallback = WM_USER + 1;

void TrayIcon(HWND window, DWORD action) {
    NOTIFYICONDATAA icon = {};
    icon.cbSize = sizeof(icon);
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    icon.uCallbackMessage = TrayCallback;
    icon.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN_ICON));
    lstrcpynA(icon.szTip, "Same controls", static_cast<int>(sizeof(icon.szTip)));
    Shell_NotifyIconA(action, &icon);
}

INT_PTR CALLBACK PlainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        TrayIcon(window, NIM_ADD);
        return TRUE;
    }
    if (message == WM_CLOSE ||
        (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))) {
        TrayIcon(window, NIM_DELETE);
        EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_DATE_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                           ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_LAUNCHER), nullptr, PlainDialogProc, 0));
}
