#include "app/launcher_app.h"

#include "ui/launcher_dialog.h"

BOOL LauncherApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();
    {
        // Its destructor removes the tray icon and then saves the settings.
        LauncherDialog dialog;
        // Not dangling: cleared below as soon as the dialog is gone.
        // cppcheck-suppress danglingLifetime
        m_pMainWnd = &dialog;
        dialog.DoModal();
    }
    // The dialog is gone; nobody may reach it through the main window any more.
    m_pMainWnd = nullptr;
    return FALSE;
}

static LauncherApp theApp;
