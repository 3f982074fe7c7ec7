// Shared by the launcher dialog tests: a fresh home directory and a set clock
// for every test, the configuration and log files, and the dialog's controls
// read and written by identifier.
#pragma once

#include <string>
#include <vector>

#include "support/core_support.h"
#include "support/dialog_harness.h"
#include "ui/launcher_dialog.h"

namespace uitest {

struct ConfigValues {
    std::string programPath;
    platform::Moment launchTime = 0;
    int interval = 10;
    std::string days = "0000000";  // Sunday first
    bool windowsProgram = true;
    bool autoRestart = false;
    bool iconized = false;
};

class LauncherFixture : public testsupport::ClockFixture {
protected:
    std::string ConfigPath() const { return HomeFile("orvix_launcher.cfg"); }
    // The configuration file's lines without their CR LF; empty when absent.
    std::vector<std::string> ConfigLines() const;
    void WriteConfig(const ConfigValues& values) const;
    int LogCount(const std::string& text) const;
};

// A local date and time as a moment (the fixture's zone is UTC).
platform::Moment LocalMoment(int year, int month, int day, int hour, int minute, int second);

std::string ControlText(const CDialog& dialog, int id);
void SetControlText(const CDialog& dialog, int id, const std::string& text);
bool ControlEnabled(const CDialog& dialog, int id);
LRESULT SendTo(const CDialog& dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void SetPicker(const CDialog& dialog, int id, platform::Moment moment);
SYSTEMTIME PickerValue(const CDialog& dialog, int id);

}  // namespace uitest
