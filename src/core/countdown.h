// The running countdown's every decision about time: when the program starts
// and what comes after, when the one-shot fires, when the computer is woken
// and how long it is kept awake. It is handed the time with each event and
// answers with what the window is to do; it touches no window, timer or
// power call, so each rule can be run against any clock.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/notice.h"
#include "core/program.h"
#include "core/schedule.h"

// What the pickers hold: the date counts in date mode only.
struct PickedMoment {
    CalendarDate date;
    ClockTime time;
};

// What the power control said when the wake was armed, and what the power
// plan allows; the countdown turns them into the record the user reads.
enum class WakeArmResult { Armed, Unsupported, Failed };
enum class WakeTimerPolicy { Allowed, Off, ImportantOnly };

// The computer is woken this long before the moment, so that it is up then.
inline constexpr Moment WakeLeadSeconds = 60;
// Keep-awake holds from this long before the moment to this long after a
// scheduled launch...
inline constexpr std::int64_t KeepAwakeMilliseconds = 120'000;
// ...or while the command that launch started runs, but never longer than
// this after the launch: a command stuck at a prompt must not drain a battery.
inline constexpr std::int64_t CommandKeepAwakeMilliseconds = 3'600'000;
// A launch later than this after its moment has a record of its own.
inline constexpr std::int64_t LateLaunchMilliseconds = 2000;

// What the window is to do after an event, carried out in this order.
struct CountdownAnswer {
    // The countdown ended by itself: the settings open again, "Stopped".
    bool stopped = false;
    // A launch moved the countdown on: "Running" again, the bar at 0.
    bool restartProgress = false;
    // The launch moment changed: the pickers show it again.
    bool showMoment = false;
    bool saveSettings = false;
    // Arm the wake for this moment, then report with WakeArmed.
    std::optional<Moment> armWakeAt;
    bool cancelWake = false;
    // The one-shot that launches on the moment: armed in this many
    // milliseconds, or killed when absent.
    std::optional<std::uint32_t> oneShotMilliseconds;
    // Hold (true) or release (false) keep-awake; absent leaves it as it is.
    std::optional<bool> holdAwake;
    // Look at keep-awake again (AwakeCheck) in this many milliseconds; absent
    // when nothing but a later event can change it.
    std::optional<std::uint32_t> awakeCheckMilliseconds;
    // Start the program now, this late after its moment; then report the
    // start with Started.
    bool startProgram = false;
    std::int64_t lateMilliseconds = 0;
};

struct CountdownLaunch {
    LaunchCheck check = BadTime;
    CountdownAnswer answer;
};

class Countdown {
public:
    explicit Countdown(Program& settings) : settings(settings) {}
    Countdown(const Countdown&) = delete;
    Countdown& operator=(const Countdown&) = delete;

    // The launcher started with these settings: the zone is remembered, and
    // with Auto-Restart the launches missed meanwhile are recorded. With
    // `runMissed` in weekday mode, the Launch that follows starts the
    // program once at once for them.
    void StartUp(std::int64_t nowMilliseconds, bool runMissed = false);
    // Before the pickers are first filled at start-up: the time of day last
    // picked, as kept beside the settings, becomes the picked time again
    // where it agrees with their weekday launch moment, so that a launch
    // moved to the jump of the clocks goes back to it the next day.
    void RestorePickedTime(const std::optional<ClockTime>& kept);
    // The launch moment from the pickers, without starting anything; false
    // when it cannot be represented.
    bool Pick(const PickedMoment& moment);
    // Launch pressed (or Auto-Restart at start-up): counts down when the check
    // allows it, and says why not otherwise.
    CountdownLaunch Launch(const PickedMoment& moment, std::int64_t nowMilliseconds);
    // The countdown's tick and the one-shot: launches what is due.
    CountdownAnswer Tick(std::int64_t nowMilliseconds);
    // The computer resumed, attended or not: what fell due meanwhile launches now.
    CountdownAnswer Resume(std::int64_t nowMilliseconds);
    // The clock was set: the zone may have changed with it.
    CountdownAnswer ClockSet(std::int64_t nowMilliseconds);
    // Some setting of the system changed; only a changed zone counts, and
    // any other leaves nothing to carry out.
    std::optional<CountdownAnswer> SettingChanged(std::int64_t nowMilliseconds);
    // The program of a StartProgram answer was started (or failed to);
    // `command` names the command it started, whose end is awaited.
    CountdownAnswer Started(std::optional<std::uint32_t> command, std::int64_t nowMilliseconds);
    CountdownAnswer CommandEnded(std::uint32_t command, std::int64_t nowMilliseconds);
    CountdownAnswer AwakeCheck(std::int64_t nowMilliseconds);
    // Stop, Apply/Reset, Exit and the session's end: nothing stays armed or held.
    CountdownAnswer Stop(std::int64_t nowMilliseconds);
    CountdownAnswer SetWakeOption(bool on, std::int64_t nowMilliseconds);
    // Records why the wake armed last cannot wake the computer, if it cannot;
    // the user is told the first time in a run.
    void WakeArmed(WakeArmResult result, WakeTimerPolicy policy);
    // What the user is to be told since the last call, in the order it came.
    std::vector<Notice> TakeNotices();

    bool IsRunning() const { return running; }
    bool WakeOption() const { return wakeOption; }
    bool HoldsAwake() const { return holdingAwake; }
    // The time of day last picked; unknown until the first computation or a
    // restored one.
    const std::optional<ClockTime>& PickedTime() const { return pickedTime; }

private:
    void LaunchIfDue(CountdownAnswer& answer, std::int64_t now);
    void CatchUp(CountdownAnswer& answer, std::int64_t now);
    void StartLate(CountdownAnswer& answer, std::int64_t now, Moment due);
    bool CountDownToNextDay(Moment due, Moment now);
    void StopRunning(CountdownAnswer& answer);
    void RecomputeMoment(CountdownAnswer& answer);
    void ClockOrZoneChanged(CountdownAnswer& answer, std::int64_t now);
    void RememberZone(Moment now);
    bool ZoneChanged();
    void ArmWake(CountdownAnswer& answer);
    bool KeepAwakeWanted(std::int64_t now) const;
    std::optional<std::int64_t> NextAwakeChange(std::int64_t now) const;
    // Fills in the timers and the hold as they are to be from now on.
    CountdownAnswer& Finish(CountdownAnswer& answer, std::int64_t now);

    Program& settings;
    bool running = false;
    PickedMoment picked;
    std::optional<ClockTime> pickedTime;
    bool wakeOption = false;
    bool holdingAwake = false;
    // The last scheduled launch: when it started, and the command it started
    // while that still runs.
    std::optional<std::int64_t> lastLaunch;
    std::optional<std::uint32_t> launchCommand;
    // The moment this run launched last: a clock set back re-picks it, and
    // it must not launch twice.
    std::optional<Moment> lastDue;
    // `launched` as the launch left it for the next day; the program's start
    // marks today as used whatever the countdown decided.
    std::optional<bool> launchedAfterStart;
    Moment zoneAnchor = 0;
    std::vector<int> zoneFingerprint;
    // The stored moment missed while the launcher was not running, which the
    // next Launch makes up for; and the catch-up's start, awaiting Started.
    std::optional<Moment> missedToRun;
    std::optional<std::int64_t> catchUpLate;
    std::vector<Notice> notices;
    bool wakeNoticeGiven = false;
};
