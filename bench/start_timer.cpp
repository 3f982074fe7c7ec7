// Timing driver for the benchmark scripts. Starts a GUI program as the user's
// shell would (show command 1), optionally with a home directory of its own,
// and appends one line of figures to a result file (never to stdout: a child
// started under Wine would keep the caller's pipe open).
//
//   start_timer visible <result-file> <exe> [home]
//       milliseconds from process start to its first visible top-level window
//   start_timer run <seconds> <result-file> <exe> [home]
//       lets the program run that long after its window shows; writes "ran"
//       (Wine reports no CPU times for other processes: the scripts read them
//       from /proc instead)
//   start_timer until <seconds> <watch-file> <result-file> <exe> [home]
//       the same, but ends one second after <watch-file> appears, so that a
//       launch that comes early in a long wait does not hold the run
//
// Either way the program is then asked to close (WM_CLOSE) and, should it
// not end, terminated.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const DWORD WindowTimeoutMs = 30000;
const DWORD CloseTimeoutMs = 10000;

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
    }
    double ElapsedMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 /
               static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
};

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// The started program; asked to close, then terminated, when this ends.
class Child {
public:
    Child(const std::string& exe, const char* home) {
        if (home) SetEnvironmentVariableA("USERPROFILE", home);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        std::string commandLine = "\"" + exe + "\"";
        started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process) != FALSE;
    }
    ~Child() {
        if (!started) return;
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, CloseTimeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, CloseTimeoutMs);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Started() const { return started; }

    bool WaitForVisibleWindow() {
        DWORD begin = GetTickCount();
        while (GetTickCount() - begin < WindowTimeoutMs) {
            WindowSearch search = {process.dwProcessId, nullptr};
            EnumWindows(MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                window = search.found;
                return true;
            }
            if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) return false;
        }
        return false;
    }

private:
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    bool started = false;
};

bool Append(const std::string& file, const std::string& line) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << line << "\n";
    return static_cast<bool>(out);
}

int MeasureVisible(const std::string& resultFile, const std::string& exe, const char* home) {
    Stopwatch stopwatch;
    Child child(exe, home);
    if (!child.Started() || !child.WaitForVisibleWindow()) {
        Append(resultFile, "failed");
        return 1;
    }
    return Append(resultFile, std::to_string(stopwatch.ElapsedMs())) ? 0 : 1;
}

bool FileExists(const char* path) { return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int MeasureRun(int seconds, const char* watchFile, const std::string& resultFile, const std::string& exe,
               const char* home) {
    Child child(exe, home);
    if (!child.Started() || !child.WaitForVisibleWindow()) {
        Append(resultFile, "failed");
        return 1;
    }
    const DWORD PollMs = 100;
    for (DWORD waited = 0; waited < static_cast<DWORD>(seconds) * 1000; waited += PollMs) {
        if (FileExists(watchFile)) {
            Sleep(1000);
            break;
        }
        Sleep(PollMs);
    }
    return Append(resultFile, "ran") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "visible" && (argc == 4 || argc == 5))
        return MeasureVisible(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (mode == "run" && (argc == 5 || argc == 6)) {
        int seconds = std::atoi(argv[2]);
        if (seconds < 0 || seconds > 3600) return 2;
        return MeasureRun(seconds, nullptr, argv[3], argv[4], argc == 6 ? argv[5] : nullptr);
    }
    if (mode == "until" && (argc == 6 || argc == 7)) {
        int seconds = std::atoi(argv[2]);
        if (seconds < 0 || seconds > 3600) return 2;
        return MeasureRun(seconds, argv[3], argv[4], argv[5], argc == 7 ? argv[6] : nullptr);
    }
    return 2;
}
