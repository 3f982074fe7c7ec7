#include "ui/path_box.h"

#include "framework/afx.h"

namespace {

// Explorer's "Copy as path" adds a pair of quotes, which no file's name
// holds and the short name cannot be found with.
std::wstring WithoutOuterQuotes(const std::wstring& path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"' &&
        path.find(L'"', 1) == path.size() - 1)
        return path.substr(1, path.size() - 2);
    return path;
}

}  // namespace

std::optional<std::string> KeptPathInBox(HWND box) {
    return AfxAnsiSafePath(WithoutOuterQuotes(HwndGetWideText(box)));
}

void ShowPathInBox(HWND box, const std::string& path) {
    const std::wstring wide = AfxWideText(path);
    // Rewriting the same text would only move the caret.
    if (HwndGetWideText(box) != wide) HwndSetWideText(box, wide);
}

bool AcceptPathInBox(HWND box) {
    if (const std::optional<std::string> kept = KeptPathInBox(box)) {
        ShowPathInBox(box, *kept);
        return true;
    }
    const std::string message =
        "This path cannot be kept in the settings file, whose text uses the system's code page: " +
        AfxUtf8Text(HwndGetWideText(box)) +
        ". Pick the program with Browse, or move it to a folder whose name the code page holds.";
    AfxMessageBox(message.c_str());
    return false;
}
