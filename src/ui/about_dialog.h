// The About box: product name, version and maker. Its OK button, Enter,
// Escape and the close box end it through the standard dialog handling.
#pragma once

#include "framework/afx.h"

class AboutDialog : public CDialog {
public:
    AboutDialog();

    BOOL OnInitDialog() override;

private:
    // Kept until the box is gone: its icon control only borrows it.
    OwnedIcon icon;
};
