// The operating-system seam on Windows.
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <time.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <type_traits>

// windows.h maps ReplaceFile to ReplaceFileA; ours is a different function.
#undef ReplaceFile

#include "platform/os.h"
#include "platform/os_detail.h"

namespace platform {

namespace detail {

bool SystemLocalTime(std::time_t moment, std::tm& local) { return localtime_s(&local, &moment) == 0; }

std::int64_t SystemMilliseconds() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    // 100-ns ticks since 1601 to milliseconds since 1970.
    constexpr std::int64_t TicksFrom1601To1970 = 116444736000000000LL;
    return (ticks - TicksFrom1601To1970) / 10000;
}

}  // namespace detail

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

}  // namespace

bool StartProcess(char* commandLine) {
    STARTUPINFOA startupInfo{};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInfo{};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                        &processInfo))
        return false;
    // The program runs on by itself; its handles are not needed here.
    OwnedHandle process(processInfo.hProcess);
    OwnedHandle thread(processInfo.hThread);
    return true;
}

void ReloadTimeZone() { _tzset(); }

int RunCommandInterpreter(const char* commandLine) { return std::system(commandLine); }

std::optional<std::string> CurrentDirectory() {
    std::array<char, 260> buffer{};
    if (_getcwd(buffer.data(), static_cast<int>(buffer.size())) == nullptr) return std::nullopt;
    return std::string(buffer.data());
}

bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

// While another process replaces or reads the same file (another copy of
// the program saving too), the replacement is refused for a moment; it is
// tried again for a short while before it counts as failed.
bool ReplaceFile(const std::string& source, const std::string& target) {
    constexpr int Attempts = 20;
    constexpr DWORD PauseMs = 10;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == Attempts || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION))
            return false;
        Sleep(PauseMs);
    }
}

std::uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

namespace {

// Windows moves to the end and writes in two steps, so two processes
// appending at once can write over each other. Appenders take turns under
// a lock on one byte far past any real end of the file: it serialises them
// without keeping readers, or the log viewer's emptying, out.
constexpr DWORD AppendLockOffsetHigh = 0x7FFF0000;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

AppendFile::AppendFile(const std::string& path)
    : handle(reinterpret_cast<std::intptr_t>(CreateFileA(path.c_str(), FILE_GENERIC_WRITE,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))) {}

AppendFile::~AppendFile() {
    if (IsOpen()) CloseHandle(AsHandle(handle));
}

bool AppendFile::IsOpen() const { return AsHandle(handle) != INVALID_HANDLE_VALUE; }

bool AppendFile::Append(const std::string& bytes) {
    if (!IsOpen() || bytes.size() > MAXDWORD) return false;
    OVERLAPPED lockRange{};
    lockRange.OffsetHigh = AppendLockOffsetHigh;
    // A file system without locks still gets the record, as before.
    const bool locked = LockFileEx(AsHandle(handle), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockRange) != 0;
    LARGE_INTEGER start{};
    DWORD written = 0;
    const bool appended =
        SetFilePointerEx(AsHandle(handle), start, nullptr, FILE_END) &&
        WriteFile(AsHandle(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (locked) UnlockFileEx(AsHandle(handle), 0, 1, 0, &lockRange);
    return appended;
}

}  // namespace platform
