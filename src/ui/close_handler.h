// The Close button shared by the log viewer and the manual: it asks the
// dialog to close, which the dialog manager turns into a cancel.
#pragma once

#include "framework/afx.h"

inline void OnCloseHandler(CDialog& dialog) { dialog.SendMessage(WM_CLOSE); }
