#include "core/countdown.h"

#include <algorithm>
#include <limits>
#include <string>

#include "log/log.h"
#include "platform/os.h"

namespace {

// The whole second a time in milliseconds falls in, rounded down also before
// 1970, and held to what a moment can count.
Moment SecondsOf(std::int64_t milliseconds) {
    const std::int64_t seconds = milliseconds >= 0 ? milliseconds / 1000 : -((-milliseconds + 999) / 1000);
    return static_cast<Moment>(std::clamp<std::int64_t>(seconds, std::numeric_limits<Moment>::min(),
                                                        std::numeric_limits<Moment>::max()));
}

std::int64_t MillisecondsOf(Moment moment) { return std::int64_t{moment} * 1000; }

const char* WakeUnavailableReason(WakeArmResult result, WakeTimerPolicy policy) {
    if (result == WakeArmResult::Failed) return "the wake timer could not be set";
    if (result == WakeArmResult::Unsupported) return "this computer cannot be woken by a timer";
    if (policy == WakeTimerPolicy::Off) return "wake timers are off in the power plan";
    if (policy == WakeTimerPolicy::ImportantOnly) return "the power plan allows only important wake timers";
    return nullptr;
}

}  // namespace

void Countdown::StartUp(std::int64_t nowMilliseconds, bool runMissed) {
    const Moment now = SecondsOf(nowMilliseconds);
    RememberZone(now);
    if (!settings.autoRestart) return;
    // A launch missed while the launcher was not running is recorded, and
    // made up for only on request: a program that starts hours late,
    // unannounced, surprises more than it helps.
    const int missed = MissedLaunchCount(settings, now);
    if (missed == 0) return;
    LogMessage(Warn, __FILE__, __LINE__, MissedLaunchText(settings.GetLaunchTime(), missed));
    if (runMissed) {
        missedToRun = settings.GetLaunchTime();
    } else {
        notices.push_back(LaunchMissedNotice(settings.GetLaunchTime(), false));
    }
}

void Countdown::RestorePickedTime(const std::optional<ClockTime>& kept) {
    if (kept && settings.IsAnyDayChecked() && MomentHoldsPickedTime(settings.GetLaunchTime(), *kept))
        pickedTime = kept;
}

bool Countdown::Pick(const PickedMoment& moment) {
    picked = moment;
    pickedTime = moment.time;
    CalendarDate launchDate;
    return ComputeLaunchMoment(settings, picked.date, picked.time, launchDate);
}

CountdownLaunch Countdown::Launch(const PickedMoment& moment, std::int64_t nowMilliseconds) {
    CountdownLaunch launch;
    bool momentValid = Pick(moment);
    launch.check = settings.CheckParameters();
    if (launch.check == TodayPassed) momentValid = Pick(moment);
    // A moment outside what the clock can count to is refused like a past one.
    if (!momentValid && launch.check != BadProgram) launch.check = BadTime;
    // A refused launch leaves nothing counting down to a moment it refused.
    StopRunning(launch.answer);
    if (launch.check == Valid || launch.check == TodayPassed) {
        running = true;
        lastDue.reset();
        ArmWake(launch.answer);
    }
    CatchUp(launch.answer, nowMilliseconds);
    Finish(launch.answer, nowMilliseconds);
    return launch;
}

CountdownAnswer Countdown::Tick(std::int64_t nowMilliseconds) {
    CountdownAnswer answer;
    LaunchIfDue(answer, nowMilliseconds);
    return Finish(answer, nowMilliseconds);
}

// Window timers do not count time asleep: what fell due meanwhile launches
// now, not at the next tick.
CountdownAnswer Countdown::Resume(std::int64_t nowMilliseconds) { return Tick(nowMilliseconds); }

CountdownAnswer Countdown::ClockSet(std::int64_t nowMilliseconds) {
    // Setting the date and time can change the zone along with the clock.
    platform::ReloadTimeZone();
    CountdownAnswer answer;
    ClockOrZoneChanged(answer, nowMilliseconds);
    return Finish(answer, nowMilliseconds);
}

std::optional<CountdownAnswer> Countdown::SettingChanged(std::int64_t nowMilliseconds) {
    if (!ZoneChanged()) return std::nullopt;
    CountdownAnswer answer;
    ClockOrZoneChanged(answer, nowMilliseconds);
    return Finish(answer, nowMilliseconds);
}

CountdownAnswer Countdown::Started(std::optional<std::uint32_t> command, std::int64_t nowMilliseconds) {
    // The start marks today as used; the next day was chosen knowing better.
    if (launchedAfterStart) settings.SetLaunched(*launchedAfterStart);
    launchedAfterStart.reset();
    if (command && lastLaunch) launchCommand = command;
    // A catch-up's lateness is told after its start, counted from the
    // moment that was missed.
    if (catchUpLate)
        LogMessage(Warn, __FILE__, __LINE__, "Launch Late: " + std::to_string(*catchUpLate / 1000) + " s");
    catchUpLate.reset();
    CountdownAnswer answer;
    return Finish(answer, nowMilliseconds);
}

CountdownAnswer Countdown::CommandEnded(std::uint32_t command, std::int64_t nowMilliseconds) {
    if (launchCommand == command) launchCommand.reset();
    CountdownAnswer answer;
    return Finish(answer, nowMilliseconds);
}

CountdownAnswer Countdown::AwakeCheck(std::int64_t nowMilliseconds) {
    CountdownAnswer answer;
    return Finish(answer, nowMilliseconds);
}

CountdownAnswer Countdown::Stop(std::int64_t nowMilliseconds) {
    CountdownAnswer answer;
    StopRunning(answer);
    // The user ended it: nothing about the last launch holds the computer.
    lastLaunch.reset();
    launchCommand.reset();
    return Finish(answer, nowMilliseconds);
}

CountdownAnswer Countdown::SetWakeOption(bool on, std::int64_t nowMilliseconds) {
    wakeOption = on;
    CountdownAnswer answer;
    if (on) {
        ArmWake(answer);
    } else {
        answer.cancelWake = true;
    }
    return Finish(answer, nowMilliseconds);
}

// Where Windows cannot wake the computer, each arming says why, and the
// countdown goes on.
void Countdown::WakeArmed(WakeArmResult result, WakeTimerPolicy policy) {
    const char* reason = WakeUnavailableReason(result, policy);
    if (reason == nullptr) return;
    LogMessage(Warn, __FILE__, __LINE__, std::string("Wake Unavailable: ") + reason);
    // Each arming says it again in the log; the user needs hearing it once.
    if (!wakeNoticeGiven) notices.push_back(WakeUnavailableNotice(reason));
    wakeNoticeGiven = true;
}

std::vector<Notice> Countdown::TakeNotices() {
    std::vector<Notice> taken;
    taken.swap(notices);
    return taken;
}

// The launch missed while the launcher was not running starts once, however
// many were missed, when the countdown runs; the moment ahead keeps its time.
void Countdown::CatchUp(CountdownAnswer& answer, std::int64_t now) {
    if (!missedToRun) return;
    const Moment missed = *missedToRun;
    missedToRun.reset();
    const bool starts = running && settings.IsAnyDayChecked();
    notices.push_back(LaunchMissedNotice(missed, starts));
    if (!starts) return;
    StartLate(answer, now, missed);
    catchUpLate = answer.lateMilliseconds;
    // Today is not used up by the catch-up.
    launchedAfterStart = settings.IsLaunched();
}

// The start of a launch `due` at its moment, now.
void Countdown::StartLate(CountdownAnswer& answer, std::int64_t now, Moment due) {
    answer.startProgram = true;
    answer.lateMilliseconds = now - MillisecondsOf(due);
    if (answer.lateMilliseconds > LateNoticeMilliseconds)
        notices.push_back(LaunchLateNotice(settings.GetProgramPath(), answer.lateMilliseconds));
    lastLaunch = now;
    lastDue = due;
    launchCommand.reset();
}

// The one place a scheduled launch is decided, whoever noticed that it is
// due: so each moment launches exactly once, and never before it.
void Countdown::LaunchIfDue(CountdownAnswer& answer, std::int64_t now) {
    const Moment due = settings.GetLaunchTime();
    if (!running || answer.startProgram || SecondsOf(now) < due) return;
    // What comes next is set up before the start: whatever comes while the
    // start is under way finds nothing due. Date mode launches once; with no
    // next launch moment every tick would launch again.
    const bool weekdays = settings.IsAnyDayChecked();
    if (weekdays && CountDownToNextDay(due, SecondsOf(now))) {
        answer.restartProgress = answer.showMoment = true;
        // The stored moment is always the next one, should the run end now.
        answer.saveSettings = true;
        ArmWake(answer);
        launchedAfterStart = settings.IsLaunched();
    } else {
        StopRunning(answer);
        answer.stopped = true;
        answer.showMoment = weekdays;
    }
    StartLate(answer, now, due);
    if (answer.lateMilliseconds > LateLaunchMilliseconds)
        LogMessage(Warn, __FILE__, __LINE__,
                   "Launch Late: " + std::to_string(answer.lateMilliseconds / 1000) + " s");
}

// False when the next checked day has no moment that can be counted down to.
bool Countdown::CountDownToNextDay(Moment due, Moment now) {
    // Today is used up only when the launch that ran was today's: a tick
    // that comes late past midnight must not skip the new day.
    settings.SetLaunched(IsSameLocalDay(due, now));
    bool representable = Pick(picked);
    if (representable && settings.GetLaunchTime() <= settings.GetCountdownStart()) {
        settings.SetLaunched(true);
        representable = Pick(picked);
    }
    return representable;
}

// Stopped means no one-shot and no wake: a stopped launcher wakes nothing.
void Countdown::StopRunning(CountdownAnswer& answer) {
    running = false;
    answer.cancelWake = true;
    answer.armWakeAt.reset();
}

void Countdown::ClockOrZoneChanged(CountdownAnswer& answer, std::int64_t now) {
    RememberZone(SecondsOf(now));
    // A clock set back before the last launch forgets it: its hold would
    // otherwise come back once the clock passes it again.
    if (lastLaunch && now < *lastLaunch) {
        lastLaunch.reset();
        launchCommand.reset();
    }
    // A moment the new clock has carried past launches now, once; then the
    // next one keeps its wall-clock time in the clock's new reading.
    LaunchIfDue(answer, now);
    if (running) RecomputeMoment(answer);
    LaunchIfDue(answer, now);
}

// The picked date and time stay as picked; `launched` and the start of the
// progress bar stay as they are.
void Countdown::RecomputeMoment(CountdownAnswer& answer) {
    const Moment countdownStart = settings.GetCountdownStart();
    const Moment before = settings.GetLaunchTime();
    // A clock set back past the last launch finds that launch's moment
    // ahead again; the moment after it stays the next one.
    if (!Pick(picked) || settings.GetLaunchTime() == lastDue) settings.SetLaunchTime(before);
    settings.SetCountdownStart(countdownStart);
    answer.showMoment = true;
    if (settings.GetLaunchTime() != before) ArmWake(answer);
}

void Countdown::RememberZone(Moment now) {
    zoneAnchor = now;
    zoneFingerprint = ZoneFingerprint(zoneAnchor);
}

// The C library keeps the zone it read first until it is told to read it again.
bool Countdown::ZoneChanged() {
    platform::ReloadTimeZone();
    return ZoneFingerprint(zoneAnchor) != zoneFingerprint;
}

void Countdown::ArmWake(CountdownAnswer& answer) {
    if (!wakeOption || !running) return;
    answer.armWakeAt = static_cast<Moment>(
        std::max<std::int64_t>(std::int64_t{settings.GetLaunchTime()} - WakeLeadSeconds, 0));
    answer.cancelWake = false;
}

// From shortly before the moment until a while after the launch: after an
// unattended wake Windows would otherwise sleep again within minutes.
bool Countdown::KeepAwakeWanted(std::int64_t now) const {
    if (!wakeOption) return false;
    const bool launchNear =
        running && MillisecondsOf(settings.GetLaunchTime()) - now <= KeepAwakeMilliseconds;
    if (launchNear) return true;
    if (!lastLaunch) return false;
    const std::int64_t sinceLaunch = now - *lastLaunch;
    return sinceLaunch >= 0 && (sinceLaunch < KeepAwakeMilliseconds ||
                                (launchCommand && sinceLaunch < CommandKeepAwakeMilliseconds));
}

// The next time at which KeepAwakeWanted changes with no event to tell.
std::optional<std::int64_t> Countdown::NextAwakeChange(std::int64_t now) const {
    if (!wakeOption) return std::nullopt;
    std::optional<std::int64_t> next;
    auto consider = [&](std::int64_t at) {
        if (at > now && (!next || at < *next)) next = at;
    };
    if (running) consider(MillisecondsOf(settings.GetLaunchTime()) - KeepAwakeMilliseconds);
    if (lastLaunch) {
        consider(*lastLaunch + KeepAwakeMilliseconds);
        if (launchCommand) consider(*lastLaunch + CommandKeepAwakeMilliseconds);
    }
    return next;
}

CountdownAnswer& Countdown::Finish(CountdownAnswer& answer, std::int64_t now) {
    answer.oneShotMilliseconds.reset();
    if (running)
        answer.oneShotMilliseconds = LaunchTimerMilliseconds(MillisecondsOf(settings.GetLaunchTime()) - now);
    const bool wanted = KeepAwakeWanted(now);
    if (wanted != holdingAwake) answer.holdAwake = wanted;
    holdingAwake = wanted;
    answer.awakeCheckMilliseconds.reset();
    if (const std::optional<std::int64_t> next = NextAwakeChange(now))
        answer.awakeCheckMilliseconds = LaunchTimerMilliseconds(*next - now);
    return answer;
}
