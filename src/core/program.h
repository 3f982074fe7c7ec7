// The launch settings record: what is launched, how, when, and how often the
// launcher wakes. Also its validation, the weekday search, execution, the
// configuration file and the directories resolved at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/os.h"

using platform::Moment;

enum LaunchCheck { Valid = 1, BadProgram = 2, BadTime = 3, TodayPassed = 4 };

// Resolved once by the Program constructor; "." until then.
extern std::string ProgramDirectory;
extern std::string HomeDirectory;
extern const char* const ConfigFileName;

// Directories and paths are UTF-8 text (see platform/os.h); log records
// carry them through platform::AnsiPath.

// The value of USERPROFILE, read afresh; empty when unset.
std::string UserHomeDirectory();
// The folder named at start-up for this run's settings, options and log, in
// place of the home directory; empty when none was named.
void UseSettingsFolder(const std::string& folder);
const std::string& SettingsFolder();
// The home directory as the start-up resolves it: the settings folder when
// one was named, else USERPROFILE, or `workingDirectory` when that is unset
// or empty. Writes no log record.
std::string HomeDirectoryFor(const std::string& workingDirectory);
// The home folder as a start without a settings folder resolves it: the home
// schedule's folder, whatever folder this launcher runs on.
std::string HomeScheduleFolder();
const std::string& GetProgramDirectory();
// The file `name` in HomeDirectory, where the configuration file lies.
std::string HomeFilePath(const std::string& name);

// Why the system refused something, in its own words and with its number:
// "The system cannot find the file specified (error 2)"; a "%1" in the text
// names `path`.
std::string FailureReason(platform::SystemError error, const std::string& path);

// The number at the start of `text` as atoi reads it: leading blanks, an
// optional sign, then digits up to the first other character. Nothing when
// there are no digits. A number beyond 32 bits comes back outside their
// range, so that each caller decides what it means.
std::optional<std::int64_t> LeadingInteger(const std::string& text);

// A moment as English local-time text: "Tuesday, February 17, 2004 - 09:05:07 PM".
// Empty when the moment has no local time.
std::string TimeText(Moment t);

// Moves the date in `date` on by `days` (0 or more) calendar days, keeping the
// weekday and the day of the year in step and the time of day as it is. No
// moment is involved, so any date can be reached, whatever the clock can show.
void AddCalendarDays(std::tm& date, int days);

class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const std::string& GetProgramPath() const { return programPath; }
    // Nothing for null; of a text with line breaks, only its first line.
    void SetProgramPath(const char* path);
    bool IsWindowsProgram() const { return windowsProgram; }
    void SetWindowsProgram(bool on) { windowsProgram = on; }
    bool IsDayChecked(int day) const;
    void SetDayChecked(int day, bool checked);
    bool IsAnyDayChecked() const { return anyDayChecked; }
    bool IsLaunched() const { return launched; }
    void SetLaunched(bool on) { launched = on; }
    Moment GetLaunchTime() const { return launchTime; }
    void SetLaunchTime(Moment t) { launchTime = t; }
    Moment GetCountdownStart() const { return countdownStart; }
    void SetCountdownStart(Moment t) { countdownStart = t; }
    std::int32_t GetTimingInterval() const { return timingInterval; }
    void SetTimingInterval(std::int32_t seconds) { timingInterval = seconds; }
    std::string TimingIntervalText() const;

    LaunchCheck CheckParameters();
    // Fills `launchDay` with the next launch day at the current time of day
    // and sets countdownStart to now. False when the clock has no local time,
    // no day is checked, or the day's date comes after that of the last
    // usable moment.
    bool NextLaunchDay(std::tm& launchDay);
    // Starts the program at once: a Windows program as Explorer or the Run
    // box would start it, a command through the command interpreter without
    // waiting for it. False, with the reason in the log, when nothing started.
    // A start that the shell answers later (a document, a shortcut, a
    // prompt for administrator rights) counts as started; its failure is
    // recorded when the answer is handed back to ShellAnswered.
    bool Execute();
    // Why the last Execute started nothing, in the system's words; empty
    // after a start.
    const std::string& StartFailure() const { return startFailure; }

    // Told on another thread, with a command's number and exit status, when
    // a command ends. The owner hands both back to CommandEnded on its own
    // thread, where the record is written.
    using CommandEndNotifier = std::function<void(std::uint32_t command, std::uint32_t exitStatus)>;
    void SetCommandEndNotifier(CommandEndNotifier notifier) { commandEndNotifier = std::move(notifier); }
    // True when the end was still awaited, and is now recorded.
    bool CommandEnded(std::uint32_t command, std::uint32_t exitStatus);
    // Whether a command started here has not been reported ended yet.
    bool IsCommandRunning() const { return !runningCommands.empty(); }
    // The command the last Execute started and awaits the end of; nothing
    // when it started none.
    std::optional<std::uint32_t> WatchedCommandOfLastStart() const { return watchedCommandOfLastStart; }
    // Stops waiting for the running commands, which run on unreported; no
    // notice comes after this returns.
    void StopWatchingCommands();

    // Told on another thread, with a start's number and the shell's answer,
    // when the shell has answered a start. The owner hands both back to
    // ShellAnswered on its own thread, where a failure is recorded.
    // `promptOwner` is the window that owns the shell's prompts.
    using ShellAnswerNotifier = std::function<void(std::uint32_t start, platform::SystemError error)>;
    void SetShellAnswerNotifier(std::uintptr_t promptOwner, ShellAnswerNotifier notifier);
    // True when the shell's answer was a failure, now recorded.
    bool ShellAnswered(std::uint32_t start, platform::SystemError error);
    bool IsShellStartWaiting() const { return !waitingShellStarts.empty(); }
    // Stops waiting for the shell's answers: the starts go on, unrecorded;
    // no notice comes after this returns.
    void StopWatchingShellStarts();
    void SaveConfiguration() const;
    void LoadConfiguration();

private:
    // False, with the reason in `failure`, when nothing started.
    // `named` is the path the failure names.
    bool StartWindowsProgram(std::string& failure, std::string& named);
    bool StartWithShell(const std::string& file, const std::string& parameters, const std::string& verb,
                        const std::string& folder, const std::string& expandedPath, std::string& failure);
    // False, with the reason in `failure`, when the interpreter did not start.
    bool StartCommand(std::string& failure);

    std::string programPath;

public:
    // The dialog reads and writes these two directly.
    bool iconized = false;
    bool autoRestart = false;

private:
    bool launched = false;
    bool anyDayChecked = false;
    std::array<bool, 7> dayChecked{};
    bool windowsProgram = true;
    Moment launchTime = 0;
    Moment countdownStart = 0;
    std::int32_t timingInterval = 10;
    std::string startFailure;
    CommandEndNotifier commandEndNotifier;
    std::uint32_t lastCommand = 0;
    std::optional<std::uint32_t> watchedCommandOfLastStart;
    std::map<std::uint32_t, std::unique_ptr<platform::CommandWatch>> runningCommands;

    struct WaitingShellStart {
        std::unique_ptr<platform::ShellStart> start;
        std::string expandedPath;  // what its failure names
    };
    std::uintptr_t promptOwner = 0;
    ShellAnswerNotifier shellAnswerNotifier;
    std::uint32_t lastShellStart = 0;
    std::map<std::uint32_t, WaitingShellStart> waitingShellStarts;
};
