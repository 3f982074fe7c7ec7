# 64-bit Windows through Debian's mingw-w64: the launcher that 64-bit Windows
# runs natively. On machines that cannot execute 32-bit code the Windows tests
# run on this build, under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The loader itself: Debian's `wine` command prefers the 32-bit loader whenever
# it is installed, even where it cannot run.
set(ORVIX_WINE64 /usr/lib/wine/wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVIX_WINE64})
