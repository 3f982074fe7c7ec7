// The countdown as the launcher dialog runs it in weekday mode, driven by a
// set clock: the Launch command, then one tick every interval. The program
// start is recorded instead of performed. The time picker is modelled too:
// every computation reads it, and every refresh writes the launch back into it.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "core/program.h"
#include "core/schedule.h"
#include "platform/os.h"

struct RecordedLaunch {
    Moment due;  // launchTime when the tick found the launch due
    Moment at;   // the tick that launched
};

class LaunchCycle {
public:
    LaunchCycle(Program& settings, ClockTime pickedTime, std::int32_t interval)
        : settings(settings), timePicker(pickedTime), interval(interval) {}

    // The Launch command at `now`; ticks follow every interval from there.
    LaunchCheck Launch(Moment now) {
        start = now;
        nextTick = 1;
        platform::SetTestClock(now);
        Compute();
        Refresh();
        const LaunchCheck check = settings.CheckParameters();
        if (check == TodayPassed) {
            Compute();
            Refresh();
        }
        return check;
    }

    // Ticks up to `end`. Ticks long before the launch change nothing but the
    // display, so whole runs of them are stepped over; the tick grid stays.
    void RunUntil(Moment end) {
        for (;;) {
            const std::int64_t ticksToDue = (std::int64_t{settings.GetLaunchTime()} - start) / interval - 1;
            if (ticksToDue > nextTick) nextTick = ticksToDue;
            const std::int64_t now = start + nextTick * interval;
            if (now > end) return;
            ++nextTick;
            Tick(static_cast<Moment>(now));
        }
    }

    std::vector<RecordedLaunch> launches;

private:
    void Compute() {
        CalendarDate launchDate;
        ComputeLaunchMoment(settings, CalendarDate{}, timePicker, launchDate);
    }

    // What the dialog's RefreshControls writes into the time picker, which
    // still holds the time the last computation read.
    void Refresh() {
        std::tm launch{};
        if (!platform::ToLocalTime(settings.GetLaunchTime(), launch)) return;
        if (LaunchesAfterSkippedTime(settings.GetLaunchTime(), timePicker)) return;
        timePicker = ClockTime{launch.tm_hour, launch.tm_min, launch.tm_sec};
    }

    void Tick(Moment now) {
        platform::SetTestClock(now);
        if (LaunchProgress(settings, now) < 100) return;
        const Moment due = settings.GetLaunchTime();
        launches.push_back({due, now});
        settings.SetLaunched(true);  // what starting the program does
        settings.SetCountdownStart(now);
        settings.SetLaunched(IsSameLocalDay(due, now));
        Compute();
        if (settings.GetLaunchTime() <= settings.GetCountdownStart()) {
            settings.SetLaunched(true);
            Compute();
        }
        Refresh();
    }

    Program& settings;
    ClockTime timePicker;
    std::int32_t interval;
    Moment start = 0;
    std::int64_t nextTick = 1;
};
