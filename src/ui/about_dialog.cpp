#include "ui/about_dialog.h"

#include "resource.h"

namespace {

// The icon's own 32 px drawing, which the box is laid out around, rather
// than one scaled from another size.
constexpr int AboutIconSize = 32;

}  // namespace

// No parent: the framework makes the application's main window the owner.
AboutDialog::AboutDialog()
    : CDialog(IDD_ABOUT, nullptr), icon(AfxLoadIconOfSize(IDI_MAIN_ICON, AboutIconSize)) {}

BOOL AboutDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND iconControl = GetDlgItem(IDC_ABOUT_ICON);
    if (iconControl && icon.Get())
        ::SendMessageA(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon.Get()), 0);
    return TRUE;
}
