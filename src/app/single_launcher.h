// One launcher per settings file. Two launchers on the same settings would
// both start the program and both write the same files, so a second start
// shows the running launcher and ends, before it reads or writes anything.
#pragma once

#include <windows.h>

#include <string>

class SingleLauncher {
public:
    // `settingsPath`: the settings file this start would use.
    explicit SingleLauncher(const std::wstring& settingsPath);
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
    std::wstring mutexName;
    std::wstring mark;
    HANDLE mutex = nullptr;
    bool owned = false;
};
