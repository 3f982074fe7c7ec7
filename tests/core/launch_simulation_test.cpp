// A whole year of weekday launches run through the countdown with a set
// clock: every checked day launches exactly once, on its moment.
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/countdown_window.h"
#include "core/schedule_fixture.h"

namespace {

struct Schedule {
    const char* name;
    std::vector<int> days;
    ClockTime time;
};

const Schedule Schedules[] = {
    {"Mon+Wed+Fri 21:00", {1, 3, 5}, {21, 0, 0}},
    // Inside the skipped and the repeated hour where the clocks change at 02:00.
    {"Sat+Sun 02:15", {6, 0}, {2, 15, 0}},
    // Inside the repeated hour where the clocks go back to 01:00 or 01:30.
    {"Sun 01:45", {0}, {1, 45, 0}},
    // The day after a skipped time launches at the picked time again, also
    // where the clocks change at midnight.
    {"Sun+Mon 02:15", {0, 1}, {2, 15, 0}},
    {"Sun+Mon 00:30", {0, 1}, {0, 30, 0}},
    // Consecutive days at the last second: a late tick falls on the next day.
    {"Sat+Sun+Mon 23:59:59", {6, 0, 1}, {23, 59, 59}},
    // Re-armed within an hour of midnight on the eve of a change, where whole
    // 86400-second days would land on the neighbouring date.
    {"Sat+Sun 23:30", {6, 0}, {23, 30, 0}},
    {"Sat+Mon 00:15", {6, 1}, {0, 15, 0}},
};

struct ExpectedLaunch {
    Civil date;
    std::vector<Moment> moments;  // two in a repeated hour: the first is taken
};

std::vector<ExpectedLaunch> ExpectedLaunches(const Schedule& schedule, Moment start, Moment end) {
    std::vector<ExpectedLaunch> expected;
    const std::int64_t first = DaysFromCivil(CivilOf(LocalOf(start)));
    const std::int64_t last = DaysFromCivil(CivilOf(LocalOf(end)));
    for (std::int64_t day = first; day <= last; ++day) {
        bool checked = false;
        for (int weekday : schedule.days) checked = checked || weekday == WeekdayOfDays(day);
        if (!checked) continue;
        const std::vector<Moment> moments = MomentsReading(CivilFromDays(day), schedule.time);
        if (moments.front() > start && moments.back() < end)
            expected.push_back({CivilFromDays(day), moments});
    }
    return expected;
}

// The one-shot is armed to the moment: the start comes on it, to the millisecond.
bool LaunchedFor(const ExpectedLaunch& expected, const CountdownWindow::Start& launch) {
    return launch.at == std::int64_t{expected.moments.front()} * 1000;
}

Moment SecondOf(const CountdownWindow::Start& launch) { return static_cast<Moment>(launch.at / 1000); }

// Matches the recorded launches to the expected ones; returns how many matched.
std::size_t CheckLaunches(const std::vector<ExpectedLaunch>& expected,
                          const std::vector<CountdownWindow::Start>& launches, const std::string& context) {
    constexpr int ReportedFaults = 5;  // enough to see the pattern
    int faults = 0;
    std::size_t matched = 0;
    std::vector<int> uses(launches.size(), 0);
    for (const ExpectedLaunch& want : expected) {
        int count = 0;
        for (std::size_t i = 0; i < launches.size(); ++i) {
            if (!LaunchedFor(want, launches[i])) continue;
            ++count;
            ++uses[i];
        }
        if (count == 1) ++matched;
        if (count != 1 && ++faults <= ReportedFaults)
            ADD_FAILURE() << context << ": " << count << " launches for " << want.date << " at "
                          << LocalText(want.moments.front());
    }
    for (std::size_t i = 0; i < launches.size(); ++i)
        if (uses[i] != 1 && ++faults <= ReportedFaults)
            ADD_FAILURE() << context << ": unexpected launch at " << LocalText(SecondOf(launches[i])) << " ("
                          << launches[i].late << " ms late)";
    return matched;
}

class LaunchSimulationTest : public ScheduleTest {};

TEST_F(LaunchSimulationTest, AYearOfWeekdayLaunchesInEveryZone) {
    std::ostringstream summary;
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        std::size_t zoneLaunches = 0;
        for (const Schedule& schedule : Schedules) {
            Program settings;
            settings.SetProgramPath("launched-by-the-simulation");
            for (int day : schedule.days) settings.SetDayChecked(day, true);
            const Moment start = LocalMoment(2024, 1, 1, 0, 0, 0);
            const Moment end = LocalMoment(2024, 12, 31, 12, 0, 0);
            const std::string context = std::string(zone) + " " + schedule.name;

            platform::SetTestClock(start);
            CountdownWindow window(settings);
            const LaunchCheck check = window.Launch(PickedMoment{{}, schedule.time});
            ASSERT_TRUE(check == Valid || check == TodayPassed) << context << ": " << check;
            // Ticks between launches change only the display: the one-shot launches.
            window.RunUntil(std::int64_t{end} * 1000, false);

            const std::vector<ExpectedLaunch> expected = ExpectedLaunches(schedule, start, end);
            EXPECT_GE(expected.size(), 52u * schedule.days.size()) << context;
            EXPECT_EQ(window.starts.size(), expected.size()) << context;
            zoneLaunches += CheckLaunches(expected, window.starts, context);
        }
        summary << (summary.tellp() > 0 ? ", " : "") << zone << " " << zoneLaunches;
    }
    std::cout << "launch simulation 2024, launches per zone: " << summary.str() << std::endl;
}

}  // namespace
