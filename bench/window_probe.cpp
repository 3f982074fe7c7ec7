// Finds a program's window from outside, for scripts/run and the benchmark
// scripts. It starts nothing, so its exit status can be read directly.
//
//   window_probe wait <caption> <seconds> [desktop]
//       exit 0 once a visible top-level window with that caption exists
//   window_probe close <caption> <seconds> [desktop]
//       sends it WM_CLOSE; exit 0 once its process has ended
//
// A program running inside `explorer /desktop=NAME` lives on desktop NAME,
// which the probe must be told to look at.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const DWORD PollMs = 100;

struct WindowSearch {
    std::string caption;
    HWND found;
};

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), copied > 0 ? copied : 0);
}

BOOL CALLBACK MatchCaption(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    if (!IsWindowVisible(window) || WindowText(window) != search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

// Moves the probe's thread onto the named desktop: only from there does a
// window on it count as visible.
bool EnterDesktop(const char* name) {
    HDESK desktop = OpenDesktopA(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    if (!desktop) return false;
    // The thread keeps using the desktop until the process ends, so the
    // handle stays open once it is entered.
    if (SetThreadDesktop(desktop)) return true;
    CloseDesktop(desktop);
    return false;
}

HWND FindVisible(const std::string& caption) {
    WindowSearch search = {caption, nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The desktop may not exist yet when the probe starts, so entering it is
// retried along with the search.
HWND WaitForWindow(const std::string& caption, const char* desktop, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    bool onDesktop = desktop == nullptr;
    for (;;) {
        if (!onDesktop) onDesktop = EnterDesktop(desktop);
        if (onDesktop) {
            if (HWND window = FindVisible(caption)) return window;
        }
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(PollMs);
    }
}

bool CloseAndWait(HWND window, DWORD timeoutMs) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return false;
    PostMessageA(window, WM_CLOSE, 0, 0);
    bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 2;
    std::string mode = argv[1];
    int seconds = std::atoi(argv[3]);
    if (seconds < 0 || seconds > 3600) return 2;
    HWND window = WaitForWindow(argv[2], argc == 5 ? argv[4] : nullptr, static_cast<DWORD>(seconds) * 1000);
    if (!window) return 1;
    if (mode == "wait") return 0;
    if (mode == "close") return CloseAndWait(window, static_cast<DWORD>(seconds) * 1000) ? 0 : 1;
    return 2;
}
