// The installer's helper: it ends the launchers that run the installed
// program before the program is replaced or removed, starts them again on
// their own folders afterwards, and removes the Startup folder's shortcuts
// to it. The installer carries it and runs it from its temporary folder; it
// is never installed.
//
//   launcher_helper end EXE LIST     asks every launcher running EXE to end,
//                                    appends the folders they name to LIST;
//                                    exit 0 when all ended, else 1
//   launcher_helper start EXE LIST   starts EXE once for each line of LIST
//   launcher_helper unstartup EXE    deletes the Startup shortcuts to EXE
//
// LIST holds one settings folder a line, UTF-8 with CR LF, an empty line for
// the home folder. Bad input: one line on standard error, exit code 2.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/end_for_update.h"

namespace {

constexpr DWORD EndWithinMs = 15000;
const char* const Usage = "usage: launcher_helper end|start EXE LIST, or launcher_helper unstartup EXE";

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle(handle) {}
    ~Handle() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    Handle(Handle&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&&) = delete;
    HANDLE Get() const { return handle; }
    bool Valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
};

class FindHandle {
public:
    FindHandle(const std::wstring& pattern, WIN32_FIND_DATAW& entry)
        : handle(FindFirstFileW(pattern.c_str(), &entry)) {}
    ~FindHandle() {
        if (Valid()) FindClose(handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& entry) const { return FindNextFileW(handle, &entry) != FALSE; }

private:
    HANDLE handle;
};

// A COM interface pointer, released with the object.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer != nullptr) pointer->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface* operator->() const { return pointer; }
    Interface** Out() { return &pointer; }
    void** OutVoid() { return reinterpret_cast<void**>(&pointer); }

private:
    Interface* pointer = nullptr;
};

class ComApartment {
public:
    ComApartment() : ready(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ready) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Ready() const { return ready; }

private:
    bool ready;
};

class CoTaskText {
public:
    CoTaskText() = default;
    ~CoTaskText() { CoTaskMemFree(text); }
    CoTaskText(const CoTaskText&) = delete;
    CoTaskText& operator=(const CoTaskText&) = delete;
    PWSTR* Out() { return &text; }
    std::wstring Get() const { return text != nullptr ? text : L""; }

private:
    PWSTR text = nullptr;
};

int Refuse(const std::string& why) {
    std::fprintf(stderr, "launcher_helper: %s\n", why.c_str());
    return 2;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size, nullptr,
                            nullptr);
    return utf8;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

// Calls `fill(buffer, size)`, which returns the length it needs or wrote,
// with a buffer grown until the text fits.
template <typename Fill>
std::wstring GrownText(Fill fill) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return {};
}

// The path as the file system finally names it: links followed, 8.3 names
// long, "\\?\" taken off. A path that cannot be opened keeps its long form.
std::wstring FinalPath(const std::wstring& path) {
    const Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring final;
    if (file.Valid())
        final = GrownText([&](wchar_t* buffer, DWORD size) {
            return GetFinalPathNameByHandleW(file.Get(), buffer, size, FILE_NAME_NORMALIZED);
        });
    if (final.empty())
        final = GrownText(
            [&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(path.c_str(), buffer, size); });
    if (final.empty()) return path;
    if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + final.substr(7);
    if (final.rfind(L"\\\\?\\", 0) == 0) return final.substr(4);
    return final;
}

// File names ignore case.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

struct Launcher {
    DWORD id;
    Handle process;
};

std::wstring ImagePath(HANDLE process) {
    return GrownText([&](wchar_t* buffer, DWORD size) {
        DWORD length = size;
        if (QueryFullProcessImageNameW(process, 0, buffer, &length)) return length;
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? size : 0;
    });
}

// Every process whose image is `exe`, the same file under any name.
std::vector<Launcher> ProcessesOf(const std::wstring& exe) {
    std::vector<Launcher> found;
    const Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        Handle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process.Valid()) continue;
        const std::wstring image = ImagePath(process.Get());
        if (!image.empty() && SamePath(FinalPath(image), exe))
            found.push_back({entry.th32ProcessID, std::move(process)});
    }
    return found;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK NoteWindowOfProcess(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(NoteWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The folders the launchers named, in the order they told them.
std::vector<std::wstring> toldFolders;

LRESULT CALLBACK AnswerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->dwData != SettingsFolderData) return FALSE;
    const auto* text = static_cast<const wchar_t*>(data->lpData);
    toldFolders.emplace_back(text != nullptr ? text : L"",
                             text != nullptr ? data->cbData / sizeof(wchar_t) : 0);
    return TRUE;
}

// A window of the helper's own, unseen and not among the top-level windows,
// to which the launchers send their folders.
class AnswerWindow {
public:
    AnswerWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = AnswerWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"OrvixLauncherHelperAnswers";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
    }
    ~AnswerWindow() {
        if (window != nullptr) DestroyWindow(window);
    }
    AnswerWindow(const AnswerWindow&) = delete;
    AnswerWindow& operator=(const AnswerWindow&) = delete;
    HWND Get() const { return window; }

private:
    HWND window = nullptr;
};

DWORD MillisecondsLeft(DWORD start) {
    const DWORD spent = GetTickCount() - start;
    return spent < EndWithinMs ? EndWithinMs - spent : 0;
}

// Only the launcher's main window answers; a launcher that takes none of
// the questions (it is busy, or stopped) is not asked again through its
// other windows, so that the time is left for the others.
void AskToEnd(const Launcher& launcher, HWND answers, DWORD start) {
    for (HWND window : TopLevelWindowsOf(launcher.id)) {
        const DWORD left = MillisecondsLeft(start);
        // A time-out of 0 is not taken as "at once" everywhere.
        if (left == 0) return;
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(window, EndForUpdateMessage(), reinterpret_cast<WPARAM>(answers), 0,
                                 SMTO_NORMAL, left < EndForUpdateAnswerMs ? left : EndForUpdateAnswerMs,
                                 &ignored))
            return;
    }
}

// Takes the answers of a launcher that answers late while it waits.
bool WaitForEnd(const Launcher& launcher, DWORD start) {
    HANDLE process = launcher.process.Get();
    for (;;) {
        const DWORD wait =
            MsgWaitForMultipleObjects(1, &process, FALSE, MillisecondsLeft(start), QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0) return true;
        if (wait != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

std::vector<std::wstring> SplitLines(const std::string& text) {
    std::vector<std::wstring> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(Wide(line));
        at = end + 1;
    }
    return lines;
}

// The list's lines; nothing for a list not yet made.
bool ReadList(const std::wstring& path, std::vector<std::wstring>& lines, bool mayBeMissing) {
    const Handle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid()) return mayBeMissing && GetLastError() == ERROR_FILE_NOT_FOUND;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    lines = SplitLines(text);
    return true;
}

bool Listed(const std::vector<std::wstring>& lines, const std::wstring& folder) {
    for (const std::wstring& line : lines) {
        if (SamePath(line, folder)) return true;
    }
    return false;
}

// Appended, never rewritten: a retry after a launcher that did not end must
// keep the folders of those that already did.
bool AppendToList(const std::wstring& path, const std::vector<std::wstring>& folders) {
    std::vector<std::wstring> lines;
    if (!ReadList(path, lines, true)) return false;
    std::string added;
    for (const std::wstring& folder : folders) {
        if (Listed(lines, folder)) continue;
        lines.push_back(folder);
        added += Utf8(folder) + "\r\n";
    }
    const Handle file(
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file.Valid() &&
           WriteFile(file.Get(), added.data(), static_cast<DWORD>(added.size()), &written, nullptr) &&
           written == added.size();
}

int EndLaunchers(const std::wstring& exe, const std::wstring& list) {
    const DWORD start = GetTickCount();
    const AnswerWindow answers;
    if (answers.Get() == nullptr) return Refuse("no window for the launchers' answers");
    const std::vector<Launcher> launchers = ProcessesOf(exe);
    for (const Launcher& launcher : launchers) AskToEnd(launcher, answers.Get(), start);
    bool allEnded = true;
    for (const Launcher& launcher : launchers) allEnded = WaitForEnd(launcher, start) && allEnded;
    if (!AppendToList(list, toldFolders)) return Refuse("cannot write the list " + Utf8(list));
    return allEnded ? 0 : 1;
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Shown normally, in the program's folder, as the Start menu starts it; the
// launcher's saved state decides whether it hides again.
bool StartLauncher(const std::wstring& exe, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!folder.empty()) commandLine += L" /folder \"" + folder + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        FolderOf(exe).c_str(), &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

// A folder removed meanwhile is skipped; the others start.
int StartLaunchers(const std::wstring& exe, const std::wstring& list) {
    std::vector<std::wstring> folders;
    if (!ReadList(list, folders, false)) return Refuse("cannot read the list " + Utf8(list));
    bool allStarted = true;
    for (const std::wstring& folder : folders) {
        if (!folder.empty() && !IsFolder(folder)) continue;
        allStarted = StartLauncher(exe, folder) && allStarted;
    }
    return allStarted ? 0 : 1;
}

std::wstring ShortcutTarget(const std::wstring& shortcut) {
    ComPointer<IShellLinkW> link;
    ComPointer<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.OutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())) ||
        FAILED(file->Load(shortcut.c_str(), STGM_READ)))
        return {};
    std::vector<wchar_t> target(32768);
    if (FAILED(link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0))) return {};
    return target.data();
}

// Every shortcut to `exe`, whatever its name: the installer's, the
// schedules' and the hand-made ones.
int RemoveStartupShortcuts(const std::wstring& exe) {
    const ComApartment apartment;
    if (!apartment.Ready()) return Refuse("COM cannot be started");
    CoTaskText startupFolder;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, startupFolder.Out())))
        return Refuse("the Startup folder cannot be found");
    const std::wstring folder = startupFolder.Get();
    WIN32_FIND_DATAW entry{};
    const FindHandle search(folder + L"\\*.lnk", entry);
    if (!search.Valid()) return 0;
    bool allRemoved = true;
    do {
        const std::wstring shortcut = folder + L"\\" + entry.cFileName;
        const std::wstring target = ShortcutTarget(shortcut);
        if (!target.empty() && SamePath(FinalPath(target), exe))
            allRemoved = DeleteFileW(shortcut.c_str()) && allRemoved;
    } while (search.Next(entry));
    return allRemoved ? 0 : 1;
}

int Run(const std::vector<std::wstring>& arguments) {
    if (arguments.size() < 2) return Refuse(Usage);
    const std::wstring& verb = arguments[0];
    const std::wstring exe = FinalPath(arguments[1]);
    if (verb == L"unstartup" && arguments.size() == 2) return RemoveStartupShortcuts(exe);
    if (arguments.size() != 3) return Refuse(Usage);
    if (verb == L"end") return EndLaunchers(exe, arguments[2]);
    if (verb == L"start") return StartLaunchers(arguments[1], arguments[2]);
    return Refuse("unknown verb " + Utf8(verb) + "; " + Usage);
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return Refuse(Usage);
    std::vector<std::wstring> arguments(argv + 1, argv + count);
    LocalFree(argv);
    return Run(arguments);
}
