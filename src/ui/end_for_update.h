// The installer's request that a launcher end before its program is
// replaced or removed, and the launcher's answer. Shared with the
// installer's helper, which asks.
#pragma once

#include <windows.h>

#include <string>

// Registered window message; wParam is the asking window. A launcher whose
// asker is gone goes on: nobody would start it again.
inline constexpr const wchar_t* const EndForUpdateMessageName = L"OrvixLauncher.EndForUpdate";
// The answer is WM_COPYDATA with this dwData: the settings folder's full
// path in UTF-16 without a terminating zero, empty for the home folder.
inline constexpr ULONG_PTR SettingsFolderData = 1;
// How long either side waits for the other to take a message.
inline constexpr UINT EndForUpdateAnswerMs = 5000;

inline UINT EndForUpdateMessage() {
    static const UINT message = RegisterWindowMessageW(EndForUpdateMessageName);
    return message;
}

// Sends `folder` to `asker` as the answer above.
void TellSettingsFolder(HWND asker, HWND from, const std::wstring& folder);
// Closes every dialog and message box of this thread other than `main` as
// Cancel would, and an open menu; a question without Cancel is answered No.
void CancelOwnWindows(HWND main);
