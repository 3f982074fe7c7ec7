#include "ui/about_dialog.h"

#include "resource.h"

// No parent: the framework makes the application's main window the owner.
AboutDialog::AboutDialog() : CDialog(IDD_ABOUT, nullptr) {}
