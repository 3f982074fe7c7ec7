// Messages that a launcher started "as administrator" must still take from
// normal programs: User Interface Privilege Isolation drops every message at
// or above WM_USER that a lower integrity level sends it.
#pragma once

#include <windows.h>

#include <initializer_list>

void AllowFromNormalPrograms(HWND window, std::initializer_list<UINT> messages);
