// The program's entry point, in an object file of its own: the linker pulls it
// in only for the application, never for a test binary with its own main.
#include "framework/afx.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return AfxWinMain(instance, showCommand);
}
