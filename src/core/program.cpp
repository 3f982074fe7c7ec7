// The launch settings record: validation, the weekday search, execution, the
// configuration file and the directories resolved at start-up.
#include "core/program.h"
#include "core/owned_file.h"
#include "core/start_route.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "log/log.h"

// Short enough to be held without allocating, so building them cannot throw.
std::string ProgramDirectory = ".";  // NOLINT(cert-err58-cpp)
std::string HomeDirectory = ".";     // NOLINT(cert-err58-cpp)
const char* const ConfigFileName = "orvix_launcher.cfg";

namespace {

std::string settingsFolder;  // NOLINT(cert-err58-cpp): empty, so building it cannot throw

const char* const StartFailedText = "CreateProcess failed.";
const char* const SaveFailedText =
    "Failed to open the configuration file for save\nCreating the configuration file...\n";
const char* const LoadFailedText = "Failed to open the configuration file for load";

// The longest path that fitted the MAX_PATH command line in its quotes. The
// limit stays: the launcher starts exactly the paths it always accepted.
constexpr std::size_t LongestPath = 257;
// Enough of an overlong path to tell which one it was.
constexpr std::size_t ShownPathLength = 40;
// The system's answer for a program that asks for administrator rights.
constexpr platform::SystemError ElevationRequired = 740;
// The system's answer for a file that is no program: a script, a document.
constexpr platform::SystemError BadExeFormat = 193;
// The system's answers for a name it cannot find as a program: no such
// file, no such folder, a name no file can have (a URL).
constexpr platform::SystemError NameNotFound[] = {2, 3, 123};
// The command interpreter's status for a command it does not know.
constexpr std::uint32_t CommandNotFound = 9009;

constexpr int DaysPerWeek = 7;
constexpr int ConfigLineCount = 17;  // the end marker is never read back
// Slot 0 stays empty, so that each line sits at its own line number.
constexpr int ConfigLineSlots = ConfigLineCount + 1;

const char* const DayNames[DaysPerWeek] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};
const char* const MonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                    "July",    "August",   "September", "October", "November", "December"};

bool IsValidDay(int day) { return day >= 0 && day < DaysPerWeek; }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int monthIndex) {
    constexpr int Lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return monthIndex == 1 && IsLeapYear(year) ? 29 : Lengths[monthIndex];
}

// Year, month and day as one number that sorts like the dates.
long DateOrder(const std::tm& date) { return (date.tm_year * 16L + date.tm_mon) * 32L + date.tm_mday; }

std::string ConfigFilePath() { return HomeFilePath(ConfigFileName); }

void ResolveDirectories() {
    const std::optional<std::string> workingDirectory = platform::CurrentDirectory();
    if (!workingDirectory) {
        LogMessage(Fail, __FILE__, __LINE__, "Failed to acquire Current Working Directory");
        std::abort();
    }
    ProgramDirectory = *workingDirectory;
    HomeDirectory = HomeDirectoryFor(ProgramDirectory);
    LogMessage(Info, __FILE__, __LINE__, "Program Directory: " + platform::AnsiPath(ProgramDirectory));
    LogMessage(Info, __FILE__, __LINE__, "User Home Directory: " + platform::AnsiPath(HomeDirectory));
}

// A number on a configuration line: atoi's reading, except that one beyond
// 32 bits is held at the nearest end instead of being undefined.
std::int32_t ConfigNumber(const std::string& line) {
    using Limits = std::numeric_limits<std::int32_t>;
    const std::int64_t value = LeadingInteger(line).value_or(0);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, Limits::min(), Limits::max()));
}

bool FlagLine(const std::string& line) { return !line.empty() && line[0] == '1'; }

// One line up to the next line feed, which is consumed and not kept. After
// the end of the file every read gives an empty line.
std::string ReadLine(std::FILE* file) {
    std::string line;
    for (int c = std::getc(file); c != EOF && c != '\n'; c = std::getc(file)) line += static_cast<char>(c);
    return line;
}

bool WriteAll(std::FILE* file, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

// Writes `text` beside `path` and puts it in the file's place only once it
// is complete and on the disk: an interrupted save leaves the previous file.
// A failed save leaves no temporary file of its own behind. The temporary
// file's name is this process's own, so that two copies of the program
// saving at once never write into, move or remove each other's.
bool ReplaceFileContent(const std::string& path, const std::string& text) {
    const std::string temporaryPath = path + "." + std::to_string(platform::CurrentProcessId()) + ".tmp";
    OwnedFile file(platform::OpenFile(temporaryPath, "wb"));
    if (!file) return false;
    const bool written = WriteAll(file.get(), text) && platform::FlushToDisk(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    if (written && closed && platform::ReplaceFile(temporaryPath, path)) return true;
    static_cast<void>(platform::RemoveFile(temporaryPath));  // best effort: the save has failed already
    return false;
}

const char* const OverlongPathReason = "Path longer than 257 characters";

// The path as a failure's record names it: enough of an overlong one to
// tell which it was.
std::string RecordedPath(const std::string& path) {
    return path.size() > LongestPath ? path.substr(0, ShownPathLength) : path;
}

}  // namespace

// Why a start failed, in the system's own words, for example "The system
// cannot find the file specified (error 2)".
std::string FailureReason(platform::SystemError error, const std::string& path) {
    std::string text = platform::SystemErrorText(error);
    auto dropTrailingBlanks = [&text] {
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) text.pop_back();
    };
    dropTrailingBlanks();
    if (!text.empty() && text.back() == '.') text.pop_back();
    dropTrailingBlanks();
    if (text.empty()) text = "Unknown error";
    // Some texts name the file as an insert ("%1 is not a valid Win32
    // application"), which the system leaves unfilled.
    for (std::size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at + path.size()))
        text.replace(at, 2, path);
    return text + " (error " + std::to_string(error) + ")";
}

namespace {

// A Windows program that did not start, and why; the same records whether
// the system or, later, the shell said so. `path` is what the failure names.
void RecordProgramFailure(const std::string& reason, const std::string& path) {
    LogMessage(Fail, __FILE__, __LINE__, StartFailedText);
    LogMessage(Fail, __FILE__, __LINE__, reason + ": " + RecordedPath(path));
}

bool IsNameNotFound(platform::SystemError error) {
    return std::find(std::begin(NameNotFound), std::end(NameNotFound), error) != std::end(NameNotFound);
}

}  // namespace

std::string UserHomeDirectory() { return platform::EnvironmentVariable("USERPROFILE").value_or(""); }

void UseSettingsFolder(const std::string& folder) {
    settingsFolder = folder;
    SetLogFolder(folder);
}

const std::string& SettingsFolder() { return settingsFolder; }

std::string HomeDirectoryFor(const std::string& workingDirectory) {
    if (!settingsFolder.empty()) return settingsFolder;
    std::string home = UserHomeDirectory();
    return home.empty() ? workingDirectory : home;
}

std::string HomeScheduleFolder() {
    const std::string home = UserHomeDirectory();
    return home.empty() ? ProgramDirectory : home;
}

const std::string& GetProgramDirectory() { return ProgramDirectory; }

std::string HomeFilePath(const std::string& name) { return HomeDirectory + platform::PathSeparator + name; }

std::optional<std::int64_t> LeadingInteger(const std::string& text) {
    // Far enough past 32 bits to tell a number that does not fit, and small
    // enough that one more digit cannot overflow.
    constexpr std::int64_t Saturation = std::int64_t{1} << 32;
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const std::size_t firstDigit = at;
    std::int64_t magnitude = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at)
        magnitude = std::min(magnitude * 10 + (text[at] - '0'), Saturation);
    if (at == firstDigit) return std::nullopt;
    return negative ? -magnitude : magnitude;
}

std::string TimeText(Moment t) {
    std::tm local{};
    if (!platform::ToLocalTime(t, local)) return "";
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[128] = {};
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text, so nothing is cut off.
    std::snprintf(text, sizeof text, "%s, %s %02d, %d - %02d:%02d:%02d %s", DayNames[local.tm_wday],
                  MonthNames[local.tm_mon], local.tm_mday, local.tm_year + 1900, hour12, local.tm_min,
                  local.tm_sec, local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

void AddCalendarDays(std::tm& date, int days) {
    for (int step = 0; step < days; ++step) {
        date.tm_wday = (date.tm_wday + 1) % DaysPerWeek;
        ++date.tm_yday;
        if (++date.tm_mday <= DaysInMonth(date.tm_year + 1900, date.tm_mon)) continue;
        date.tm_mday = 1;
        if (++date.tm_mon < 12) continue;
        date.tm_mon = 0;
        date.tm_yday = 0;
        ++date.tm_year;
    }
}

Program::Program() : launchTime(platform::CurrentTime()), countdownStart(platform::CurrentTime()) {
    LogMessage(Info, __FILE__, __LINE__, "Orvix Launcher Program Execution");
    ResolveDirectories();
}

Program::~Program() { SaveConfiguration(); }

void Program::SetProgramPath(const char* path) {
    if (path == nullptr) return;
    // The configuration file holds the path on one line; a line break in it
    // would push every later setting onto the wrong line. The first line is
    // kept, ended as the file's own lines are: at a line feed, with a CR
    // just before it belonging to the line end.
    std::string firstLine = path;
    const std::size_t lineFeed = firstLine.find('\n');
    if (lineFeed != std::string::npos) {
        firstLine.erase(lineFeed);
        if (!firstLine.empty() && firstLine.back() == '\r') firstLine.pop_back();
    }
    programPath = firstLine;
}

bool Program::IsDayChecked(int day) const { return IsValidDay(day) && dayChecked[day]; }

void Program::SetDayChecked(int day, bool checked) {
    if (!IsValidDay(day)) return;
    dayChecked[day] = checked;
    anyDayChecked = false;
    for (bool flag : dayChecked) anyDayChecked = anyDayChecked || flag;
}

std::string Program::TimingIntervalText() const { return std::to_string(timingInterval); }

LaunchCheck Program::CheckParameters() {
    // Read as unsigned so that accented first letters (128..255) are accepted.
    if (programPath.empty() || static_cast<unsigned char>(programPath[0]) < 32) return BadProgram;
    if (launchTime > countdownStart) return Valid;
    if (!anyDayChecked) return BadTime;
    std::tm now{};
    if (platform::ToLocalTime(platform::CurrentTime(), now) && dayChecked[now.tm_wday]) {
        launched = true;
        return TodayPassed;
    }
    return Valid;
}

bool Program::NextLaunchDay(std::tm& launchDay) {
    const Moment now = platform::CurrentTime();
    countdownStart = now;
    std::tm today{};
    if (!platform::ToLocalTime(now, today)) return false;

    // The nearest checked day from the start day on, wrapping into next week.
    const int weekday = today.tm_wday;
    const int startDay = launched ? weekday + 1 : weekday;
    int offset = -1;
    for (int day = startDay; day < DaysPerWeek && offset < 0; ++day)
        if (dayChecked[day]) offset = day - weekday;
    for (int day = 0; day < startDay && offset < 0; ++day)
        if (dayChecked[day]) offset = DaysPerWeek - weekday + day;
    if (offset < 0) return false;

    // Calendar days, not multiples of 86400 s, so a change of summer time
    // cannot move the launch to a neighbouring date. No moment of the day is
    // converted (noon of the last usable day does not fit, and west of
    // Greenwich noon of the first lies before 1970): only a date past the
    // last moment's is refused here, and the launch moment's conversion
    // refuses the rest.
    std::tm day = today;
    AddCalendarDays(day, offset);
    std::tm last{};
    if (platform::ToLocalTime(std::numeric_limits<Moment>::max(), last) && DateOrder(day) > DateOrder(last))
        return false;
    day.tm_isdst = -1;
    launchDay = day;
    return true;
}

bool Program::Execute() {
    launched = true;
    watchedCommandOfLastStart.reset();
    std::string& failure = startFailure;
    failure.clear();
    // Each kind of start reports its failure from lines of its own, so the
    // log tells a program that did not start from a missing interpreter.
    if (windowsProgram) {
        std::string named;
        if (!StartWindowsProgram(failure, named)) {
            RecordProgramFailure(failure, named);
            return false;
        }
    } else if (!StartCommand(failure)) {
        LogMessage(Fail, __FILE__, __LINE__, StartFailedText);
        LogMessage(Fail, __FILE__, __LINE__, failure + ": " + RecordedPath(platform::AnsiPath(programPath)));
        return false;
    }
    LogMessage(
        Info, __FILE__, __LINE__,
        "Launching Program\n" + platform::AnsiPath(programPath) + "\n" + TimeText(platform::CurrentTime()));
    return true;
}

// The text is read as the Run box reads it: its %VARIABLES% expanded first.
// A program that asks for administrator rights starts again through the
// shell, which asks the user for them; so does a command line whose program
// the system cannot find, since the shell also knows App Paths names (such
// as "excel") and URLs, or whose file it cannot start itself (a script with
// its arguments).
bool Program::StartWindowsProgram(std::string& failure, std::string& named) {
    // The limit is the settings file's, which holds the path in ANSI.
    named = platform::AnsiPath(programPath);
    if (named.size() > LongestPath) {
        failure = OverlongPathReason;
        return false;
    }
    const std::string expanded = platform::ExpandEnvironment(
        platform::RunsUnderWow64() ? WithNativeProgramFiles(programPath) : programPath);
    named = platform::AnsiPath(expanded);
    const StartRoute route = RouteFor(expanded, true);
    if (route.kind == StartRoute::ShellOpen)
        return StartWithShell(route.file, route.parameters, "open", route.folder, expanded, failure);
    const platform::SystemError error = platform::StartProcess(route.commandLine, route.folder);
    if (error == 0) return true;
    if (error == ElevationRequired)
        return StartWithShell(route.file, route.parameters, "runas", route.folder, expanded, failure);
    if (route.shellTakesOver && (IsNameNotFound(error) || error == BadExeFormat))
        return StartWithShell(route.file, route.parameters, "open", route.folder, expanded, failure);
    failure = FailureReason(error, named);
    return false;
}

// The shell's answer comes on a thread of its own and is recorded once the
// owner hands it back; without an owner to hear of it, it goes unrecorded.
bool Program::StartWithShell(const std::string& file, const std::string& parameters, const std::string& verb,
                             const std::string& folder, const std::string& expandedPath,
                             std::string& failure) {
    const std::uint32_t start = ++lastShellStart;
    // The notifier as it is now travels with the start, which may be
    // answered on another thread while this record changes.
    auto onAnswer = [notifier = shellAnswerNotifier, start](platform::SystemError error) {
        if (notifier) notifier(start, error);
    };
    platform::StartedShell started =
        platform::StartWithShell({file, parameters, verb, folder, promptOwner}, std::move(onAnswer));
    if (started.error != 0) {
        failure = FailureReason(started.error, platform::AnsiPath(expandedPath));
        return false;
    }
    if (shellAnswerNotifier)
        waitingShellStarts.emplace(start, WaitingShellStart{std::move(started.start), expandedPath});
    return true;
}

void Program::SetShellAnswerNotifier(std::uintptr_t owner, ShellAnswerNotifier notifier) {
    promptOwner = owner;
    shellAnswerNotifier = std::move(notifier);
}

bool Program::ShellAnswered(std::uint32_t start, platform::SystemError error) {
    // A start no longer waited for was recorded already, or is not to be.
    const auto waiting = waitingShellStarts.find(start);
    if (waiting == waitingShellStarts.end()) return false;
    const std::string path = platform::AnsiPath(waiting->second.expandedPath);
    waitingShellStarts.erase(waiting);
    if (error == 0) return false;
    startFailure = FailureReason(error, path);
    RecordProgramFailure(startFailure, path);
    return true;
}

void Program::StopWatchingShellStarts() {
    waitingShellStarts.clear();
    shellAnswerNotifier = nullptr;
}

bool Program::StartCommand(std::string& failure) {
    const std::string ansiPath = platform::AnsiPath(programPath);
    if (ansiPath.size() > LongestPath) {
        failure = OverlongPathReason;
        return false;
    }
    const StartRoute route = RouteFor(programPath, false);
    const std::uint32_t command = ++lastCommand;
    // The notifier as it is now travels with the wait, which may end on
    // another thread while this record changes.
    auto onEnd = [notifier = commandEndNotifier, command](std::uint32_t exitStatus) {
        if (notifier) notifier(command, exitStatus);
    };
    platform::StartedCommand started =
        platform::StartCommandInterpreter(route.commandLine, route.folder, std::move(onEnd));
    if (started.error != 0) {
        failure = FailureReason(started.error, ansiPath);
        return false;
    }
    // Watched only for an owner that hears of the end and reports it back.
    if (started.watch && commandEndNotifier) {
        runningCommands.emplace(command, std::move(started.watch));
        watchedCommandOfLastStart = command;
    }
    return true;
}

bool Program::CommandEnded(std::uint32_t command, std::uint32_t exitStatus) {
    // A command no longer watched was reported already, or not at all.
    if (runningCommands.erase(command) == 0) return false;
    if (exitStatus == 0) {
        LogMessage(Info, __FILE__, __LINE__, "Command Finished: exit code 0");
        return true;
    }
    std::string text = "Command Failed: exit code " + std::to_string(exitStatus);
    if (exitStatus == CommandNotFound) text += " (command not found)";
    LogMessage(Warn, __FILE__, __LINE__, text);
    return true;
}

void Program::StopWatchingCommands() {
    runningCommands.clear();
    commandEndNotifier = nullptr;
}

void Program::SaveConfiguration() const {
    std::string text;
    // CR LF written out, so the file is the same whatever system writes it.
    auto addLine = [&text](const std::string& line) { text += line + "\r\n"; };
    addLine("# Orvix Launcher Configuration File");
    addLine("# This file is automatically generated and should");
    addLine("# not be modified");
    addLine("#");
    addLine(platform::AnsiPath(programPath));
    addLine(std::to_string(launchTime));
    addLine(std::to_string(timingInterval));
    for (bool flag : dayChecked) addLine(flag ? "1" : "0");
    for (bool flag : {windowsProgram, autoRestart, iconized}) addLine(flag ? "1" : "0");
    addLine("# eof");

    if (!ReplaceFileContent(ConfigFilePath(), text)) LogMessage(Fail, __FILE__, __LINE__, SaveFailedText);
}

void Program::LoadConfiguration() {
    const std::string path = ConfigFilePath();
    OwnedFile file(platform::OpenFile(path, "rb"));
    if (!file) {
        LogMessage(Fail, __FILE__, __LINE__, LoadFailedText);
        return;
    }
    std::array<std::string, ConfigLineSlots> lines;
    for (int number = 1; number <= ConfigLineCount; ++number) lines[number] = ReadLine(file.get());
    // Something that opens but cannot be read (a directory) is no file.
    if (std::ferror(file.get()) != 0) {
        LogMessage(Fail, __FILE__, __LINE__, LoadFailedText);
        return;
    }

    std::string pathLine = lines[5];
    if (!pathLine.empty() && pathLine.back() == '\r') pathLine.pop_back();
    // A NUL ends the path here as in every other way of setting it.
    programPath = platform::PathFromAnsi(pathLine.substr(0, pathLine.find('\0')));
    launchTime = ConfigNumber(lines[6]);
    timingInterval = ConfigNumber(lines[7]);
    for (int day = 0; day < DaysPerWeek; ++day)
        if (FlagLine(lines[8 + day])) dayChecked[day] = true;
    for (bool flag : dayChecked)
        if (flag) anyDayChecked = true;
    windowsProgram = FlagLine(lines[15]);
    autoRestart = FlagLine(lines[16]);
    iconized = FlagLine(lines[17]);
    LogMessage(Info, __FILE__, __LINE__, "Loaded Configuration File: " + platform::AnsiPath(path));
}
