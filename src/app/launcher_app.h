// The application object: it exists only to run the launcher dialog.
#pragma once

#include "framework/afx.h"

class LauncherApp : public CWinApp {
public:
    // Reads the command line, then runs the launcher dialog modally; returns
    // FALSE so that the process ends with the dialog.
    BOOL InitInstance() override;
    int ExitInstance() override { return exitCode; }

private:
    int exitCode = 0;
};
