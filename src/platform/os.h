// The one seam between the portable core and the operating system: the clock,
// local-time conversions, processes, the command interpreter, the working
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
#include <optional>
#include <string>

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

// Starts a new process from `commandLine` (the buffer may be modified by the
// system) and returns at once; false when it could not be started. The
// process's handles are released; the program runs on independently.
bool StartProcess(char* commandLine);

// Runs `commandLine` through the command interpreter and waits for it.
// Returns the interpreter's status, or -1 when no interpreter could be run.
int RunCommandInterpreter(const char* commandLine);

// The working directory, read into a 260-character buffer; nothing when it
// cannot be read (removed, or longer than 259 characters).
std::optional<std::string> CurrentDirectory();

// Nothing when the variable is not set.
std::optional<std::string> EnvironmentVariable(const char* name);

// Opens `path` as std::fopen opens a file with `mode`; null when it cannot.
std::FILE* OpenFile(const std::string& path, const char* mode);

// False when the file could not be removed.
bool RemoveFile(const std::string& path);

// `path` as the program's texts (log records, messages) carry it: on Windows
// in the ANSI code page, a character the code page lacks shown as the
// system's ANSI calls show it; elsewhere as it is.
std::string AnsiPath(const std::string& path);

#ifdef _WIN32
// `path` in the UTF-16 form the Windows wide calls take.
std::wstring WidePath(const std::string& path);
#endif

// Pushes a written file's data to the disk; false on failure.
bool FlushToDisk(std::FILE* file);

// Puts `source` in the place of `target` in one step, replacing any file
// there; false when the replacement did not happen.
bool ReplaceFile(const std::string& source, const std::string& target);

// The running process's identifier: no other running process has the same.
std::uint32_t CurrentProcessId();

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
