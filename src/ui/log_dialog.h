// The log viewer: a snapshot of the whole log file, oldest record on top, in
// a read-only box that the keyboard can reach and scroll; Reset empties the file.
#pragma once

#include <cstddef>
#include <string>

#include "framework/afx.h"

class LogDialog : public CDialog {
public:
    explicit LogDialog(CWnd* parent);

    BOOL OnInitDialog() override;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void LoadView();
    void ShowMoreOfTheLog();
    void OnReset();

    HWND textBox = nullptr;
    // The text read at the last load, and how much of it the box holds.
    std::string snapshot;
    std::size_t shown = 0;
};
