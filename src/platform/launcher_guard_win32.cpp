// Which folder a launcher runs on, however the folder is spelled.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/os.h"
#include "platform/owned_handle_win32.h"

namespace platform {

namespace {

// What GetFinalPathNameByHandleW puts before a drive's path ("\\?\C:\...")
// or before a share's ("\\?\UNC\server\share\..."), taken off again.
std::wstring WithoutLongPrefix(const std::wstring& path) {
    const std::wstring share = L"\\\\?\\UNC\\", local = L"\\\\?\\";
    if (path.compare(0, share.size(), share) == 0) return L"\\\\" + path.substr(share.size());
    if (path.compare(0, local.size(), local) == 0) return path.substr(local.size());
    return path;
}

std::optional<std::wstring> FinalWidePath(const std::wstring& path) {
    // A folder opens only for its attributes, and with backup semantics.
    OwnedHandle opened(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (opened.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<wchar_t> final(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(opened.get(), final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::nullopt;
        if (length < final.size()) return WithoutLongPrefix(std::wstring(final.data(), length));
        final.resize(length + 1);
    }
}

std::wstring FullWidePath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::vector<wchar_t> full(needed);
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    return length > 0 && length < needed ? std::wstring(full.data(), length) : path;
}

// Windows file names ignore case.
std::wstring InCapitals(std::wstring path) {
    if (!path.empty()) CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
    return path;
}

// FNV-1a over the UTF-16 units: a name of fixed length for any path.
std::string HashText(const std::wstring& path) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (wchar_t unit : path) {
        for (unsigned shift : {0U, 8U}) {
            hash ^= (static_cast<std::uint16_t>(unit) >> shift) & 0xFFU;
            hash *= 1099511628211ULL;
        }
    }
    std::string key(16, '0');
    for (std::size_t at = key.size(); at-- > 0; hash >>= 4) key[at] = "0123456789ABCDEF"[hash & 0xFU];
    return key;
}

}  // namespace

std::optional<std::string> FinalPath(const std::string& path) {
    const std::optional<std::wstring> final = FinalWidePath(WidePath(path));
    if (!final) return std::nullopt;
    return Utf8Path(*final);
}

std::string LauncherKey(const std::string& settingsFolder) {
    const std::wstring folder = WidePath(settingsFolder);
    return HashText(InCapitals(FinalWidePath(folder).value_or(FullWidePath(folder))));
}

std::string LauncherMutexName(const std::string& settingsFolder) {
    // Per logon session: each user's launcher keeps to their own desktop.
    return "Local\\OrvixLauncher.Settings." + LauncherKey(settingsFolder);
}

bool IsLauncherRunningOn(const std::string& settingsFolder) {
    SetLastError(ERROR_SUCCESS);
    const OwnedHandle mutex(
        OpenMutexW(SYNCHRONIZE, FALSE, WidePath(LauncherMutexName(settingsFolder)).c_str()));
    // An elevated launcher's mutex exists but may not be opened.
    return mutex != nullptr || GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace platform
