// Shared by the schedule tests: local-time and calendar helpers for setting
// the clock and for working out what the schedule should give.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <ostream>
#include <string>
#include <vector>

#include "core/program.h"
#include "core/schedule.h"
#include "platform/os.h"
#include "support/core_support.h"

using testsupport::LocalMoment;
using testsupport::SetTimeZone;

inline std::tm LocalOf(Moment moment) {
    std::tm local{};
    EXPECT_TRUE(platform::ToLocalTime(moment, local)) << moment;
    return local;
}

// "2024-03-31 03:30:00" for failure messages.
inline std::string LocalText(Moment moment) {
    std::tm local{};
    if (!platform::ToLocalTime(moment, local)) return "(no local time: " + std::to_string(moment) + ")";
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text + std::string(local.tm_isdst > 0 ? " summer" : "");
}

// Calendar arithmetic of our own, so that expectations do not lean on mktime.
struct Civil {
    int year;
    int month;
    int day;
};

inline std::int64_t DaysFromCivil(Civil date) {
    const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

inline Civil CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0)), month, day};
}

inline int WeekdayOfDays(std::int64_t days) { return static_cast<int>(((days % 7) + 11) % 7); }

inline Civil CivilOf(const std::tm& local) { return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}; }

inline bool operator==(Civil a, Civil b) { return a.year == b.year && a.month == b.month && a.day == b.day; }

inline std::ostream& operator<<(std::ostream& out, Civil date) {
    return out << date.year << "-" << date.month << "-" << date.day;
}

// The wall-clock reading of a moment as seconds counted as if every day had
// 86400 of them.
inline std::int64_t LocalSeconds(Moment moment) {
    const std::tm local = LocalOf(moment);
    return DaysFromCivil(CivilOf(local)) * 86400 + local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

inline std::int64_t UtcOffset(Moment moment) { return LocalSeconds(moment) - moment; }

// The moments at which the wall clock jumps in `year`, found by watching the
// summer-time flag, so the same tests run whatever the zone's rules are.
inline std::vector<Moment> ClockChanges(int year) {
    std::vector<Moment> changes;
    Moment day = LocalMoment(year, 1, 1, 12, 0, 0);
    const Moment end = LocalMoment(year + 1, 1, 1, 12, 0, 0);
    for (; day < end; day += 86400) {
        if (LocalOf(day).tm_isdst == LocalOf(day + 86400).tm_isdst) continue;
        Moment before = day;
        Moment after = day + 86400;
        while (after - before > 1) {
            const Moment middle = before + (after - before) / 2;
            (LocalOf(middle).tm_isdst == LocalOf(before).tm_isdst ? before : after) = middle;
        }
        changes.push_back(after);
    }
    return changes;
}

// The two changes of 2024 in `zone`, none in UTC.
inline std::vector<Moment> ChangesIn2024(const char* zone) {
    const std::vector<Moment> changes = ClockChanges(2024);
    const bool universal = std::string(zone).rfind("UTC", 0) == 0;
    EXPECT_EQ(changes.size(), universal ? 0u : 2u) << zone;
    return changes;
}

// Every moment whose wall clock reads `date` at `time`, earliest first: one as
// a rule, two in a repeated hour. A reading the clocks skip gives the moment
// they jump past it.
inline std::vector<Moment> MomentsReading(Civil date, const ClockTime& time) {
    const std::int64_t wall = DaysFromCivil(date) * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
    std::vector<Moment> found;
    std::int64_t earliest = wall + 86400;
    std::int64_t latest = 0;
    for (int probeDay = -2; probeDay <= 2; ++probeDay) {
        const std::int64_t candidate = wall - UtcOffset(static_cast<Moment>(wall + probeDay * 86400));
        earliest = std::min(earliest, candidate);
        latest = std::max(latest, candidate);
        const Moment moment = static_cast<Moment>(candidate);
        if (LocalSeconds(moment) == wall && std::find(found.begin(), found.end(), moment) == found.end())
            found.push_back(moment);
    }
    if (found.empty()) {
        // Skipped: the earliest candidate reads before the gap, the latest after it.
        while (latest - earliest > 1) {
            const std::int64_t middle = earliest + (latest - earliest) / 2;
            (LocalSeconds(static_cast<Moment>(middle)) > wall ? latest : earliest) = middle;
        }
        found.push_back(static_cast<Moment>(latest));
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The zones the schedule is checked in. The Windows C runtime reads only
// POSIX-style zone texts.
inline std::vector<const char*> TestZones() {
#ifdef _WIN32
    return {"EST5EDT", "UTC0"};
#else
    // Troll's clocks jump two hours; Havana's change at midnight.
    return {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "UTC",
            "EST5EDT",       "Antarctica/Troll", "America/Havana"};
#endif
}

// Each test runs with its own home directory (the record's configuration and
// log land there), a fresh log stream and a clock only the test moves.
class ScheduleTest : public testsupport::ClockFixture {};
