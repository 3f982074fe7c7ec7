#include "ui/picker.h"

#include "core/schedule.h"
#include "platform/os.h"

SYSTEMTIME ToSystemTime(const std::tm& local) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(local.tm_year + 1900);
    time.wMonth = static_cast<WORD>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time.wDay = static_cast<WORD>(local.tm_mday);
    time.wHour = static_cast<WORD>(local.tm_hour);
    time.wMinute = static_cast<WORD>(local.tm_min);
    time.wSecond = static_cast<WORD>(local.tm_sec);
    return time;
}

std::tm LocalNow() {
    std::tm local{};
    local.tm_year = 70;
    local.tm_mday = 1;
    platform::ToLocalTime(platform::CurrentTime(), local);
    return local;
}

bool ReadPicker(HWND picker, SYSTEMTIME& time) {
    return picker &&
           ::SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) == GDT_VALID;
}

void WritePicker(HWND picker, const SYSTEMTIME& time) {
    ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

void LimitPickerRange(HWND picker) {
    std::tm first{};
    std::tm last{};
    if (!picker || !RepresentableRange(first, last)) return;
    SYSTEMTIME range[2] = {ToSystemTime(first), ToSystemTime(last)};
    ::SendMessageA(picker, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
}
