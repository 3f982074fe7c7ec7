// "New Schedule": asks for a name and makes the schedule's folder under
// "Orvix Launcher Schedules" in the home folder. A name that cannot be a
// schedule's is refused with the reason, and the dialog stays as it was.
#pragma once

#include <string>
#include <vector>

#include "core/schedules.h"
#include "framework/afx.h"

class NewScheduleDialog : public CDialog {
public:
    // `existing` are the schedules listed now, whose names are taken.
    NewScheduleDialog(CWnd* parent, std::string home, std::vector<Schedule> existing);

    // OK makes the folder, the schedules folder too when it is missing.
    void OnOK() override;
    // After OK: the schedule just made.
    const Schedule& Made() const { return made; }

private:
    // Tells the user why, over this dialog; false when the folder is not there.
    bool MakeFolder(const std::string& folder);

    std::string home;
    std::vector<Schedule> existing;
    Schedule made;
};
