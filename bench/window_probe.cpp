// Finds a program's window from outside, for scripts/run, scripts/screenshots
// and the benchmark scripts. Only `start` starts anything, and it does not
// wait for what it started, so the exit status can be read directly.
//
//   window_probe wait <caption> <seconds> [desktop]
//       exit 0 once a visible top-level window with that caption exists
//   window_probe close <caption> <seconds> [desktop]
//       sends it WM_CLOSE; exit 0 once its process has ended
//   window_probe rect <caption> <seconds> [desktop]
//       prints the window's place on the screen as WxH+X+Y
//   window_probe post <caption> <message> <wParam> <lParam> <seconds> [desktop]
//       posts the message (numbers, decimal or 0x hex) to the window
//   window_probe centre id:<N> <seconds> [desktop]
//       prints the place on the screen of the middle of control N as X Y
//   window_probe menu <seconds> [desktop]
//       prints the place of the open popup menu as WxH+X+Y, once it is shown
//   window_probe escape-menu <seconds> [desktop]
//       closes the open popup menu as the Escape key does
//   window_probe menu-key <key> <seconds> [desktop]
//       presses the key (a virtual-key number) in the open popup menu
//   window_probe cursor <x> <y> [desktop]
//       moves the mouse pointer, so that a menu opens where it is wanted
//   window_probe start <home> <exe>
//       starts the program as the shell would (show command 1), with
//       USERPROFILE set to home, and returns at once
//
// A program running inside `explorer /desktop=NAME` lives on desktop NAME,
// which the probe must be told to look at. A caption of the form "id:N"
// stands for the window that holds a control with identifier N, for a
// window whose caption changes (the launcher shows its countdown there).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD PollMs = 100;

// The popup menu's window class.
const char* const MenuClass = "#32768";

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

const char* const ControlPrefix = "id:";

bool Matches(HWND window, const std::string& caption) {
    if (caption.rfind(ControlPrefix, 0) == 0)
        return GetDlgItem(window, std::atoi(caption.c_str() + std::strlen(ControlPrefix))) != nullptr;
    return WindowText(window) == caption;
}

BOOL CALLBACK MatchCaption(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    if (!IsWindowVisible(window) || !Matches(window, search->caption)) return TRUE;
    search->found = window;
    return FALSE;
}

std::string ClassName(HWND window) {
    char name[64] = {};
    int copied = GetClassNameA(window, name, static_cast<int>(sizeof(name)));
    return std::string(name, copied > 0 ? static_cast<size_t>(copied) : 0);
}

BOOL CALLBACK MatchMenu(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    if (!IsWindowVisible(window) || ClassName(window) != MenuClass) return TRUE;
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

// An empty caption stands for the open popup menu.
HWND FindVisible(const std::string& caption) {
    WindowSearch search = {caption, nullptr};
    EnumWindows(caption.empty() ? MatchMenu : MatchCaption, reinterpret_cast<LPARAM>(&search));
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

int PrintRect(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return 1;
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// Decimal, or hexadecimal after 0x; the whole text must be a number.
bool ParseNumber(const char* text, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return *text != '\0' && *end == '\0';
}

bool ParseSeconds(const char* text, DWORD& timeoutMs) {
    unsigned long seconds = 0;
    if (!ParseNumber(text, seconds) || seconds > 3600) return false;
    timeoutMs = static_cast<DWORD>(seconds) * 1000;
    return true;
}

int Start(const char* home, const char* exe) {
    if (!SetEnvironmentVariableA("USERPROFILE", home)) return 1;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    std::string commandLine = std::string("\"") + exe + "\"";
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

// The middle of the control that "id:N" names, for the pointer to rest on.
int PrintControlCentre(HWND window, const std::string& caption) {
    if (caption.rfind(ControlPrefix, 0) != 0) return 2;
    HWND control = GetDlgItem(window, std::atoi(caption.c_str() + std::strlen(ControlPrefix)));
    RECT rect;
    if (!control || !GetWindowRect(control, &rect)) return 1;
    std::printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return 0;
}

int MoveCursor(const char* x, const char* y, const char* desktop) {
    unsigned long left = 0;
    unsigned long top = 0;
    if (!ParseNumber(x, left) || !ParseNumber(y, top)) return 2;
    if (desktop && !EnterDesktop(desktop)) return 1;
    return SetCursorPos(static_cast<int>(left), static_cast<int>(top)) ? 0 : 1;
}

int Post(char** argv, int argc) {
    unsigned long message = 0;
    unsigned long wParam = 0;
    unsigned long lParam = 0;
    DWORD timeoutMs = 0;
    if (!ParseNumber(argv[3], message) || !ParseNumber(argv[4], wParam) || !ParseNumber(argv[5], lParam) ||
        !ParseSeconds(argv[6], timeoutMs))
        return 2;
    HWND window = WaitForWindow(argv[2], argc == 8 ? argv[7] : nullptr, timeoutMs);
    if (!window) return 1;
    return PostMessageA(window, static_cast<UINT>(message), static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam))
               ? 0
               : 1;
}

int PressMenuKey(const char* key, const char* seconds, const char* desktop) {
    unsigned long code = 0;
    DWORD timeoutMs = 0;
    if (!ParseNumber(key, code) || !ParseSeconds(seconds, timeoutMs)) return 2;
    HWND menu = WaitForWindow("", desktop, timeoutMs);
    return menu && PostMessageA(menu, WM_KEYDOWN, static_cast<WPARAM>(code), 0) ? 0 : 1;
}

// The commands about one window by its caption (empty: the popup menu).
int OnWindow(const std::string& mode, const std::string& caption, const char* seconds, const char* desktop) {
    DWORD timeoutMs = 0;
    if (!ParseSeconds(seconds, timeoutMs)) return 2;
    HWND window = WaitForWindow(caption, desktop, timeoutMs);
    if (!window) return 1;
    if (mode == "wait") return 0;
    if (mode == "close") return CloseAndWait(window, timeoutMs) ? 0 : 1;
    if (mode == "rect") return PrintRect(window);
    if (mode == "centre") return PrintControlCentre(window, caption);
    if (mode == "escape-menu") return PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0) ? 0 : 1;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Places in the screen's own pixels at any display scaling, as a picture
    // of the screen is cut.
    SetProcessDPIAware();
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start") return argc == 4 ? Start(argv[2], argv[3]) : 2;
    if (mode == "cursor" && (argc == 4 || argc == 5))
        return MoveCursor(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (mode == "post") return argc == 7 || argc == 8 ? Post(argv, argc) : 2;
    if (mode == "menu-key")
        return argc == 4 || argc == 5 ? PressMenuKey(argv[2], argv[3], argc == 5 ? argv[4] : nullptr) : 2;
    if (mode == "menu" || mode == "escape-menu") {
        if (argc != 3 && argc != 4) return 2;
        return OnWindow(mode == "menu" ? "rect" : mode, "", argv[2], argc == 4 ? argv[3] : nullptr);
    }
    if (argc != 4 && argc != 5) return 2;
    return OnWindow(mode, argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
}
