// The built-in user manual in a scrolling text box, opened by the Help button
// and the tray menu's Manual item.
#pragma once

#include <string>

#include "framework/afx.h"

// The whole manual as the text box shows it, maker lines included.
std::string ManualText();

class ManualDialog : public CDialog {
public:
    explicit ManualDialog(CWnd* parent);

    BOOL OnInitDialog() override;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HWND closeButton = nullptr;
    HWND textBox = nullptr;
};
