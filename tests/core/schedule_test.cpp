// The launch moment from the pickers, across changes of summer time and at
// the ends of the representable range; the countdown text, progress, interval
// parsing and timer period.
#include <cstdint>
#include <limits>

#include "core/countdown_window.h"
#include "core/schedule_fixture.h"

namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();

class ScheduleMomentTest : public ScheduleTest {};

bool PickDate(Program& settings, CalendarDate date, ClockTime time) {
    CalendarDate shown;
    return ComputeLaunchMoment(settings, date, time, shown);
}

TEST(CountdownTextTest, DaysUnpaddedOtherPartsTwoDigitsSignsKept) {
    EXPECT_EQ(CountdownText(0), "0:00:00:00");
    EXPECT_EQ(CountdownText(3725), "0:01:02:05");
    EXPECT_EQ(CountdownText(2 * 86400 + 3 * 3600), "2:03:00:00");
    EXPECT_EQ(CountdownText(86399), "0:23:59:59");
    EXPECT_EQ(CountdownText(400 * 86400 + 59), "400:00:00:59");
    EXPECT_EQ(CountdownText(-5), "0:00:00:-5");
    EXPECT_EQ(CountdownText(-3725), "0:-1:-2:-5");
    EXPECT_EQ(CountdownText(-(86400 + 61)), "-1:00:-1:-1");
    EXPECT_EQ(CountdownText(Int32Max), "24855:03:14:07");
}

TEST(ParseIntervalTextTest, ReadsLeadingNumberAndRefusesNothingOrTooLarge) {
    EXPECT_EQ(ParseIntervalText(" 45abc"), 45);
    EXPECT_EQ(ParseIntervalText("\t+600"), 600);
    EXPECT_EQ(ParseIntervalText("-3"), -3);
    EXPECT_EQ(ParseIntervalText("007"), 7);
    EXPECT_EQ(ParseIntervalText("2147483647"), Int32Max);
    EXPECT_EQ(ParseIntervalText("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseIntervalText(""), std::nullopt);
    EXPECT_EQ(ParseIntervalText("   "), std::nullopt);
    EXPECT_EQ(ParseIntervalText("-"), std::nullopt);
    EXPECT_EQ(ParseIntervalText("abc"), std::nullopt);
    EXPECT_EQ(ParseIntervalText("2147483648"), std::nullopt);
    EXPECT_EQ(ParseIntervalText("99999999999"), std::nullopt);
    EXPECT_EQ(ParseIntervalText("-2147483649"), std::nullopt);
}

TEST(TimerPeriodTest, AtLeastOneSecondAndWithinTheTimerMaximum) {
    EXPECT_EQ(TimerPeriodMilliseconds(0), 1000u);
    EXPECT_EQ(TimerPeriodMilliseconds(-5), 1000u);
    EXPECT_EQ(TimerPeriodMilliseconds(1), 1000u);
    EXPECT_EQ(TimerPeriodMilliseconds(600), 600000u);
    EXPECT_EQ(TimerPeriodMilliseconds(2147483), 2147483000u);
    EXPECT_EQ(TimerPeriodMilliseconds(Int32Max), 2147483000u);
    EXPECT_LE(TimerPeriodMilliseconds(Int32Max), 0x7FFFFFFFu);
}

TEST_F(ScheduleMomentTest, ProgressIsTheShareOfTheWaitThatHasPassed) {
    Program settings;
    settings.SetCountdownStart(1000);
    settings.SetLaunchTime(1000);
    EXPECT_EQ(LaunchProgress(settings, 1000), 100.0);
    settings.SetLaunchTime(5000);
    EXPECT_EQ(LaunchProgress(settings, 1000), 0.0);
    EXPECT_EQ(LaunchProgress(settings, 2000), 25.0);
    EXPECT_LT(LaunchProgress(settings, 4999), 100.0);
    EXPECT_EQ(LaunchProgress(settings, 5000), 100.0);
    EXPECT_GT(LaunchProgress(settings, 5010), 100.0);
    settings.SetCountdownStart(0);
    settings.SetLaunchTime(Int32Max);
    EXPECT_EQ(LaunchProgress(settings, Int32Max), 100.0);
}

TEST_F(ScheduleMomentTest, SameLocalDayFollowsTheCalendarDate) {
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        const Moment lastSecond = LocalMoment(2024, 3, 9, 23, 59, 59);
        EXPECT_TRUE(IsSameLocalDay(LocalMoment(2024, 3, 9, 0, 0, 0), lastSecond)) << zone;
        EXPECT_FALSE(IsSameLocalDay(lastSecond, lastSecond + 1)) << zone;
        EXPECT_FALSE(IsSameLocalDay(LocalMoment(2023, 3, 9, 12, 0, 0), LocalMoment(2024, 3, 9, 12, 0, 0)))
            << zone;
        EXPECT_FALSE(IsSameLocalDay(-1, -1)) << zone;
    }
}

TEST_F(ScheduleMomentTest, DateModeTakesThePickedDateAndTime) {
    Program settings;
    platform::SetTestClock(LocalMoment(2024, 5, 1, 8, 0, 0));
    ASSERT_TRUE(PickDate(settings, {2024, 5, 2}, {9, 15, 30}));
    EXPECT_EQ(settings.GetLaunchTime(), LocalMoment(2024, 5, 2, 9, 15, 30));
    EXPECT_EQ(settings.GetCountdownStart(), LocalMoment(2024, 5, 1, 8, 0, 0));
}

TEST_F(ScheduleMomentTest, UnrepresentableDatesAreRefusedWithNothingToCountDown) {
    Program settings;
    settings.SetProgramPath("notepad.exe");
    const Moment now = LocalMoment(2024, 5, 1, 8, 0, 0);
    platform::SetTestClock(now);
    const CalendarDate dates[] = {{1969, 12, 31}, {1900, 1, 1}, {2039, 1, 1}, {2038, 6, 1}, {3000, 1, 1}};
    for (const CalendarDate& date : dates) {
        settings.SetLaunchTime(12345);
        EXPECT_FALSE(PickDate(settings, date, {12, 0, 0})) << date.year;
        EXPECT_EQ(settings.GetLaunchTime(), now) << date.year;
        EXPECT_EQ(settings.GetCountdownStart(), now) << date.year;
        EXPECT_EQ(settings.CheckParameters(), BadTime) << date.year;
    }
    EXPECT_TRUE(PickDate(settings, {2038, 1, 19}, {3, 14, 7}));
    EXPECT_EQ(settings.GetLaunchTime(), Int32Max);
    EXPECT_FALSE(PickDate(settings, {2038, 1, 19}, {3, 14, 8}));
    EXPECT_EQ(settings.GetLaunchTime(), now);
}

TEST_F(ScheduleMomentTest, RepresentableRangeSpansTheUsableMoments) {
    std::tm first{};
    std::tm last{};
    ASSERT_TRUE(RepresentableRange(first, last));
    EXPECT_EQ(CivilOf(first), (Civil{1970, 1, 1}));
    EXPECT_EQ(first.tm_hour * 3600 + first.tm_min * 60 + first.tm_sec, 0);
    EXPECT_EQ(CivilOf(last), (Civil{2038, 1, 19}));
    EXPECT_EQ(last.tm_hour * 3600 + last.tm_min * 60 + last.tm_sec, 3 * 3600 + 14 * 60 + 7);
}

// A date picked on the other side of a change keeps the picked wall-clock
// time (a summer-time flag carried over from today used to put it an hour off).
TEST_F(ScheduleMomentTest, PickedDateKeepsItsWallClockTimeAcrossEachChange) {
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        Program settings;
        for (Moment change : ChangesIn2024(zone)) {
            const Civil before = CivilOf(LocalOf(change - 20 * 86400));
            const Civil after = CivilOf(LocalOf(change + 20 * 86400));
            for (auto [today, target] : {std::pair{before, after}, std::pair{after, before}}) {
                const Moment now = LocalMoment(today.year, today.month, today.day, 12, 0, 0);
                platform::SetTestClock(now);
                ASSERT_TRUE(PickDate(settings, {target.year, target.month, target.day}, {21, 0, 0}));
                const std::tm launch = LocalOf(settings.GetLaunchTime());
                EXPECT_EQ(CivilOf(launch), target) << zone << " from " << today;
                EXPECT_EQ(launch.tm_hour * 60 + launch.tm_min, 21 * 60)
                    << zone << " from " << today << ": " << LocalText(settings.GetLaunchTime());
            }
        }
    }
}

// A picked time the clocks skip launches when they jump; a repeated time
// launches once, at its first reading.
TEST_F(ScheduleMomentTest, SkippedTimeLaunchesAtTheJumpAndRepeatedTimeOnceAtItsFirstReading) {
    for (const char* zone : TestZones()) {
        SetTimeZone(zone);
        Program settings;
        settings.SetProgramPath("notepad.exe");
        for (Moment change : ChangesIn2024(zone)) {
            const std::int64_t jump = UtcOffset(change) - UtcOffset(change - 1);
            // The middle of the skipped hours, or of the repeated ones.
            const std::int64_t middle = LocalSeconds(change - 1) + 1 + jump / 2;
            const int seconds = static_cast<int>(middle % 86400);
            const ClockTime picked{seconds / 3600, seconds / 60 % 60, seconds % 60};
            const Civil day = CivilFromDays(middle / 86400);
            const Moment first = static_cast<Moment>(jump > 0 ? change : change + jump / 2);
            const std::string context = std::string(zone) + " change " + LocalText(change);

            platform::SetTestClock(change - 86400);
            ASSERT_TRUE(PickDate(settings, {day.year, day.month, day.day}, picked)) << context;
            const Moment launch = settings.GetLaunchTime();
            EXPECT_EQ(launch, first) << context << ": " << LocalText(launch);
            if (jump > 0) continue;

            settings.SetDayChecked(WeekdayOfDays(DaysFromCivil(day)), true);
            CountdownWindow window(settings);
            ASSERT_EQ(window.Launch({{}, picked}), Valid) << context;
            window.RunUntil(std::int64_t{change + 7200} * 1000);
            ASSERT_EQ(window.starts.size(), 1u) << context;
            EXPECT_EQ(window.starts[0].at, std::int64_t{first} * 1000) << context;
            settings.SetDayChecked(WeekdayOfDays(DaysFromCivil(day)), false);
            settings.SetLaunched(false);
        }
    }
}

// Each case with the moment it must give. `primer` (when not 0) is converted
// first, as an earlier computation would: a C library that remembers the
// offset it used last must not let it decide.
TEST_F(ScheduleMomentTest, WorkedCasesAtChangesAndAtTheEndsOfTheRange) {
    struct Row {
        const char* zone;
        Moment now;
        unsigned days;  // checked weekdays, bit 0 Sunday; none is date mode
        CalendarDate date;
        ClockTime time;
        Moment primer, launch;
    };
    enum : unsigned { Tuesday = 1u << 2, Wednesday = 1u << 3, Friday = 1u << 5 };
    const Row rows[] = {
        // A repeated time takes its summer reading, also after a winter one.
        {"EST5EDT", 1729440000, 0, {2024, 11, 3}, {1, 15, 0}, 1730739600, 1730610900},
        // The last usable day.
        {"UTC0", 2147468400, Tuesday, {}, {1, 0, 0}, 0, 2147475600},
#ifndef _WIN32
        // The first evening west of Greenwich. The Windows C runtime converts
        // no local date before 1970, so there it is refused as unrepresentable.
        {"EST5EDT", 0, Wednesday, {}, {23, 30, 0}, 0, 16200},
        {"Europe/Berlin", 1729126800, 0, {2024, 10, 27}, {2, 15, 0}, 1722160800, 1729988100},
        {"Europe/Berlin", 1729126800, 0, {2024, 10, 27}, {2, 15, 0}, 1730113200, 1729988100},
        // Friday 2011-12-30 never appeared on the clock: the next Friday instead.
        {"Pacific/Apia", 1325156400, Friday, {}, {0, 0, 0}, 0, 1325757600},
#endif
    };
    for (const Row& row : rows) {
        SetTimeZone(row.zone);
        Program settings;
        settings.SetProgramPath("notepad.exe");
        for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, (row.days >> day) & 1u);
        platform::SetTestClock(row.now);
        std::tm primer = LocalOf(row.primer);
        primer.tm_isdst = -1;
        Moment primed = 0;
        if (row.primer != 0) platform::FromLocalTime(primer, primed);
        const std::string context = std::string(row.zone) + " now " + std::to_string(row.now);
        EXPECT_TRUE(PickDate(settings, row.date, row.time)) << context;
        EXPECT_EQ(settings.GetLaunchTime(), row.launch)
            << context << ": " << LocalText(settings.GetLaunchTime());
        EXPECT_EQ(settings.CheckParameters(), Valid) << context;
    }
}

// With Auto-Restart, launches that fell while the launcher was not running
// are counted at the wall-clock time, across a change of summer time too.
TEST_F(ScheduleMomentTest, MissedLaunchesCountEachCheckedDayAtItsWallClockTime) {
    struct Row {
        const char* zone;
        Civil storedDay, nowDay;
        int nowHour, nowMinute;
        unsigned days;  // bit 0 Sunday; none is date mode
        int missed;
    };
    const unsigned everyDay = 0x7F;
    const unsigned mondayFriday = (1u << 1) | (1u << 5);
    const Row rows[] = {
        {"UTC0", {2004, 3, 2}, {2004, 3, 2}, 22, 0, everyDay, 1},
        {"UTC0", {2004, 3, 1}, {2004, 3, 8}, 21, 30, mondayFriday, 3},
        {"UTC0", {2004, 3, 2}, {2004, 3, 2}, 20, 0, everyDay, 0},        // still ahead
        {"UTC0", {2004, 3, 1}, {2004, 3, 8}, 22, 0, 0, 0},               // date mode
        {"EST5EDT", {2024, 3, 9}, {2024, 3, 11}, 21, 30, everyDay, 3},   // clocks forward on the 10th
        {"EST5EDT", {2024, 11, 2}, {2024, 11, 4}, 20, 30, everyDay, 2},  // and back on the 3rd
    };
    for (const Row& row : rows) {
        SetTimeZone(row.zone);
        Program settings;
        for (int day = 0; day < 7; ++day) settings.SetDayChecked(day, (row.days >> day) & 1u);
        const Civil& s = row.storedDay;
        const Civil& n = row.nowDay;
        settings.SetLaunchTime(LocalMoment(s.year, s.month, s.day, 21, 0, 0));
        const Moment now = LocalMoment(n.year, n.month, n.day, row.nowHour, row.nowMinute, 0);
        EXPECT_EQ(MissedLaunchCount(settings, now), row.missed) << row.zone << " " << s << " to " << n;
    }
    EXPECT_EQ(MissedLaunchText(LocalMoment(2024, 3, 9, 21, 0, 0), 3),
              "Launch Missed: Saturday, March 09, 2024 - 09:00:00 PM, 3 missed");
    EXPECT_EQ(MissedLaunchText(LocalMoment(2024, 3, 9, 21, 0, 0), 1),
              "Launch Missed: Saturday, March 09, 2024 - 09:00:00 PM");
}

}  // namespace
