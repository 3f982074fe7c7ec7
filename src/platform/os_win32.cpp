// The operating-system seam on Windows.
#include <windows.h>
#include <direct.h>
#include <io.h>
#include <shellapi.h>
#include <time.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

// windows.h maps ReplaceFile to ReplaceFileA; ours is a different function.
#undef ReplaceFile

#include "platform/com_win32.h"
#include "platform/os.h"
#include "platform/os_detail.h"
#include "platform/owned_handle_win32.h"

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

// Text in `codePage` as UTF-16; empty when it cannot be converted.
std::wstring Widened(UINT codePage, const std::string& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

// UTF-16 text in `codePage`; a character the code page lacks becomes what the
// system's ANSI calls make of it. Empty when it cannot be converted.
std::string Narrowed(UINT codePage, const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

// The code page of the two files: the system's ANSI one unless a test set another.
UINT ansiCodePage = CP_ACP;

}  // namespace

std::wstring WidePath(const std::string& path) { return Widened(CP_UTF8, path); }

std::string Utf8Path(const std::wstring& path) { return Narrowed(CP_UTF8, path); }

std::string AnsiPath(const std::string& path) { return Narrowed(ansiCodePage, WidePath(path)); }

std::string PathFromAnsi(const std::string& ansi) { return Utf8Path(Widened(ansiCodePage, ansi)); }

void SetAnsiCodePageForTests(unsigned codePage) { ansiCodePage = codePage == 0 ? CP_ACP : codePage; }

namespace {

// The folder in UTF-16, kept alive by `wide`; null (the caller's own
// working folder) when it is empty.
const wchar_t* FolderOrNull(const std::string& folder, std::wstring& wide) {
    wide = WidePath(folder);
    return folder.empty() ? nullptr : wide.c_str();
}

// Starts `commandLine` as a new process in `folder`; its handles go to `processInfo`.
SystemError CreateProcessIn(const wchar_t* program, const std::string& commandLine, const std::string& folder,
                            PROCESS_INFORMATION& processInfo) {
    std::wstring writable = WidePath(commandLine);  // CreateProcessW may write into it
    writable.push_back(L'\0');
    std::wstring wideFolder;
    STARTUPINFOW startupInfo{};
    startupInfo.cb = sizeof(startupInfo);
    if (!CreateProcessW(program, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        FolderOrNull(folder, wideFolder), &startupInfo, &processInfo))
        return GetLastError();
    return 0;
}

// %ComSpec%, or cmd.exe in the system folder when it is unset.
std::string CommandInterpreterPath() {
    const std::optional<std::string> comSpec = EnvironmentVariable("ComSpec");
    if (comSpec && !comSpec->empty()) return *comSpec;
    std::array<wchar_t, MAX_PATH> system{};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    if (length == 0 || length >= system.size()) return "cmd.exe";
    return Utf8Path(std::wstring(system.data(), length)) + "\\cmd.exe";
}

}  // namespace

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WidePath(path).c_str()); }

DWORD WINAPI RunWork(void* parameter) {
    const std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    (*work)();
    return 0;
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

PathKind KindOfPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Folder : PathKind::File;
}

bool IsExistingFolder(const std::string& path) { return KindOfPath(path) == PathKind::Folder; }

// Windows 10 1511 brought the call that also answers on ARM; older ones
// have only the first.
bool RunsUnderWow64() {
    using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process2")));
    if (isWow64Process2 != nullptr) {
        USHORT process = 0, machine = 0;
        return isWow64Process2(GetCurrentProcess(), &process, &machine) != FALSE &&
               process != IMAGE_FILE_MACHINE_UNKNOWN;
    }
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

std::string ExpandEnvironment(const std::string& text) {
    const std::wstring wide = WidePath(text);
    std::wstring expanded(wide.size() + 1, L'\0');
    for (;;) {
        const DWORD length =
            ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (length == 0) return text;
        if (length <= expanded.size()) return Utf8Path(std::wstring(expanded.data(), length - 1));
        expanded.resize(length);  // the size asked for, its NUL included
    }
}

SystemError StartProcess(const std::string& commandLine, const std::string& folder) {
    if (auto answer = detail::AnswerStartForTest({"CreateProcess", "", commandLine, "", folder}))
        return *answer;
    PROCESS_INFORMATION processInfo{};
    const SystemError error = CreateProcessIn(nullptr, commandLine, folder, processInfo);
    // The program runs on by itself; its handles are not needed here.
    OwnedHandle process(processInfo.hProcess);
    OwnedHandle thread(processInfo.hThread);
    return error;
}

void ReloadTimeZone() { _tzset(); }

namespace detail {

// Some shell extensions (shortcuts among them) are COM objects, so the
// shell asks its callers for an apartment.
SystemError InShellApartment(const std::function<SystemError()>& work) {
    const ComApartment apartment;
    return work();
}

SystemError OpenWithShell(const ShellRequest& request) {
    const std::wstring verb = WidePath(request.verb), file = WidePath(request.file),
                       parameters = WidePath(request.parameters);
    std::wstring folder;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error box: it would hold up the start until someone answered it,
    // even at an unattended launch. The log says why instead.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    // The elevation prompt belongs to the launcher's window, not to nobody.
    info.hwnd = reinterpret_cast<HWND>(request.owner);
    info.lpVerb = verb.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = FolderOrNull(request.folder, folder);
    info.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&info)) return 0;
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_NO_ASSOCIATION;
}

SystemError RunOnThreadOfItsOwn(std::function<void()> work) {
    auto parameter = std::make_unique<std::function<void()>>(std::move(work));
    OwnedHandle thread(CreateThread(nullptr, 0, RunWork, parameter.get(), 0, nullptr));
    if (!thread) return GetLastError();
    parameter.release();  // the thread's own now
    return 0;
}

}  // namespace detail

struct CommandWatch::State {
    OwnedHandle process;
    HANDLE wait = nullptr;
    CommandEndHandler onEnd;
};

namespace {

void CALLBACK OnCommandEnded(void* context, BOOLEAN) {
    auto& state = *static_cast<CommandWatch::State*>(context);
    DWORD status = 0;
    if (!GetExitCodeProcess(state.process.get(), &status)) status = static_cast<DWORD>(-1);
    state.onEnd(status);
}

}  // namespace

CommandWatch::CommandWatch(std::shared_ptr<State> state) : state(std::move(state)) {}

// INVALID_HANDLE_VALUE waits for a report already running, so nothing
// reaches the owner once the watch is gone.
CommandWatch::~CommandWatch() {
    if (state->wait != nullptr) UnregisterWaitEx(state->wait, INVALID_HANDLE_VALUE);
}

StartedCommand StartCommandInterpreter(const std::string& command, const std::string& folder,
                                       CommandEndHandler onEnd) {
    if (auto answer = detail::AnswerStartForTest({"CommandInterpreter", "", command, "", folder}))
        return {*answer, nullptr};
    const std::string interpreter = CommandInterpreterPath();
    // /s takes off exactly the outer pair of quotes and keeps what they hold.
    const std::string commandLine = "\"" + interpreter + "\" /d /s /c " + command;
    PROCESS_INFORMATION processInfo{};
    if (const SystemError error =
            CreateProcessIn(WidePath(interpreter).c_str(), commandLine, folder, processInfo))
        return {error, nullptr};
    OwnedHandle thread(processInfo.hThread);
    auto state = std::make_shared<CommandWatch::State>();
    state->process.reset(processInfo.hProcess);
    state->onEnd = std::move(onEnd);
    // The system's wait thread reports the end; the window's thread never waits.
    if (!RegisterWaitForSingleObject(&state->wait, state->process.get(), OnCommandEnded, state.get(),
                                     INFINITE, WT_EXECUTEONLYONCE)) {
        state->wait = nullptr;
        return {0, nullptr};  // started, but its end cannot be awaited
    }
    return {0, std::make_unique<CommandWatch>(std::move(state))};
}

std::string SystemErrorText(SystemError error) {
    std::array<char, 1024> text{};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        error, 0, text.data(), static_cast<DWORD>(text.size()), nullptr);
    return std::string(text.data(), length);
}

std::optional<std::string> CurrentDirectory() {
    std::array<wchar_t, 260> buffer{};
    if (_wgetcwd(buffer.data(), static_cast<int>(buffer.size())) == nullptr) return std::nullopt;
    return Narrowed(CP_UTF8, buffer.data());
}

// The process's own environment, which every way of setting a variable
// reaches (the C library's putenv as well as SetEnvironmentVariable).
std::optional<std::string> EnvironmentVariable(const char* name) {
    const std::wstring wideName = Widened(CP_UTF8, name);
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length =
            GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        if (length < value.size()) {
            value.resize(length);
            return Narrowed(CP_UTF8, value);
        }
        value.resize(length);  // the size asked for, its NUL included
    }
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(WidePath(path).c_str(), Widened(CP_UTF8, mode).c_str());
}

bool RemoveFile(const std::string& path) { return _wremove(WidePath(path).c_str()) == 0; }

bool FlushToDisk(std::FILE* file) { return std::fflush(file) == 0 && _commit(_fileno(file)) == 0; }

// While another process replaces or reads the same file (another copy of
// the program saving too), the replacement is refused for a moment; it is
// tried again for a short while before it counts as failed.
bool ReplaceFile(const std::string& source, const std::string& target) {
    constexpr int Attempts = 20;
    constexpr DWORD PauseMs = 10;
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(WidePath(source).c_str(), WidePath(target).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
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
    : handle(reinterpret_cast<std::intptr_t>(CreateFileW(WidePath(path).c_str(), FILE_GENERIC_WRITE,
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
