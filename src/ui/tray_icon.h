// The launcher's icon in the notification area: added when the dialog is set
// up, removed when the dialog object is destroyed.
#pragma once

#include "framework/afx.h"

class TrayIcon : public CObject {
public:
    // `tip` longer than the record's field is cut to fit it.
    TrayIcon(CWnd* window, UINT callbackMessage, const char* tip);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // The task bar was re-created and has forgotten every icon: adds this
    // one again with the same record.
    void AddAgain();

    bool IsAdded() const { return added; }
    const NOTIFYICONDATAA& NotifyData() const { return notifyData; }

private:
    HICON icon = nullptr;
    bool added = false;
    NOTIFYICONDATAA notifyData{};
};
