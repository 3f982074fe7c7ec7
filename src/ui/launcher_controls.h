// The launcher dialog's control groups, shared by its set-up and its commands.
#pragma once

#include "resource.h"

inline constexpr int IntervalMinimum = 1;
inline constexpr int IntervalMaximum = 600;

// Weekday boxes indexed as tm_wday: Sunday first.
inline constexpr int DayBoxes[7] = {IDC_SUNDAY,   IDC_MONDAY, IDC_TUESDAY, IDC_WEDNESDAY,
                                    IDC_THURSDAY, IDC_FRIDAY, IDC_SATURDAY};
