#include "platform/startup_win32.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "platform/com_win32.h"
#include "platform/os_detail.h"

namespace platform {

namespace {

// Defined here: the headers' own definitions come from libuuid, which would
// tie the exe to ole32.
const CLSID ShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID ShellLinkInterface = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID PersistFileInterface = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const KNOWNFOLDERID StartupFolderId = {
    0xB97D20BB, 0xF46A, 0x4C97, {0xBA, 0x10, 0x5E, 0x36, 0x08, 0x43, 0x08, 0x54}};

const wchar_t* const StartupApprovedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

std::string testStartupFolder;

// The shell's errors are HRESULTs; those that wrap a system error give it back.
SystemError ReasonOf(HRESULT result) {
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) return HRESULT_CODE(result);
    return static_cast<SystemError>(result);
}

// A text the shortcut hands out into a buffer of `capacity`.
template <class Read>
std::string ShortcutText(Read read) {
    std::vector<wchar_t> text(32768, L'\0');  // the longest command line Windows takes
    if (FAILED(read(text.data(), static_cast<int>(text.size())))) return "";
    return Utf8Path(text.data());
}

struct ShortcutObject {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
};

ShortcutObject NewShortcut() {
    ShortcutObject shortcut{CreateComObject<IShellLinkW>(ShellLinkClass, ShellLinkInterface), {}};
    if (shortcut.link) shortcut.link->QueryInterface(PersistFileInterface, shortcut.file.OutVoid());
    return shortcut;
}

ShortcutLine ReadShortcut(const std::string& path) {
    const ShortcutObject shortcut = NewShortcut();
    if (!shortcut.file || FAILED(shortcut.file->Load(WidePath(path).c_str(), STGM_READ))) return {};
    IShellLinkW* link = shortcut.link.Get();
    return {ShortcutText(
                [link](wchar_t* text, int capacity) { return link->GetPath(text, capacity, nullptr, 0); }),
            ShortcutText([link](wchar_t* text, int capacity) { return link->GetArguments(text, capacity); }),
            ShortcutText(
                [link](wchar_t* text, int capacity) { return link->GetWorkingDirectory(text, capacity); })};
}

}  // namespace

std::string ExecutablePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        if (length < path.size()) return Utf8Path(std::wstring(path.data(), length));
        path.resize(path.size() * 2);
    }
}

std::string StartupFolder() {
    if (!testStartupFolder.empty()) return testStartupFolder;
    wchar_t* folder = nullptr;
    const HRESULT found = SHGetKnownFolderPath(StartupFolderId, 0, nullptr, &folder);
    const std::string path = SUCCEEDED(found) && folder != nullptr ? Utf8Path(folder) : "";
    FreeComMemory(folder);
    return path;
}

void SetStartupFolderForTests(const std::string& folder) { testStartupFolder = folder; }

std::vector<std::pair<std::string, ShortcutLine>> ShortcutsIn(const std::string& folder) {
    std::vector<std::pair<std::string, ShortcutLine>> shortcuts;
    for (const detail::FolderEntry& entry : detail::FolderEntries(folder, "*.lnk")) {
        const std::string path = folder + "\\" + entry.name;
        if (!entry.isFolder) shortcuts.emplace_back(path, ReadShortcut(path));
    }
    return shortcuts;
}

SystemError WriteShortcut(const std::string& path, const ShortcutLine& line) {
    const ShortcutObject shortcut = NewShortcut();
    if (!shortcut.file) return ERROR_NOT_SUPPORTED;
    IShellLinkW* link = shortcut.link.Get();
    for (HRESULT result :
         {link->SetPath(WidePath(line.target).c_str()), link->SetArguments(WidePath(line.arguments).c_str()),
          link->SetWorkingDirectory(WidePath(line.startIn).c_str()),
          shortcut.file->Save(WidePath(path).c_str(), TRUE)}) {
        if (FAILED(result)) return ReasonOf(result);
    }
    return 0;
}

SystemError DeleteShortcut(const std::string& path) {
    return DeleteFileW(WidePath(path).c_str()) ? 0 : GetLastError();
}

bool TurnedOffInStartupApps(const std::string& fileName) {
    const std::wstring name = WidePath(fileName);
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, StartupApprovedKey, name.c_str(), RRF_RT_REG_BINARY, nullptr, nullptr,
                     &size) != ERROR_SUCCESS ||
        size == 0)
        return false;
    std::vector<BYTE> value(size);
    if (RegGetValueW(HKEY_CURRENT_USER, StartupApprovedKey, name.c_str(), RRF_RT_REG_BINARY, nullptr,
                     value.data(), &size) != ERROR_SUCCESS)
        return false;
    // Bit 0 of the first byte: 02 is on, 03 off.
    return size > 0 && (value[0] & 1U) != 0;
}

}  // namespace platform
