// Timing driver for bench/log_viewer.sh. Opens the log viewer the way the Log
// button does, on the log in the given home directory, and appends to a
// result file (never to stdout: see start_timer.cpp) first "read MS", the time
// that reading and converting the log take on their own, then one line per
// opening:
//   milliseconds from the start of the modal run to the viewer shown with
//   nothing left to paint; milliseconds until its box holds the whole log;
//   the longest time one message took meanwhile (how long the viewer can keep
//   the user waiting); the characters in the box; the characters expected.
//   log_viewer_open <home> <result-file> <openings>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "core/log_file.h"
#include "framework/afx.h"
#include "resource.h"
#include "ui/log_dialog.h"

namespace {

CWinApp benchApp;
const double FillTimeoutMs = 300000;

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Opening {
    double start = 0;
    double shownMs = 0;
    double wholeMs = 0;
    double longestMessageMs = 0;
    int characters = 0;
};
Opening opening;

bool PaintPending(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

// Sees every message the thread takes from its queue. Painting comes before
// timers, so the first one taken while the viewer is visible with nothing to
// paint marks the moment the user sees the log.
LRESULT CALLBACK WatchShown(int code, WPARAM removed, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && opening.shownMs == 0 && message->hwnd != nullptr) {
        HWND viewer = GetAncestor(message->hwnd, GA_ROOT);
        HWND box = GetDlgItem(viewer, IDC_LOG_TEXT);
        if (box != nullptr && IsWindowVisible(viewer) && !PaintPending(viewer) && !PaintPending(box))
            opening.shownMs = NowMs() - opening.start;
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
}

// Dispatches messages until the box holds `expected` characters.
void WaitUntilWhole(HWND box, int expected) {
    while ((opening.characters = GetWindowTextLengthA(box)) < expected &&
           NowMs() - opening.start < FillTimeoutMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            const double before = NowMs();
            TranslateMessage(&message);
            DispatchMessageA(&message);
            const double took = NowMs() - before;
            if (took > opening.longestMessageMs) opening.longestMessageMs = took;
        }
    }
    opening.wholeMs = NowMs() - opening.start;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    _putenv_s("USERPROFILE", argv[1]);
    std::ofstream results(argv[2], std::ios::binary | std::ios::app);
    const int openings = std::atoi(argv[3]);
    AfxWinMain(GetModuleHandleA(nullptr), SW_SHOWNORMAL);

    const double readStart = NowMs();
    const int expected = static_cast<int>(LogViewText(ReadLogFile(LogViewerPath()).value_or("")).size());
    results << "read " << NowMs() - readStart << '\n';

    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, WatchShown, nullptr, GetCurrentThreadId());
    afxtest::SetModalObserver([&](CDialog& viewer) {
        WaitUntilWhole(viewer.GetDlgItem(IDC_LOG_TEXT), expected);
        viewer.EndDialog(IDCANCEL);
    });
    for (int count = 0; count < openings; ++count) {
        opening = Opening();
        LogDialog viewer(nullptr);
        opening.start = NowMs();
        if (viewer.DoModal() != IDCANCEL) return 1;
        results << opening.shownMs << ' ' << opening.wholeMs << ' ' << opening.longestMessageMs << ' '
                << opening.characters << ' ' << expected << '\n';
    }
    UnhookWindowsHookEx(hook);
    return results ? 0 : 1;
}
