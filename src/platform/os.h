// The one seam between the portable core and the operating system: the clock,
// local-time conversions, starting programs and the command interpreter, the working
// directory, the environment and the files.
//
// Paths and environment values are kept as UTF-8 text on every system. On
// Windows the file calls take them in UTF-16, so that a folder named in any
// script (a Greek, Cyrillic or Devanagari user name) can be opened; the ANSI
// calls would turn such names into '?' and fail.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Seconds since 1970-01-01 00:00:00 UTC. Only 0..INT32_MAX is a usable moment.
using Moment = std::int32_t;

// The clock every part of the program reads. Tests set it; otherwise it
// follows the system clock. CurrentTime is the whole seconds of
// CurrentTimeMilliseconds, so both always agree on whether a moment came.
Moment CurrentTime();
// Milliseconds since 1970-01-01 00:00:00 UTC.
std::int64_t CurrentTimeMilliseconds();
void SetTestClock(Moment now);
void SetTestClockMilliseconds(std::int64_t now);
void AdvanceTestClock(std::int32_t seconds);
void ClearTestClock();

// Reads the time zone again (the C library keeps the one it read first), so
// that local times follow a zone the user has just changed.
void ReloadTimeZone();

// Checked conversions to and from broken-down local time. A negative moment,
// or one the C library cannot convert, gives false and leaves `local` alone.
bool ToLocalTime(Moment moment, std::tm& local);
// Normalises `local` as mktime does (tm_isdst -1 lets the library decide).
// False when the result is not a usable moment; `moment` is then untouched.
bool FromLocalTime(std::tm& local, Moment& moment);

#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// The system's number for why a start failed; 0 when it worked.
using SystemError = std::uint32_t;

// Whether `path` names an existing file (a folder is none).
bool IsExistingFile(const std::string& path);
bool IsExistingFolder(const std::string& path);

// Whether this is a 32-bit launcher on 64-bit Windows, which gives it the
// (x86) folders as %ProgramFiles% and %CommonProgramFiles%.
bool RunsUnderWow64();

// The names of the folders in `folder`, files left out; none when it cannot
// be read.
std::vector<std::string> SubfolderNames(const std::string& folder);
// 0 when `folder` was made, else the system's reason (also when it exists).
SystemError MakeFolder(const std::string& folder);
// Below, equal to or above 0 as Windows orders two file names: case does not
// count, in any script.
int CompareFileNames(const std::string& left, const std::string& right);

// `text` with each %NAME% of a set environment variable replaced by its
// value, as the Run box reads what is typed; any other % stays as it is.
std::string ExpandEnvironment(const std::string& text);

// What the UTF-8 `path` names, by its name in any script.
enum class PathKind { Missing, File, Folder };
PathKind KindOfPath(const std::string& path);

// Starts `commandLine` as a new process in `folder` (in the launcher's own
// working folder when empty) and returns at once. The process's handles are
// released; the program runs on independently.
SystemError StartProcess(const std::string& commandLine, const std::string& folder);

// What a start through the shell asks for: `file` opened with `verb`
// ("open", "runas") and `parameters` in `folder`, as a double click in
// Explorer would open it.
struct ShellRequest {
    std::string file;
    std::string parameters;
    std::string verb;
    std::string folder;
    // The window that owns the shell's prompts, such as the one that asks
    // for administrator rights; 0 for none.
    std::uintptr_t owner = 0;
};

// A start through the shell. The shell can wait on a person (the elevation
// prompt) or on a slow document handler, so the call runs on a short-lived
// thread of its own, never on the caller's. Destroying this stops the report
// of its answer (after one already being made); the start itself goes on.
class ShellStart {
public:
    struct State;  // shared with the start's thread
    explicit ShellStart(std::shared_ptr<State> state);
    ~ShellStart();
    ShellStart(const ShellStart&) = delete;
    ShellStart& operator=(const ShellStart&) = delete;

private:
    std::shared_ptr<State> state;
};

// Called on the start's thread with the shell's answer: 0 when it started.
using ShellAnswerHandler = std::function<void(SystemError error)>;

struct StartedShell {
    SystemError error = 0;  // no thread could be started for it
    std::unique_ptr<ShellStart> start;
};

// Returns at once; `onAnswer` runs on the start's thread unless the
// ShellStart was destroyed first. The shell shows no error box of its own:
// a failure comes back as its number.
StartedShell StartWithShell(const ShellRequest& request, ShellAnswerHandler onAnswer);
// Returns once every start through the shell has had its answer: at the
// program's end, a start still waiting on a prompt is left to finish.
void WaitForShellStarts();

// A started command whose end is awaited on a thread of the system's, never
// on the caller's. Destroying it stops the waiting (after an end already
// being reported) and releases the process's handle; the command runs on.
class CommandWatch {
public:
    struct State;  // the system's side of the wait
    explicit CommandWatch(std::shared_ptr<State> state);
    ~CommandWatch();
    CommandWatch(const CommandWatch&) = delete;
    CommandWatch& operator=(const CommandWatch&) = delete;

private:
    std::shared_ptr<State> state;
};

// Called on the waiting thread with the command interpreter's exit status.
using CommandEndHandler = std::function<void(std::uint32_t exitStatus)>;

struct StartedCommand {
    SystemError error = 0;
    // Nothing when the start failed, or when the end cannot be awaited.
    std::unique_ptr<CommandWatch> watch;
};

// Starts the command interpreter in `folder` on `command`, which it takes as
// "cmd /d /s /c" does: the outer pair of quotes removed, the rest run. Returns
// at once; `onEnd` runs on another thread when the interpreter ends, unless
// the watch was destroyed first.
StartedCommand StartCommandInterpreter(const std::string& command, const std::string& folder,
                                       CommandEndHandler onEnd);

// The system's own text for `error`, as the system gives it; empty when it
// has none.
std::string SystemErrorText(SystemError error);

// What was asked of the system to start something, as a test sees it.
struct StartRequest {
    std::string call;        // "CreateProcess", "ShellExecuteEx" or "CommandInterpreter"
    std::string verb;        // ShellExecuteEx's verb
    std::string target;      // the command line, the file, or the interpreter's command
    std::string parameters;  // ShellExecuteEx's parameters
    std::string folder;      // empty: the launcher's own working folder
};
// Tests: answers every start in place of the system (0 for started, else
// the system's error number); an empty function restores the system. A
// start through the shell is answered on its own thread.
using StartHandler = std::function<SystemError(const StartRequest& request)>;
void SetStartHandler(StartHandler handler);

// The working directory, read into a 260-character buffer; nothing when it
// cannot be read (removed, or longer than 259 characters).
std::optional<std::string> CurrentDirectory();

// Nothing when the variable is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

// Opens `path` as std::fopen opens a file with `mode`; null when it cannot.
std::FILE* OpenFile(const std::string& path, const char* mode);

// False when the file could not be removed.
bool RemoveFile(const std::string& path);

// `path` as the two files (the settings and the log) carry it: on Windows
// in the ANSI code page, a character the code page lacks shown as the
// system's ANSI calls show it; elsewhere as it is.
std::string AnsiPath(const std::string& path);
// Text of the two files, in the ANSI code page, as UTF-8.
std::string PathFromAnsi(const std::string& ansi);
// Tests: reads and writes the two files in `codePage` (932: Japanese)
// instead of the system's ANSI code page; 0 restores the system's.
void SetAnsiCodePageForTests(unsigned codePage);

#ifdef _WIN32
// `path` in the UTF-16 form the Windows wide calls take, and back.
std::wstring WidePath(const std::string& path);
std::string Utf8Path(const std::wstring& path);
#endif

// Pushes a written file's data to the disk; false on failure.
bool FlushToDisk(std::FILE* file);

// Puts `source` in the place of `target` in one step, replacing any file
// there; false when the replacement did not happen.
bool ReplaceFile(const std::string& source, const std::string& target);

// The running process's identifier: no other running process has the same.
std::uint32_t CurrentProcessId();

// What a shortcut starts, as the shortcut says it: its target, its
// arguments (no program's name before them) and its start-in folder.
struct ShortcutLine {
    std::string target;
    std::string arguments;
    std::string startIn;
};

// `path` as the file system names it: an 8.3 name made long, a mapped drive
// as its share, a junction followed. Nothing when it cannot be opened.
std::optional<std::string> FinalPath(const std::string& path);

// One launcher runs per settings folder. The key is the same for every
// spelling of one folder, made from its final path (its full path in
// capitals when it cannot be opened), and the mutex a running launcher holds
// is named after it.
std::string LauncherKey(const std::string& settingsFolder);
std::string LauncherMutexName(const std::string& settingsFolder);
// Whether a launcher runs on `settingsFolder` now: its mutex exists, or
// opening it is refused (an elevated launcher's).
bool IsLauncherRunningOn(const std::string& settingsFolder);

// A file that records are appended to while other processes (another copy
// of the program) may append to it too. Each Append lands whole at the end
// the file has at that moment, never inside or across another's, also
// after someone else emptied the file.
class AppendFile {
public:
    // Opens `path`, creating it when absent; IsOpen tells whether it worked.
    explicit AppendFile(const std::string& path);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    bool IsOpen() const;
    // False when not all of `bytes` reached the file.
    bool Append(const std::string& bytes);

private:
    std::intptr_t handle;  // the system's handle or descriptor; -1 when not open
};

}  // namespace platform
