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

    // Adds the icon again with the same record: after the task bar was
    // re-created and forgot every icon, or after the shell refused it. True
    // when the icon is now in the notification area.
    bool AddAgain();
    // Shows the icon at the small-icon size of the scaling `dpi`.
    void Rescale(UINT dpi);

    bool IsAdded() const { return added; }
    // False while the shell refuses the icon, as it can at logon, before the
    // task bar is ready.
    bool IsInNotificationArea() const { return inArea; }
    const NOTIFYICONDATAA& NotifyData() const { return notifyData; }

private:
    bool added = false;
    OwnedIcon icon;
    bool inArea = false;
    NOTIFYICONDATAA notifyData{};
};
