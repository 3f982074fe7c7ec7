// An upgrade or an uninstall ends the running launcher instead of asking the
// user to find its icon: it ends as at the session's end, and the installer
// starts it again on the folder it was told.
#include "ui/end_for_update.h"

#include <string>
#include <vector>

#include "core/program.h"
#include "platform/os.h"
#include "ui/launcher_dialog.h"

namespace {

struct OwnWindows {
    HWND main;
    std::vector<HWND> found;
};

// Dialogs, message boxes and the file dialog are all of the dialog class.
bool IsDialogWindow(HWND window) {
    wchar_t name[8] = L"";
    return GetClassNameW(window, name, 8) > 0 && std::wstring(name) == L"#32770";
}

BOOL CALLBACK NoteOwnDialog(HWND window, LPARAM parameter) {
    auto* own = reinterpret_cast<OwnWindows*>(parameter);
    if (window != own->main && IsWindowVisible(window) && IsDialogWindow(window))
        own->found.push_back(window);
    return TRUE;
}

// A Yes/No question cannot be cancelled: it is answered No.
WORD CancelCommand(HWND dialog) {
    return GetDlgItem(dialog, IDNO) != nullptr && GetDlgItem(dialog, IDCANCEL) == nullptr ? IDNO : IDCANCEL;
}

}  // namespace

void TellSettingsFolder(HWND asker, HWND from, const std::wstring& folder) {
    COPYDATASTRUCT data{};
    data.dwData = SettingsFolderData;
    data.cbData = static_cast<DWORD>(folder.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(folder.data());
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&data),
                        SMTO_ABORTIFHUNG, EndForUpdateAnswerMs, &ignored);
}

void CancelOwnWindows(HWND main) {
    EndMenu();
    OwnWindows own{main, {}};
    EnumThreadWindows(GetCurrentThreadId(), NoteOwnDialog, reinterpret_cast<LPARAM>(&own));
    // Each ends when its modal loop next looks, once this message returns.
    for (HWND dialog : own.found)
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(CancelCommand(dialog), BN_CLICKED), 0);
}

// Ignored when the asker is gone: an installer that gave up would not start
// this launcher again. A prompt for administrator rights that still waits
// keeps the process until it is answered, as at Exit.
void LauncherDialog::OnEndForUpdate(HWND asker) {
    if (!::IsWindow(asker)) return;
    TellSettingsFolder(asker, m_hWnd, platform::WidePath(SettingsFolder()));
    CancelOwnWindows(m_hWnd);
    OnEndSession();
}
