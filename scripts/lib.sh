# Shared by scripts/run and scripts/test: installs what is missing, and sets up
# the display and the Wine prefix of the build's own.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

missing_packages() {
    command -v cmake >/dev/null || echo cmake
    command -v g++ >/dev/null || echo g++
    command -v ninja >/dev/null || echo ninja-build
    command -v i686-w64-mingw32-g++-posix >/dev/null || echo g++-mingw-w64-i686
    command -v i686-w64-mingw32-windres >/dev/null || echo binutils-mingw-w64-i686
    command -v wine >/dev/null || echo wine
    dpkg -s wine32:i386 >/dev/null 2>&1 || echo wine32:i386
    command -v Xvfb >/dev/null || echo xvfb
    [ -x /usr/bin/import ] || echo imagemagick
    [ -f /usr/include/gtest/gtest.h ] || echo libgtest-dev
    [ -d /usr/src/googletest/googletest ] || echo googletest
    # The native schedule tests run in named zones (Antarctica/Troll and others).
    [ -f /usr/share/zoneinfo/Antarctica/Troll ] || echo tzdata
    command -v makensis >/dev/null || echo nsis
    command -v zip >/dev/null || echo zip
    [ -f /usr/share/wine/fonts/marlett.ttf ] || echo fonts-wine
    # Both builds ship, and the 64-bit one is checked in a 64-bit prefix.
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || echo g++-mingw-w64-x86-64
    runs_64bit_wine && { [ -x /usr/lib/wine/wine64 ] || echo wine64; }
    return 0
}

# Debian's wine64 loader is an amd64 program.
runs_64bit_wine() { [ "$(dpkg --print-architecture)" = amd64 ]; }

# The static checks that scripts/analyse runs.
missing_analysis_packages() {
    command -v cppcheck >/dev/null || echo cppcheck
    command -v run-clang-tidy >/dev/null || echo clang-tidy
    command -v clang-format >/dev/null || echo clang-format
}

# install_packages NAME... (nothing when the list is empty)
install_packages() {
    [ $# -eq 0 ] && return 0
    echo "Installing: $*"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# Installs what is missing and picks the Windows build that this machine runs.
install_missing() {
    # shellcheck disable=SC2046
    install_packages $(missing_packages)
    select_windows_build
}

# The launcher ships as a 32-bit and a 64-bit program; the Windows tests run
# on the 32-bit build, in a 32-bit prefix, and the checks that need the
# 64-bit one run in a 64-bit prefix of their own. Some virtual machines cannot
# execute 32-bit code at all (the kernel refuses it, and emulating it makes
# every Wine start take about a minute); there every test runs on the 64-bit
# build under 64-bit Wine, while the 32-bit build is still compiled.
# ORVIX_WINDOWS_PRESET=windows64 forces that.
runs_32bit_code() {
    [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}

select_windows_build() {
    if [ "${ORVIX_WINDOWS_PRESET:-}" != windows64 ] && runs_32bit_code; then
        WINDOWS_PRESET=windows
        WINE_SUFFIX=
        export WINEARCH=win32
    else
        WINDOWS_PRESET=windows64
        WINE_SUFFIX=64
        export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
        use_wine64_commands
        [ -n "${ORVIX_WINDOWS_PRESET:-}" ] || echo "This machine cannot run 32-bit programs: the Windows tests run on the 64-bit build."
    fi
    export WINEPREFIX="${ORVIX_WINEPREFIX_BASE:-$BUILD/wineprefix}$WINE_SUFFIX"
    WINDOWS_BIN="$BUILD/$WINDOWS_PRESET/bin"
}

# Debian's `wine` command prefers the 32-bit loader whenever it is installed,
# and wineboot, winepath and the rest go through it; these stand-ins, first
# on the PATH, send every one of them to the 64-bit loader.
use_wine64_commands() {
    local commands="$BUILD/wine64-commands" name
    mkdir -p "$commands"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$commands/$name"
        chmod +x "$commands/$name"
    done
    case ":$PATH:" in *":$commands:"*) ;; *) export PATH="$commands:$PATH" ;; esac
}

# configure_and_build PRESET [TARGET...]
configure_and_build() {
    local preset=$1; shift
    mkdir -p "$BUILD"
    if [ ! -f "$BUILD/$preset/CMakeCache.txt" ]; then
        cmake --preset "$preset" -G Ninja >"$BUILD/configure-$preset.log" 2>&1 \
            || { cat "$BUILD/configure-$preset.log"; return 1; }
    fi
    if [ $# -gt 0 ]; then
        cmake --build --preset "$preset" --target "$@"
    else
        cmake --build --preset "$preset"
    fi
}

XVFB_PID=
# Gives the session a display: the caller's own, or a fresh Xvfb of
# XVFB_SCREEN (1024x768x24 unless set).
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n=97
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
}

# A prefix of the build's own, and a wineserver that stays up, so that each
# Wine start after the first is quick.
ensure_wine() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    install_wine_fonts "$WINEPREFIX"
    # Exits non-zero when one is already running, which is just as good.
    wineserver -p >/dev/null 2>&1 </dev/null || true
    # The prefix's services start with the first Wine program and inherit its
    # output; a test runner would then wait on them until its time-out.
    # Started here, they hold nothing open.
    wineboot >/dev/null 2>&1 </dev/null || true
    use_desktop_for_dialog_tests
}

# A new prefix lacks Marlett, which draws the caption buttons (the close box
# shows an "r" without it), and the dialogs fall back to a font of the host.
# Wine's own TrueType fonts, copied into the prefix, give both.
install_wine_fonts() {
    local fonts="$1/drive_c/windows/Fonts" font
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/*.ttf; do
        [ -f "$fonts/${font##*/}" ] || cp "$font" "$fonts/"
    done
    use_windows_dialog_font "$1"
}

# Windows draws the dialogs' "MS Shell Dlg" in Microsoft Sans Serif, as wide
# as MS Sans Serif; Wine maps it to its narrower Tahoma, which cuts the ends
# off texts that fit on Windows ("Runnin"). The prefix maps it as Windows does.
use_windows_dialog_font() {
    local marker="$1/.orvix-dialog-font"
    [ -f "$marker" ] && return 0
    WINEPREFIX="$1" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v "MS Shell Dlg" /d "Microsoft Sans Serif" /f >/dev/null 2>&1 </dev/null && touch "$marker"
}

# Without a window manager Wine waits about two seconds for every window it
# hides. The in-process dialog tests therefore run inside a virtual desktop,
# where hiding is immediate. The launcher itself and the test that drives it
# from outside stay on the plain display, as a user's copy would.
DIALOG_TEST_BINARIES="framework_tests.exe ui_launcher_dialog_test.exe ui_launch_cycle_test.exe ui_tray_test.exe ui_commands_test.exe"
use_desktop_for_dialog_tests() {
    local marker="$WINEPREFIX/.orvix-test-desktops" exe
    [ "$(cat "$marker" 2>/dev/null)" = "$DIALOG_TEST_BINARIES" ] && return 0
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Tests /d 1024x768 /f >/dev/null 2>&1
    for exe in $DIALOG_TEST_BINARIES; do
        wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe\\Explorer" /v Desktop /d Tests /f >/dev/null 2>&1
    done
    echo "$DIALOG_TEST_BINARIES" >"$marker"
}

stop_session() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
