#include "app/launcher_app.h"

#include <optional>
#include <string>

#include "app/single_launcher.h"
#include "core/program.h"
#include "core/start_options.h"
#include "platform/os.h"
#include "ui/launcher_dialog.h"

namespace {

// The folder the dialog's settings record will use, found the same way but
// without its log records: the one the command line named, or the home folder.
std::string SettingsFolder() { return HomeDirectoryFor(platform::CurrentDirectory().value_or("")); }

// The launcher's run, unless another launcher runs on the same settings.
void RunAsTheOneLauncher(CWinApp& app) {
    // Before the dialog exists: its settings record writes the log as it is
    // built and saves the settings as it goes.
    SingleLauncher guard(SettingsFolder());
    if (!guard.BecomeTheRunningLauncher()) return;
    {
        // Its destructor removes the tray icon and then saves the settings.
        LauncherDialog dialog;
        dialog.MarkAsRunningLauncher(guard.WindowMark());
        // Not dangling: cleared below as soon as the dialog is gone.
        // cppcheck-suppress danglingLifetime
        app.m_pMainWnd = &dialog;
        dialog.DoModal();
    }
    // The dialog is gone; nobody may reach it through the main window any more.
    app.m_pMainWnd = nullptr;
}

}  // namespace

BOOL LauncherApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();
    // Before anything is written: a refused command line leaves no trace.
    const StartOptions options = ParseStartOptions(platform::Utf8Path(GetCommandLineW()), AfxExecutablePath(),
                                                   platform::CurrentDirectory().value_or(""));
    if (!options.run) {
        exitCode = options.exitCode;
        AfxMessageBoxW(platform::WidePath(options.message), platform::WidePath(LauncherTitle),
                       options.exitCode == 0 ? MB_ICONINFORMATION : MB_OK);
        return FALSE;
    }
    UseSettingsFolder(options.folder);
    RunAsTheOneLauncher(*this);
    // A start still waiting on a prompt (for administrator rights) is left
    // to finish, unrecorded; the settings are free for the next launcher.
    platform::WaitForShellStarts();
    return FALSE;
}

static LauncherApp theApp;
