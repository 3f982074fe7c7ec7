// The program's entry point, in an object file of its own: the linker pulls it
// in only for the application, never for a test binary with its own main.
#include "framework/afx.h"

namespace {

// Libraries load from the system folder only, never from the program's own
// folder or the working directory: a launcher started from a downloads folder
// must not pick up a library planted beside it. Windows 7 without its loader
// update lacks the call; there the working directory at least leaves the search.
void LoadLibrariesFromSystemFolderOnly() {
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    auto setDefaultDirectories =
        AfxProcedure<SetDefaultDirectories>(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDirectories == nullptr || !setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    LoadLibrariesFromSystemFolderOnly();
    return AfxWinMain(instance, showCommand);
}
