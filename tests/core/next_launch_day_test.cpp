// The search for the next checked weekday, in several time zones, including
// the weeks in which the clocks change.
#include <vector>

#include "core/schedule_fixture.h"

namespace {

constexpr int Sunday = 0, Monday = 1, Wednesday = 3, Friday = 5, Saturday = 6;

void CheckOnly(Program& settings, unsigned dayMask) {
    for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, (dayMask >> day) & 1u);
}

unsigned Days(std::initializer_list<int> days) {
    unsigned mask = 0;
    for (int day : days) mask |= 1u << day;
    return mask;
}

// Walks the calendar day by day from today: the first checked day, with
// today left out once its launch is used up.
Civil ExpectedLaunchDay(Civil today, bool launched, unsigned dayMask) {
    const std::int64_t first = DaysFromCivil(today);
    for (std::int64_t day = first + (launched ? 1 : 0); day <= first + 7; ++day)
        if ((dayMask >> WeekdayOfDays(day)) & 1u) return CivilFromDays(day);
    return {0, 0, 0};
}

Civil FoundLaunchDay(Program& settings, Moment now) {
    platform::SetTestClock(now);
    std::tm day{};
    EXPECT_TRUE(settings.NextLaunchDay(day));
    EXPECT_EQ(settings.GetCountdownStart(), now);
    return CivilOf(day);
}

class NextLaunchDayTest : public ScheduleTest {};

TEST_F(NextLaunchDayTest, WorkedCasesInEveryZone) {
    struct Row {
        Civil today;
        bool launched;
        unsigned days;
        Civil launchDay;
    };
    // 2024-01-03 is a Wednesday.
    const Row rows[] = {
        {{2024, 1, 3}, false, Days({Monday, Friday}), {2024, 1, 5}},
        {{2024, 1, 3}, false, Days({Wednesday}), {2024, 1, 3}},
        {{2024, 1, 3}, true, Days({Wednesday}), {2024, 1, 10}},
        {{2024, 1, 6}, false, Days({Monday}), {2024, 1, 8}},
        {{2024, 1, 6}, true, Days({Saturday}), {2024, 1, 13}},
        {{2024, 1, 7}, true, Days({Sunday, Monday}), {2024, 1, 8}},
    };
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        Program settings;
        for (const Row& row : rows) {
            CheckOnly(settings, row.days);
            settings.SetLaunched(row.launched);
            const Moment now = LocalMoment(row.today.year, row.today.month, row.today.day, 10, 0, 0);
            EXPECT_EQ(FoundLaunchDay(settings, now), row.launchDay)
                << zone << " today " << row.today << " launched " << row.launched << " days " << row.days;
        }
    }
}

// Every combination of checked days, from each day of a week, near midnight
// and at noon, in an ordinary week and in the weeks before each change.
TEST_F(NextLaunchDayTest, AgreesWithTheCalendarOnEveryDayAndCombination) {
    const int times[][3] = {{0, 0, 0}, {0, 30, 0}, {12, 0, 0}, {23, 30, 0}, {23, 59, 59}};
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        Program settings;
        std::vector<Moment> weekStarts = {LocalMoment(2024, 1, 10, 12, 0, 0)};
        for (Moment change : ChangesIn2024(zone)) weekStarts.push_back(change - 7 * 86400);
        int failures = 0;
        for (Moment weekStart : weekStarts) {
            const std::int64_t firstDay = DaysFromCivil(CivilOf(LocalOf(weekStart)));
            for (std::int64_t dayNumber = firstDay; dayNumber < firstDay + 8; ++dayNumber) {
                const Civil today = CivilFromDays(dayNumber);
                for (const auto& time : times) {
                    const Moment now =
                        LocalMoment(today.year, today.month, today.day, time[0], time[1], time[2]);
                    for (bool launched : {false, true}) {
                        settings.SetLaunched(launched);
                        for (unsigned mask = 1; mask < 128 && failures < 10; ++mask) {
                            CheckOnly(settings, mask);
                            const Civil expected = ExpectedLaunchDay(CivilOf(LocalOf(now)), launched, mask);
                            const Civil found = FoundLaunchDay(settings, now);
                            if (found == expected) continue;
                            ++failures;
                            ADD_FAILURE()
                                << zone << " now " << LocalText(now) << " launched " << launched << " days "
                                << mask << ": found " << found << ", expected " << expected;
                        }
                    }
                }
            }
        }
    }
}

// Within an hour of midnight on the eve of a change, whole 86400-second steps
// would land a calendar day off; the launch keeps its day and its time.
TEST_F(NextLaunchDayTest, NearMidnightAcrossEachChangeKeepsDayAndTime) {
    const ClockTime picked[] = {{23, 59, 59}, {0, 0, 0}, {0, 30, 0}};
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        Program settings;
        for (Moment change : ChangesIn2024(zone)) {
            const std::int64_t changeDay = DaysFromCivil(CivilOf(LocalOf(change)));
            const Civil eve = CivilFromDays(changeDay - 1);
            struct Case {
                Moment now;
                std::int64_t launchDay;
            };
            const Case cases[] = {
                {LocalMoment(eve.year, eve.month, eve.day, 23, 30, 0), changeDay},
                {LocalMoment(eve.year, eve.month, eve.day, 0, 30, 0), changeDay + 1},
                {LocalMoment(eve.year, eve.month, eve.day, 0, 30, 0), changeDay},
            };
            for (const Case& c : cases) {
                for (const ClockTime& time : picked) {
                    platform::SetTestClock(c.now);
                    settings.SetLaunched(false);
                    CheckOnly(settings, 1u << WeekdayOfDays(c.launchDay));
                    CalendarDate shown;
                    ASSERT_TRUE(ComputeLaunchMoment(settings, CalendarDate{}, time, shown));
                    const std::tm launch = LocalOf(settings.GetLaunchTime());
                    const Civil expectedDay = CivilFromDays(c.launchDay);
                    const std::string context = std::string(zone) + " now " + LocalText(c.now) + " launch " +
                                                LocalText(settings.GetLaunchTime());
                    EXPECT_EQ(CivilOf(launch), expectedDay) << context;
                    EXPECT_EQ((Civil{shown.year, shown.month, shown.day}), expectedDay) << context;
                    // The picked time; where the clocks change at midnight, its first
                    // reading or the jump past it.
                    EXPECT_EQ(settings.GetLaunchTime(), MomentsReading(expectedDay, time).front()) << context;
                    EXPECT_EQ(settings.GetCountdownStart(), c.now);
                }
            }
        }
    }
}

}  // namespace
