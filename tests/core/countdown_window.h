// The launcher window as the countdown's answers leave it, for tests without
// a window: the one-shot, the tick, the keep-awake look, the wake and the
// hold, and every start of the program as the start seam sees it. Time is the
// test clock; the message loop is RunUntil, which fires the timers in order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "core/countdown.h"
#include "core/program.h"
#include "platform/os.h"

class CountdownWindow {
public:
    struct Start {
        std::int64_t at;                       // the clock when the start seam was asked
        std::int64_t late;                     // after its moment, as the countdown said
        std::optional<std::uint32_t> command;  // the command it started, if any
    };

    explicit CountdownWindow(Program& settings) : settings(settings), countdown(settings) {
        platform::SetStartHandler([this](const platform::StartRequest&) {
            starts.push_back({platform::CurrentTimeMilliseconds(), lateOfStart, commandOfNextStart});
            return platform::SystemError{0};
        });
    }
    ~CountdownWindow() { platform::SetStartHandler(nullptr); }
    CountdownWindow(const CountdownWindow&) = delete;
    CountdownWindow& operator=(const CountdownWindow&) = delete;

    static std::int64_t Now() { return platform::CurrentTimeMilliseconds(); }

    // Launch pressed; the tick then comes every `interval` seconds.
    LaunchCheck Launch(const PickedMoment& picked, std::int32_t interval = 10) {
        const CountdownLaunch launch = countdown.Launch(picked, Now());
        tickPeriod = std::int64_t{interval} * 1000;
        nextTick.reset();
        if (countdown.IsRunning()) nextTick = Now() + tickPeriod;
        Carry(launch.answer);
        return launch.check;
    }
    // Auto-Restart's start-up, then its Launch.
    LaunchCheck Restart(const PickedMoment& picked, bool runMissed) {
        countdown.StartUp(Now(), runMissed);
        return Launch(picked);
    }
    void Tick() { Carry(countdown.Tick(Now())); }
    void Stop() { Carry(countdown.Stop(Now())); }
    // Window timers run on relative time: the tick keeps its pace.
    void ClockSet(std::int64_t to) {
        ShiftTicks(to);
        platform::SetTestClockMilliseconds(to);
        Carry(countdown.ClockSet(to));
    }
    void SettingChanged() {
        if (const std::optional<CountdownAnswer> answer = countdown.SettingChanged(Now())) Carry(*answer);
    }
    void SetWakeOption(bool on) { Carry(countdown.SetWakeOption(on, Now())); }
    void CommandEnded(std::uint32_t command) { Carry(countdown.CommandEnded(command, Now())); }

    // The computer sleeps until `to`: no timer comes meanwhile; then it resumes.
    void SleepUntil(std::int64_t to) {
        ShiftTicks(to);
        platform::SetTestClockMilliseconds(to);
        Carry(countdown.Resume(to));
    }

    // Moves the clock to `to`, firing every timer due on the way in order.
    // Ticks only fire with `ticks`; a run that skips them relies on the one-shot.
    void RunUntil(std::int64_t to, bool ticks = true) {
        // Ticks skipped, or missed while the clock jumped, leave their grid.
        if (nextTick && *nextTick <= Now())
            nextTick = *nextTick + ((Now() - *nextTick) / tickPeriod + 1) * tickPeriod;
        for (;;) {
            std::optional<std::int64_t> next;
            auto consider = [&](const std::optional<std::int64_t>& at) {
                if (at && *at <= to && (!next || *at < *next)) next = at;
            };
            consider(oneShotAt);
            consider(awakeCheckAt);
            if (ticks && countdown.IsRunning()) consider(nextTick);
            if (!next) break;
            if (beforeTimer) beforeTimer(*next);
            platform::SetTestClockMilliseconds(*next);
            if (next == oneShotAt) {
                oneShotAt.reset();
                Tick();
            } else if (next == awakeCheckAt) {
                awakeCheckAt.reset();
                Carry(countdown.AwakeCheck(*next));
            } else {
                nextTick = *next + tickPeriod;
                Tick();
            }
        }
        platform::SetTestClockMilliseconds(to);
    }

    Program& settings;
    Countdown countdown;
    std::vector<Start> starts;
    // The command the next start starts, for the countdown to watch.
    std::optional<std::uint32_t> commandOfNextStart;
    std::optional<std::int64_t> oneShotAt;
    std::optional<std::int64_t> awakeCheckAt;
    std::optional<Moment> wakeAt;
    bool holdingAwake = false;
    int saves = 0;
    std::vector<Notice> notices;
    // Told of each timer just before the clock moves on to it.
    std::function<void(std::int64_t at)> beforeTimer;

private:
    void Carry(const CountdownAnswer& answer) {
        const std::int64_t now = Now();
        if (answer.stopped) nextTick.reset();
        if (answer.saveSettings) ++saves;
        if (answer.cancelWake) wakeAt.reset();
        if (answer.armWakeAt) wakeAt = answer.armWakeAt;
        oneShotAt.reset();
        if (answer.oneShotMilliseconds) oneShotAt = now + *answer.oneShotMilliseconds;
        if (answer.holdAwake) holdingAwake = *answer.holdAwake;
        awakeCheckAt.reset();
        if (answer.awakeCheckMilliseconds) awakeCheckAt = now + *answer.awakeCheckMilliseconds;
        for (Notice& notice : countdown.TakeNotices()) notices.push_back(std::move(notice));
        if (!answer.startProgram) return;
        lateOfStart = answer.lateMilliseconds;
        settings.Execute();
        const std::optional<std::uint32_t> command = commandOfNextStart;
        commandOfNextStart.reset();
        Carry(countdown.Started(command, Now()));
    }

    void ShiftTicks(std::int64_t to) {
        if (nextTick) *nextTick += to - Now();
    }

    std::int64_t tickPeriod = 10'000;
    std::optional<std::int64_t> nextTick;
    std::int64_t lateOfStart = 0;
};
