#include "ui/new_schedule_dialog.h"

#include <optional>
#include <utility>

#include "core/program.h"
#include "platform/os.h"
#include "resource.h"

NewScheduleDialog::NewScheduleDialog(CWnd* parent, std::string home, std::vector<Schedule> existing)
    : CDialog(IDD_NEW_SCHEDULE, parent), home(std::move(home)), existing(std::move(existing)) {}

void NewScheduleDialog::OnOK() {
    // The box holds UTF-16: a name in any script keeps its letters.
    const std::string name = TrimmedScheduleName(AfxUtf8Text(HwndGetWideText(GetDlgItem(IDC_SCHEDULE_NAME))));
    if (const std::optional<std::string> refusal = ScheduleNameRefusal(name, existing)) {
        AfxMessageBox(m_hWnd, *refusal);
        return;
    }
    const std::string schedules = SchedulesFolder(home);
    const std::string folder = schedules + platform::PathSeparator + name;
    if (!platform::IsExistingFolder(schedules) && !MakeFolder(schedules)) return;
    if (!MakeFolder(folder)) return;
    made = {name, folder};
    EndDialog(IDOK);
}

bool NewScheduleDialog::MakeFolder(const std::string& folder) {
    const platform::SystemError error = platform::MakeFolder(folder);
    if (error == 0) return true;
    AfxMessageBox(m_hWnd, "Could not make the folder " + folder + ": " + FailureReason(error, folder));
    return false;
}
