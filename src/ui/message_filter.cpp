#include "ui/message_filter.h"

// Windows 7 and later; a launcher that is not elevated loses nothing.
void AllowFromNormalPrograms(HWND window, std::initializer_list<UINT> messages) {
    for (UINT message : messages) ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
}
