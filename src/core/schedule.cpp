#include "core/schedule.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>
#include <tuple>
#include <vector>

namespace {

// A window timer takes at most USER_TIMER_MAXIMUM (0x7FFFFFFF) milliseconds.
constexpr std::int32_t LongestTimerSeconds = 0x7FFFFFFF / 1000;
constexpr std::int64_t LastUsableMoment = std::numeric_limits<Moment>::max();

std::tm LocalWallClock(const std::tm& day, const ClockTime& time) {
    std::tm wall{};
    wall.tm_year = day.tm_year;
    wall.tm_mon = day.tm_mon;
    wall.tm_mday = day.tm_mday;
    wall.tm_hour = time.hour;
    wall.tm_min = time.minute;
    wall.tm_sec = time.second;
    wall.tm_isdst = -1;
    return wall;
}

auto WallClockFields(const std::tm& t) {
    return std::tie(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

bool ReadsAs(Moment moment, const std::tm& wall) {
    std::tm got{};
    return platform::ToLocalTime(moment, got) && WallClockFields(got) == WallClockFields(wall);
}

bool ReadsLaterThan(std::int64_t moment, const std::tm& wall) {
    std::tm got{};
    return platform::ToLocalTime(static_cast<Moment>(moment), got) &&
           WallClockFields(got) > WallClockFields(wall);
}

int SecondsOfDay(const std::tm& t) { return t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec; }
int SecondsOfDay(const ClockTime& t) { return t.hour * 3600 + t.minute * 60 + t.second; }

// Every conversion of `wall` that gives a usable moment: the library's own
// choice, and the summer and the winter reading asked for by name. For a
// repeated time the library's own choice follows the offset it used last
// (glibc remembers it); asking for both readings leaves nothing to chance.
std::vector<Moment> Readings(const std::tm& wall) {
    std::vector<Moment> readings;
    for (int isdst : {-1, 1, 0}) {
        std::tm attempt = wall;
        attempt.tm_isdst = isdst;
        Moment moment = 0;
        if (platform::FromLocalTime(attempt, moment)) readings.push_back(moment);
    }
    return readings;
}

// A time the clocks skip launches when they jump: at the first moment that
// reads later than it. No gap lasts more than a day, so the jump lies within
// two days of any reading of the skipped time, and the clock only moves
// forward in between.
bool JumpPast(const std::tm& wall, Moment reading, Moment& jump) {
    constexpr std::int64_t Reach = std::int64_t{2} * 86400;
    std::int64_t before = std::max<std::int64_t>(0, std::int64_t{reading} - Reach);
    std::int64_t after =
        std::min<std::int64_t>(std::numeric_limits<Moment>::max(), std::int64_t{reading} + Reach);
    if (ReadsLaterThan(before, wall) || !ReadsLaterThan(after, wall)) return false;
    while (after - before > 1) {
        const std::int64_t middle = before + (after - before) / 2;
        (ReadsLaterThan(middle, wall) ? after : before) = middle;
    }
    jump = static_cast<Moment>(after);
    return true;
}

// The moment the wall clock first reads `wall`: of a repeated time the first
// reading, of a skipped time the jump past it. False when neither is a
// usable moment.
bool WallClockToMoment(const std::tm& wall, Moment& moment) {
    const std::vector<Moment> readings = Readings(wall);
    if (readings.empty()) return false;
    std::optional<Moment> first;
    for (Moment reading : readings)
        if (ReadsAs(reading, wall) && (!first || reading < *first)) first = reading;
    if (!first) return JumpPast(wall, readings.front(), moment);
    moment = *first;
    return true;
}

bool FallsOnDate(Moment moment, const std::tm& day) {
    std::tm local{};
    return platform::ToLocalTime(moment, local) && local.tm_year == day.tm_year &&
           local.tm_mon == day.tm_mon && local.tm_mday == day.tm_mday;
}

int DaysToNextCheckedDay(const Program& settings, int weekday) {
    int days = 1;
    while (days < 7 && !settings.IsDayChecked((weekday + days) % 7)) ++days;
    return days;
}

// The day the search finds, or, while the clocks never show the picked time
// on that date, the next checked day after it: a weekday launch lands on a
// checked day. That covers a date skipped entirely, and a skipped time whose
// jump falls on the next date.
bool WeekdayLaunch(Program& settings, const ClockTime& time, Moment& launch, CalendarDate& launchDate) {
    std::tm day{};
    if (!settings.NextLaunchDay(day)) return false;
    for (int attempt = 0; attempt < 7; ++attempt) {
        if (!WallClockToMoment(LocalWallClock(day, time), launch)) return false;
        if (FallsOnDate(launch, day)) {
            launchDate = CalendarDate{day.tm_year + 1900, day.tm_mon + 1, day.tm_mday};
            return true;
        }
        AddCalendarDays(day, DaysToNextCheckedDay(settings, day.tm_wday));
    }
    return false;
}

bool DateLaunch(const CalendarDate& pickedDate, const ClockTime& time, Moment& launch) {
    std::tm day{};
    day.tm_year = pickedDate.year - 1900;
    day.tm_mon = pickedDate.month - 1;
    day.tm_mday = pickedDate.day;
    return WallClockToMoment(LocalWallClock(day, time), launch);
}

}  // namespace

bool ComputeLaunchMoment(Program& settings, const CalendarDate& pickedDate, const ClockTime& pickedTime,
                         CalendarDate& launchDate) {
    const Moment now = platform::CurrentTime();
    std::tm today{};
    Moment launch = now;
    const bool ok = platform::ToLocalTime(now, today) &&
                    (settings.IsAnyDayChecked() ? WeekdayLaunch(settings, pickedTime, launch, launchDate)
                                                : DateLaunch(pickedDate, pickedTime, launch));
    settings.SetCountdownStart(now);
    // A moment that cannot be represented leaves nothing to count down to.
    settings.SetLaunchTime(ok ? launch : now);
    return ok;
}

bool LaunchesAfterSkippedTime(Moment launch, const ClockTime& picked) {
    std::tm before{};
    std::tm at{};
    if (launch < 1 || !platform::ToLocalTime(launch - 1, before) || !platform::ToLocalTime(launch, at))
        return false;
    // A gap that starts the day (the clocks jump at midnight) begins before
    // every time of that day.
    const bool sameDate = before.tm_mday == at.tm_mday;
    const int gapStart = sameDate ? SecondsOfDay(before) : -1;
    const int wanted = SecondsOfDay(picked);
    return gapStart < wanted && wanted < SecondsOfDay(at);
}

bool MomentHoldsPickedTime(Moment launch, const ClockTime& picked) {
    std::tm at{};
    if (!platform::ToLocalTime(launch, at)) return false;
    return SecondsOfDay(at) == SecondsOfDay(picked) || LaunchesAfterSkippedTime(launch, picked);
}

std::string ClockTimeText(const ClockTime& time) {
    char text[16];
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds any three numbers of a clock.
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

std::optional<ClockTime> ParseClockTime(const std::string& text) {
    const auto digit = [&](std::size_t at) { return text[at] >= '0' && text[at] <= '9'; };
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    for (std::size_t at : {0, 1, 3, 4, 6, 7})
        if (!digit(at)) return std::nullopt;
    const auto number = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
    const ClockTime time{number(0), number(3), number(6)};
    if (time.hour > 23 || time.minute > 59 || time.second > 59) return std::nullopt;
    return time;
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
    // NOLINTNEXTLINE(cert-err33-c): the buffer holds the longest text, so nothing is cut off.
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

std::uint32_t LaunchTimerMilliseconds(std::int64_t millisecondsLeft) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(millisecondsLeft, 1, 0x7FFFFFFF));
}

int MissedLaunchCount(const Program& settings, Moment now) {
    const Moment stored = settings.GetLaunchTime();
    std::tm day{};
    std::tm today{};
    if (!settings.IsAnyDayChecked() || stored >= now || !platform::ToLocalTime(stored, day) ||
        !platform::ToLocalTime(now, today))
        return 0;
    // Each later day's launch keeps the wall-clock time, as the countdown
    // would have computed it, across every change of summer time.
    const ClockTime time{day.tm_hour, day.tm_min, day.tm_sec};
    int missed = 1;
    for (AddCalendarDays(day, 1);
         std::tie(day.tm_year, day.tm_yday) <= std::tie(today.tm_year, today.tm_yday);
         AddCalendarDays(day, 1)) {
        Moment launch = 0;
        if (settings.IsDayChecked(day.tm_wday) && WallClockToMoment(LocalWallClock(day, time), launch) &&
            launch < now)
            ++missed;
    }
    return missed;
}

std::string MissedLaunchText(Moment firstMissed, int count) {
    std::string text = "Launch Missed: " + TimeText(firstMissed);
    if (count > 1) text += ", " + std::to_string(count) + " missed";
    return text;
}

std::vector<int> ZoneFingerprint(Moment anchor) {
    // Monthly for a year sees every offset and both changes of summer time.
    constexpr int Readings = 13;
    constexpr std::int64_t Month = std::int64_t{30} * 86400;
    std::vector<int> fingerprint;
    for (int step = 0; step < Readings; ++step) {
        std::tm local{};
        const std::int64_t moment = std::min<std::int64_t>(anchor + step * Month, LastUsableMoment);
        if (!platform::ToLocalTime(static_cast<Moment>(moment), local)) continue;
        fingerprint.insert(fingerprint.end(), {local.tm_yday, SecondsOfDay(local), local.tm_isdst});
    }
    return fingerprint;
}

bool RepresentableRange(std::tm& first, std::tm& last) {
    return platform::ToLocalTime(0, first) &&
           platform::ToLocalTime(std::numeric_limits<std::int32_t>::max(), last);
}
