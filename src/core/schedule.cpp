#include "core/schedule.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

namespace {

// A window timer takes at most USER_TIMER_MAXIMUM (0x7FFFFFFF) milliseconds.
constexpr std::int32_t LongestTimerSeconds = 0x7FFFFFFF / 1000;

std::tm LocalWallClock(const std::tm& day, const ClockTime& time) {
    std::tm wall{};
    wall.tm_year = day.tm_year;
    wall.tm_mon = day.tm_mon;
    wall.tm_mday = day.tm_mday;
    wall.tm_hour = time.hour;
    wall.tm_min = time.minute;
    wall.tm_sec = time.second;
    // The library decides summer or winter time for the launch day itself,
    // so the picked time stays the wall-clock time on that day.
    wall.tm_isdst = -1;
    return wall;
}

bool SameWallClock(const std::tm& wanted, Moment moment) {
    std::tm got{};
    return platform::ToLocalTime(moment, got) && got.tm_mday == wanted.tm_mday &&
           got.tm_hour == wanted.tm_hour && got.tm_min == wanted.tm_min && got.tm_sec == wanted.tm_sec;
}

bool ConvertWithSummerFlag(std::tm wall, int isdst, Moment& moment) {
    wall.tm_isdst = isdst;
    return platform::FromLocalTime(wall, moment);
}

// A time of day the clocks skip has two readings, one for each side of the
// change; the later one falls within the hour after the gap, which is when a
// person waiting for that wall-clock time would expect the launch.
Moment AfterSkippedTime(const std::tm& wall, Moment fallback) {
    // A reading that cannot be made leaves its moment at the fallback.
    Moment winter = fallback;
    Moment summer = fallback;
    ConvertWithSummerFlag(wall, 0, winter);
    ConvertWithSummerFlag(wall, 1, summer);
    return std::max({fallback, winter, summer});
}

bool WallClockToMoment(const std::tm& wall, Moment& moment) {
    std::tm normalised = wall;
    if (!platform::FromLocalTime(normalised, moment)) return false;
    // A time that does not read back was skipped by the clocks; C runtimes
    // differ on which side of the gap they put it (Windows' takes the earlier).
    if (!SameWallClock(wall, moment)) moment = AfterSkippedTime(wall, moment);
    return true;
}

bool LaunchDay(Program& settings, const CalendarDate& pickedDate, std::tm& day, CalendarDate& launchDate) {
    if (!settings.IsAnyDayChecked()) {
        day.tm_year = pickedDate.year - 1900;
        day.tm_mon = pickedDate.month - 1;
        day.tm_mday = pickedDate.day;
        return true;
    }
    if (!settings.NextLaunchDay(day)) return false;
    launchDate.year = day.tm_year + 1900;
    launchDate.month = day.tm_mon + 1;
    launchDate.day = day.tm_mday;
    return true;
}

}  // namespace

bool ComputeLaunchMoment(Program& settings, const CalendarDate& pickedDate, const ClockTime& pickedTime,
                         CalendarDate& launchDate) {
    const Moment now = platform::CurrentTime();
    std::tm day{};
    Moment launch = now;
    const bool ok = platform::ToLocalTime(now, day) && LaunchDay(settings, pickedDate, day, launchDate) &&
                    WallClockToMoment(LocalWallClock(day, pickedTime), launch);
    settings.SetCountdownStart(now);
    // A moment that cannot be represented leaves nothing to count down to.
    settings.SetLaunchTime(ok ? launch : now);
    return ok;
}

bool IsSameLocalDay(Moment a, Moment b) {
    std::tm first{};
    std::tm second{};
    return platform::ToLocalTime(a, first) && platform::ToLocalTime(b, second) &&
           first.tm_year == second.tm_year && first.tm_yday == second.tm_yday;
}

double LaunchProgress(const Program& settings, Moment now) {
    const double span =
        static_cast<double>(std::int64_t{settings.GetLaunchTime()} - settings.GetCountdownStart());
    if (span == 0) return 100;
    return static_cast<double>(std::int64_t{now} - settings.GetCountdownStart()) / span * 100;
}

std::string CountdownText(std::int64_t remaining) {
    const std::int64_t days = remaining / 86400;
    const std::int64_t hours = (remaining % 86400) / 3600;
    const std::int64_t minutes = (remaining - (days * 24 + hours) * 3600) / 60;
    const std::int64_t seconds = remaining - ((days * 24 + hours) * 60 + minutes) * 60;
    char text[96];
    std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ":%02" PRId64 ":%02" PRId64, days, hours,
                  minutes, seconds);
    return text;
}

std::optional<std::int32_t> ParseIntervalText(const std::string& text) {
    using Limits = std::numeric_limits<std::int32_t>;
    const std::optional<std::int64_t> value = LeadingInteger(text);
    if (!value || *value < Limits::min() || *value > Limits::max()) return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::uint32_t TimerPeriodMilliseconds(std::int32_t intervalSeconds) {
    std::int32_t seconds = intervalSeconds;
    if (seconds < 1) seconds = 1;
    if (seconds > LongestTimerSeconds) seconds = LongestTimerSeconds;
    return static_cast<std::uint32_t>(seconds) * 1000u;
}

bool RepresentableRange(std::tm& first, std::tm& last) {
    return platform::ToLocalTime(0, first) &&
           platform::ToLocalTime(std::numeric_limits<std::int32_t>::max(), last);
}
