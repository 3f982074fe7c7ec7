// The program's icon at the sizes the system asks for: one resource holds an
// image for each, and picking the right one keeps the icon sharp at every
// display scaling.
#include "framework/afx.h"

namespace {

using LoadIconMetricFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);

// Common controls 6 (Windows Vista and later) pick the image for the current
// scaling themselves; older ones lack the call.
LoadIconMetricFunction FindLoadIconMetric() {
    return AfxProcedure<LoadIconMetricFunction>(GetModuleHandleA("comctl32.dll"), "LoadIconMetric");
}

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
