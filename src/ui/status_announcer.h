// The status word spoken by a screen reader when it changes, wherever the
// user is in the window: the status box is a polite live region, and each
// new word is raised once the message that brought it has been handled.
#pragma once

#include <functional>
#include <string>

#include "framework/afx.h"
#include "platform/com_win32.h"

struct IAccPropServices;

class StatusAnnouncer {
public:
    // `needCom` gives COM on the window's thread, asked for at the first
    // change, never at start-up.
    explicit StatusAnnouncer(std::function<bool()> needCom);
    ~StatusAnnouncer();
    StatusAnnouncer(const StatusAnnouncer&) = delete;
    StatusAnnouncer& operator=(const StatusAnnouncer&) = delete;

    // The window is set up: the word `box` shows now counts as told.
    void Attach(HWND box);
    // The window goes: the box is a live region no more.
    void Detach();

    // Held for each message of the window. A word that passes within one
    // message, such as "Updating" while the file dialog is open, is not
    // raised: only the word shown when the outermost message ends.
    class Handling {
    public:
        explicit Handling(StatusAnnouncer& announcer) : announcer(announcer) { ++announcer.depth; }
        ~Handling() {
            if (--announcer.depth == 0) announcer.AnnounceChange();
        }
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;

    private:
        StatusAnnouncer& announcer;
    };

private:
    void AnnounceChange();
    void MakeLiveRegion();

    std::function<bool()> needCom;
    HWND box = nullptr;
    std::string told;
    int depth = 0;
    bool regionTried = false;
    platform::ComPtr<IAccPropServices> services;
};
