// The application object: it exists only to run the launcher dialog.
#pragma once

#include "framework/afx.h"

class LauncherApp : public CWinApp {
public:
    // Runs the launcher dialog modally; returns FALSE so that the process
    // ends with the dialog.
    BOOL InitInstance() override;
};
