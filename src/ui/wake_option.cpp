#include "ui/wake_option.h"

#include <windows.h>

#include "core/program.h"

namespace {

const wchar_t* const OptionsSection = L"Options";
const wchar_t* const WakeToRunKey = L"WakeToRun";

// The home folder is held as ANSI text, in the system's code page.
std::wstring WideText(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

}  // namespace

std::wstring OptionsFilePath() { return WideText(HomeDirectory) + L"\\orvix_launcher.ini"; }

bool LoadWakeToRun() {
    return GetPrivateProfileIntW(OptionsSection, WakeToRunKey, 0, OptionsFilePath().c_str()) == 1;
}

bool SaveWakeToRun(bool on) {
    return WritePrivateProfileStringW(OptionsSection, WakeToRunKey, on ? L"1" : L"0",
                                      OptionsFilePath().c_str()) != FALSE;
}
