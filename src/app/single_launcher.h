// One launcher per settings file. Two launchers on the same settings would
// both start the program and both write the same files, so a second start
// shows the running launcher and ends, before it reads or writes anything.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class SingleLauncher {
public:
    // `settingsFolder`: the folder of the settings this start would use.
    explicit SingleLauncher(const std::string& settingsFolder);
    ~SingleLauncher();
    SingleLauncher(const SingleLauncher&) = delete;
    SingleLauncher& operator=(const SingleLauncher&) = delete;

    // True when this start is to run: no other launcher holds these settings
    // (or the guard could not be set up at all). False when a launcher is
    // running on them; it has then been asked to show itself.
    bool BecomeTheRunningLauncher();
    // The window property that marks the running launcher's window.
    const std::wstring& WindowMark() const { return mark; }

private:
    // True, once it has been asked to show itself, while another launcher
    // runs on these settings; false when that one ended and this start now
    // holds them.
    bool ShowTheRunningLauncher();

    std::wstring mutexName;
    std::wstring mark;
    HANDLE mutex = nullptr;
    bool owned = false;
};

// Tests: creates the guard's mutex in place of CreateMutexW, leaving the
// system's last error as the call would (ERROR_ALREADY_EXISTS, or
// ERROR_ACCESS_DENIED with no handle); an empty function restores the call.
using MutexCreator = std::function<HANDLE(const std::wstring& name)>;
void SetMutexCreatorForTests(MutexCreator creator);
