// Shared by the launcher dialog tests: a fresh home directory and a set clock
// for every test, the configuration and log files, and the dialog's controls
// read and written by identifier.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "support/core_support.h"
#include "support/dialog_harness.h"
#include "ui/launcher_dialog.h"

namespace uitest {

using testsupport::ConfigValues;
using testsupport::LocalMoment;  // the fixture's zone is UTC

class LauncherFixture : public testsupport::ClockFixture {
protected:
    // The configuration file's lines without their CR LF; empty when absent.
    std::vector<std::string> ConfigLines() const;
    // Line `index` (from 0) of a saved, complete configuration file.
    void ExpectConfigLine(std::size_t index, const std::string& value) const;
    void WriteConfig(const ConfigValues& values) const;
    int LogCount(const std::string& text) const;
};

std::string ControlText(const CDialog& dialog, int id);
void SetControlText(const CDialog& dialog, int id, const std::string& text);
bool ControlEnabled(const CDialog& dialog, int id);
LRESULT SendTo(const CDialog& dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void SetPicker(const CDialog& dialog, int id, platform::Moment moment);
SYSTEMTIME PickerValue(const CDialog& dialog, int id);

// Runs the launcher modally under `drive`, which must end it. Every window it
// opens meanwhile is closed at once, its template noted in `opened`.
void RunNotingWhatItOpens(CDialog& launcher, UINT& opened, const std::function<void()>& drive);

// What a running countdown greys and a stop enables again; the date picker
// follows the mode as well, so it is checked on its own.
void ExpectSettingsEnabled(const CDialog& dialog, bool enabled);
// Whether the dialog's timer `id` was still set; asking ends it, so ask only
// where none may be left.
bool TimerRunning(const CDialog& dialog, UINT_PTR id);

}  // namespace uitest
