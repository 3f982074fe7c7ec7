#include "ui/wake_option.h"

#include <windows.h>

#include "core/program.h"
#include "platform/os.h"

namespace {

const wchar_t* const OptionsSection = L"Options";
const wchar_t* const WakeToRunKey = L"WakeToRun";

}  // namespace

// Beside the configuration file, whatever the home folder is named.
std::wstring OptionsFilePath() { return platform::WidePath(HomeFilePath("orvix_launcher.ini")); }

bool LoadWakeToRun() {
    return GetPrivateProfileIntW(OptionsSection, WakeToRunKey, 0, OptionsFilePath().c_str()) == 1;
}

bool SaveWakeToRun(bool on) {
    return WritePrivateProfileStringW(OptionsSection, WakeToRunKey, on ? L"1" : L"0",
                                      OptionsFilePath().c_str()) != FALSE;
}
