#include "launcher_fixture.h"

#include "resource.h"
#include "ui/picker.h"

namespace uitest {

std::vector<std::string> LauncherFixture::ConfigLines() const {
    return testsupport::CrLfLines(testsupport::ReadFileBytes(ConfigPath()));
}

void LauncherFixture::ExpectConfigLine(std::size_t index, const std::string& value) const {
    const std::vector<std::string> lines = ConfigLines();
    ASSERT_EQ(lines.size(), 18u) << testsupport::ReadFileBytes(ConfigPath());
    EXPECT_EQ(lines[index], value) << "configuration line " << index + 1;
}

void LauncherFixture::WriteConfig(const ConfigValues& values) const {
    testsupport::WriteFileBytes(ConfigPath(), testsupport::ConfigFileText(values));
}

int LauncherFixture::LogCount(const std::string& text) const {
    std::string log = LogText();
    int count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++count;
    return count;
}

std::string ControlText(const CDialog& dialog, int id) { return HwndGetText(dialog.GetDlgItem(id)); }

void SetControlText(const CDialog& dialog, int id, const std::string& text) {
    HwndSetText(dialog.GetDlgItem(id), text.c_str());
}

bool ControlEnabled(const CDialog& dialog, int id) { return IsWindowEnabled(dialog.GetDlgItem(id)) != FALSE; }

LRESULT SendTo(const CDialog& dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(dialog.GetDlgItem(id), message, wParam, lParam);
}

namespace {

// The tests hand the pickers a moment the way a user's choice reaches them.
SYSTEMTIME PickerTime(platform::Moment moment) {
    std::tm local{};
    EXPECT_TRUE(platform::ToLocalTime(moment, local)) << moment;
    return ToSystemTime(local);
}

}  // namespace

void SetPicker(const CDialog& dialog, int id, platform::Moment moment) {
    SYSTEMTIME time = PickerTime(moment);
    SendTo(dialog, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

SYSTEMTIME PickerValue(const CDialog& dialog, int id) {
    SYSTEMTIME time{};
    SendTo(dialog, id, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    return time;
}

void RunNotingWhatItOpens(CDialog& launcher, UINT& opened, const std::function<void()>& drive) {
    harness::RunModal(launcher, [&](CDialog& shown) {
        if (&shown != &launcher) {
            opened = shown.GetTemplateId();
            shown.EndDialog(IDCANCEL);
            return;
        }
        drive();
    });
}

void ExpectSettingsEnabled(const CDialog& dialog, bool enabled) {
    for (int id :
         {IDC_PROGRAM_PATH, IDC_BROWSE, IDC_WINDOWS_PROGRAM, IDC_SHELL_COMMAND, IDC_AUTO_RESTART, IDC_MONDAY,
          IDC_TUESDAY, IDC_WEDNESDAY, IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY, IDC_SUNDAY, IDC_TIME_PICKER,
          IDC_TODAY, IDC_INTERVAL_SLIDER, IDC_INTERVAL_SPIN, IDC_INTERVAL_EDIT, IDC_TEST, IDC_LAUNCH})
        EXPECT_EQ(ControlEnabled(dialog, id), enabled) << "control " << id;
    for (int id : {IDC_APPLY_RESET, IDC_LOG, IDC_HELP_BUTTON, IDC_CLOSE})
        EXPECT_TRUE(ControlEnabled(dialog, id)) << "control " << id << " is never greyed";
}

bool TimerRunning(const CDialog& dialog, UINT_PTR id) { return KillTimer(dialog.GetSafeHwnd(), id) != FALSE; }

}  // namespace uitest
