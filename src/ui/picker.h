// The date and time pickers as the launcher dialog reads and writes them:
// local broken-down time in, SYSTEMTIME out, and the range a moment can hold.
#pragma once

#include <ctime>

#include "framework/afx.h"

SYSTEMTIME ToSystemTime(const std::tm& local);
// The present moment as local time; 1970-01-01 when the clock has none.
std::tm LocalNow();
// False when the picker holds no date (it then reports nothing usable).
bool ReadPicker(HWND picker, SYSTEMTIME& time);
void WritePicker(HWND picker, const SYSTEMTIME& time);
// The pickers offer only dates that a moment can hold, so no launch time is
// picked that the launcher could not count down to.
void LimitPickerRange(HWND picker);
