#include "app/single_launcher.h"

#include <utility>

#include "platform/os.h"
#include "ui/launcher_dialog.h"

namespace {

// Long enough for a launcher that is just starting to show its window, or
// one that is just ending to let go of its settings.
constexpr DWORD WaitForRunningLauncherMs = 10000;
constexpr DWORD PollMs = 100;

MutexCreator mutexCreator;

HANDLE CreateGuardMutex(const std::wstring& name) {
    SetLastError(ERROR_SUCCESS);
    if (mutexCreator) return mutexCreator(name);
    return CreateMutexW(nullptr, TRUE, name.c_str());
}

struct MarkedWindowSearch {
    const wchar_t* mark;
    HWND found;
};

BOOL CALLBACK MatchMarkedWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<MarkedWindowSearch*>(parameter);
    if (GetPropW(window, search->mark) == nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindMarkedWindow(const std::wstring& mark) {
    MarkedWindowSearch search = {mark.c_str(), nullptr};
    EnumWindows(MatchMarkedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// This start holds the foreground, as the one the user just made; it hands
// it on so that the running launcher may come to the front itself.
void AskToShow(HWND running) {
    DWORD owner = 0;
    GetWindowThreadProcessId(running, &owner);
    AllowSetForegroundWindow(owner);
    PostMessageW(running, AnotherStartMessage(), 0, 0);
}

}  // namespace

SingleLauncher::SingleLauncher(const std::string& settingsFolder)
    : mutexName(platform::WidePath(platform::LauncherMutexName(settingsFolder))),
      mark(L"OrvixLauncher.Settings." + platform::WidePath(platform::LauncherKey(settingsFolder))) {}

SingleLauncher::~SingleLauncher() {
    if (owned) ReleaseMutex(mutex);
    if (mutex != nullptr) CloseHandle(mutex);
}

bool SingleLauncher::BecomeTheRunningLauncher() {
    mutex = CreateGuardMutex(mutexName);
    const DWORD error = GetLastError();
    // A launcher started "as administrator" made the mutex, which a normal
    // start may not even open: one runs on these settings all the same.
    if (mutex == nullptr && error == ERROR_ACCESS_DENIED) return !ShowTheRunningLauncher();
    // Without a guard the launcher runs as it always could.
    if (mutex == nullptr) return true;
    if (error != ERROR_ALREADY_EXISTS) return owned = true;
    return !ShowTheRunningLauncher();
}

bool SingleLauncher::ShowTheRunningLauncher() {
    const DWORD start = GetTickCount();
    do {
        if (HWND running = FindMarkedWindow(mark)) {
            AskToShow(running);
            return true;
        }
        // No window yet, or none any more: the other launcher is starting,
        // or ending, in which case this start takes over. An elevated one's
        // mutex cannot be waited for.
        if (mutex == nullptr) {
            Sleep(PollMs);
        } else if (const DWORD wait = WaitForSingleObject(mutex, PollMs);
                   wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            owned = true;
            return false;
        }
    } while (GetTickCount() - start < WaitForRunningLauncherMs);
    return true;
}

void SetMutexCreatorForTests(MutexCreator creator) { mutexCreator = std::move(creator); }
