// The arithmetic of the countdown, kept apart from the dialog so that it can
// be run against a set clock: the next launch moment from the pickers' values,
// the progress share, the countdown text and the timer period.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "core/program.h"

struct CalendarDate {
    int year = 1970;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
};

struct ClockTime {
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;
};

// Recomputes launchTime and countdownStart. Date mode takes the day from
// `pickedDate`; weekday mode searches the next checked day and reports it in
// `launchDate` (the date picker shows it). The time of day is `pickedTime`,
// kept as wall-clock time across a change of summer time: a time the clocks
// skip launches at the moment they jump, a repeated time at its first
// reading. A weekday launch moves on to the next checked day when its day
// never shows the picked time. False when the moment cannot be represented:
// launchTime then equals countdownStart, which the parameter check refuses.
bool ComputeLaunchMoment(Program& settings, const CalendarDate& pickedDate, const ClockTime& pickedTime,
                         CalendarDate& launchDate);

// True when `launch` is the jump of the clocks that `picked`, skipped on
// that day, was moved to. The time picker then keeps showing `picked`
// rather than the jump, so that the next day launches at `picked` again.
bool LaunchesAfterSkippedTime(Moment launch, const ClockTime& picked);

// True when `launch` is what `picked` gives on its date: that time of day,
// or the jump of the clocks that a skipped `picked` was moved to. A picked
// time kept beside the settings counts only where it agrees so with their
// launch moment; otherwise the settings were changed elsewhere.
bool MomentHoldsPickedTime(Moment launch, const ClockTime& picked);

// "HH:MM:SS", as the options file keeps a picked time, and back: nothing for
// any other text or a time no clock shows.
std::string ClockTimeText(const ClockTime& time);
std::optional<ClockTime> ParseClockTime(const std::string& text);

// True when both moments fall on the same local calendar date. After a launch,
// today counts as used up only when the launch moment fell on today, so that a
// tick coming late past midnight does not skip the next day.
bool IsSameLocalDay(Moment a, Moment b);

// Share of the wait from countdownStart to launchTime that has passed, in
// percent; 100 when the two are equal.
double LaunchProgress(const Program& settings, Moment now);

// "d:hh:mm:ss" for the seconds left; days unpadded, negative parts keep their sign.
std::string CountdownText(std::int64_t remaining);
inline const char* const StoppedCountdownText = "00:00:00:00";

// The interval box's text as a number: leading blanks, an optional sign, then
// digits up to the first other character. Nothing when there are no digits or
// the number does not fit in 32 bits.
std::optional<std::int32_t> ParseIntervalText(const std::string& text);

// Timer period for an interval: at least one second, at most what a window
// timer accepts.
std::uint32_t TimerPeriodMilliseconds(std::int32_t intervalSeconds);

// Delay of the one-shot timer that launches on the moment: the milliseconds
// left, at least 1 and at most what a window timer accepts (a longer wait
// is re-armed when the timer comes).
std::uint32_t LaunchTimerMilliseconds(std::int64_t millisecondsLeft);

// Weekday launches missed while the launcher was not running: the stored
// launch moment, when it lies before `now`, and every checked day after it
// whose launch at the same wall-clock time also came before `now`. 0 in
// date mode and when the stored moment is still ahead.
int MissedLaunchCount(const Program& settings, Moment now);
// "Launch Missed: <time text>", and ", N missed" when more than one was.
std::string MissedLaunchText(Moment firstMissed, int count);

// How the local clock reads a year of moments from `anchor` on. Two readings
// at the same anchor differ exactly when the time zone's offset or its
// summer-time rules have changed in between.
std::vector<int> ZoneFingerprint(Moment anchor);

// The first and last moments a picker may offer, as local dates and times.
bool RepresentableRange(std::tm& first, std::tm& last);
