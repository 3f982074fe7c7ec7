// The program's icon at the sizes the system asks for, and the display
// scaling a window is drawn at: one resource holds an image for each size, and
// picking the right one keeps the icon sharp at every scaling.
#include "framework/afx.h"

namespace {

using LoadIconMetricFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Common controls 6 (Windows Vista and later) pick the image for the current
// scaling themselves; older ones lack the call.
LoadIconMetricFunction FindLoadIconMetric() {
    return AfxProcedure<LoadIconMetricFunction>(GetModuleHandleA("comctl32.dll"), "LoadIconMetric");
}

HMODULE User32() { return GetModuleHandleA("user32.dll"); }

}  // namespace

HICON AfxLoadIconOfSize(UINT id, int size) {
    return static_cast<HICON>(
        LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

HICON AfxLoadSmallIcon(UINT id) {
    HICON icon = nullptr;
    const LoadIconMetricFunction loadIconMetric = FindLoadIconMetric();
    if (loadIconMetric != nullptr &&
        SUCCEEDED(loadIconMetric(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id), LIM_SMALL, &icon)))
        return icon;
    return AfxLoadIconOfSize(id, GetSystemMetrics(SM_CXSMICON));
}

HICON AfxLoadSmallIconForDpi(UINT id, UINT dpi) {
    const auto metricsForDpi =
        AfxProcedure<GetSystemMetricsForDpiFunction>(User32(), "GetSystemMetricsForDpi");
    if (metricsForDpi == nullptr) return AfxLoadSmallIcon(id);
    return AfxLoadIconOfSize(id, metricsForDpi(SM_CXSMICON, dpi));
}

UINT AfxTaskbarDpi() {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    return AfxWindowDpi(taskbar);
}

UINT AfxWindowDpi(HWND window) {
    const auto dpiForWindow = AfxProcedure<GetDpiForWindowFunction>(User32(), "GetDpiForWindow");
    if (dpiForWindow != nullptr && window != nullptr) return dpiForWindow(window);
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}
