#include "app/single_launcher.h"

#include <cstdint>
#include <utility>
#include <vector>

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

// The path as the file system names it: full, and in one case, since
// Windows file names ignore case.
std::wstring CanonicalPath(const std::wstring& path) {
    std::wstring canonical = path;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed > 0) {
        std::vector<wchar_t> full(needed);
        const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
        if (length > 0 && length < needed) canonical.assign(full.data(), length);
    }
    if (!canonical.empty()) CharUpperBuffW(&canonical[0], static_cast<DWORD>(canonical.size()));
    return canonical;
}

// FNV-1a over the UTF-16 units: a name of fixed length for any path.
std::wstring PathKey(const std::wstring& path) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (wchar_t unit : path) {
        for (unsigned shift : {0U, 8U}) {
            hash ^= (static_cast<std::uint16_t>(unit) >> shift) & 0xFFU;
            hash *= 1099511628211ULL;
        }
    }
    std::wstring key(16, L'0');
    for (std::size_t at = key.size(); at-- > 0; hash >>= 4) key[at] = L"0123456789ABCDEF"[hash & 0xFU];
    return key;
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

SingleLauncher::SingleLauncher(const std::wstring& settingsPath) {
    const std::wstring key = PathKey(CanonicalPath(settingsPath));
    // Per logon session: each user's launcher keeps to their own desktop.
    mutexName = L"Local\\OrvixLauncher.Settings." + key;
    mark = L"OrvixLauncher.Settings." + key;
}

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
