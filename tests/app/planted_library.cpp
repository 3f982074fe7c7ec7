// A library that marks its own loading: DllMain appends to "<its path>.loaded".
// Copies of it, named like a library the launcher loads, are planted where a
// careless search would find them.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    std::string path(MAX_PATH, '\0');
    DWORD length = GetModuleFileNameA(self, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return TRUE;
    path.resize(length);
    HANDLE marker = CreateFileA((path + ".loaded").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(marker, "loaded\r\n", 8, &written, nullptr);
    CloseHandle(marker);
    return TRUE;
}
