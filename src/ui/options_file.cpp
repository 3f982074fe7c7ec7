#include "ui/options_file.h"

#include <windows.h>

#include "core/program.h"
#include "platform/os.h"

namespace {

const wchar_t* const OptionsSection = L"Options";
const wchar_t* const ScheduleSection = L"Schedule";
const wchar_t* const PickedTimeKey = L"Time";

const wchar_t* KeyOf(LauncherOption option) {
    switch (option) {
        case LauncherOption::Notify:
            return L"Notify";
        case LauncherOption::RunMissed:
            return L"RunMissed";
        case LauncherOption::WakeToRun:
            break;
    }
    return L"WakeToRun";
}

}  // namespace

// Beside the configuration file, whatever the home folder is named.
std::wstring OptionsFilePath() { return platform::WidePath(HomeFilePath("orvix_launcher.ini")); }

bool LoadOption(LauncherOption option) {
    const INT byDefault = option == LauncherOption::Notify ? 1 : 0;
    return GetPrivateProfileIntW(OptionsSection, KeyOf(option), byDefault, OptionsFilePath().c_str()) == 1;
}

bool SaveOption(LauncherOption option, bool on) {
    return WritePrivateProfileStringW(OptionsSection, KeyOf(option), on ? L"1" : L"0",
                                      OptionsFilePath().c_str()) != FALSE;
}

std::optional<ClockTime> LoadPickedTime() {
    wchar_t text[16] = L"";
    GetPrivateProfileStringW(ScheduleSection, PickedTimeKey, L"", text, 16, OptionsFilePath().c_str());
    return ParseClockTime(platform::Utf8Path(text));
}

bool SavePickedTime(const ClockTime& time, bool weekdayMode) {
    const std::wstring text = platform::WidePath(ClockTimeText(time));
    return WritePrivateProfileStringW(ScheduleSection, PickedTimeKey, weekdayMode ? text.c_str() : nullptr,
                                      OptionsFilePath().c_str()) != FALSE;
}
