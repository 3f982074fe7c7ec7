// A read-only edit box asks its colours as a static does, and would turn
// grey: the launcher's read-only boxes keep the colours of an editable one.
#pragma once

#include <windows.h>

#include <initializer_list>

// Answers WM_CTLCOLORSTATIC for `control` when it is one of `boxes`.
inline bool ColourAsEditBox(WPARAM dc, LPARAM control, std::initializer_list<HWND> boxes, LRESULT& result) {
    for (HWND box : boxes) {
        if (box == nullptr || box != reinterpret_cast<HWND>(control)) continue;
        SetTextColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        return true;
    }
    return false;
}
