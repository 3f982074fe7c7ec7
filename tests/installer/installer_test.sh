#!/usr/bin/env bash
# Installs the launcher as a user would, in a Wine prefix of the test's own,
# once per path the installer can take on this machine: the x86 path in a
# 32-bit prefix where 32-bit code runs, the x64 path in a 64-bit prefix
# always. Each pass: a silent install, then its files (the native launcher),
# both shortcuts and the uninstall entry; a session start that must start the
# launcher from the Startup folder, and a start from the Start menu; silent
# upgrades over running launchers, which must end them and start them again
# on their own folders, stop for one that does not answer, leave a copy
# elsewhere alone and keep a removed Startup shortcut removed; then the
# uninstall that the entry names, which must end the launchers, remove the
# program and every Startup shortcut to it and leave the user's
# configuration and log. The x64 pass installs over an earlier 32-bit
# install, which it must replace in place, keeping the configuration, the
# log, the Startup shortcut and the one uninstall entry.
#
#   installer_test.sh INSTALLER LAUNCHER_X86 LAUNCHER_X64 WINDOW_PROBE WORK_DIR HELPER
#
# Runs from ctest with the build's Wine environment and needs a display.
set -euo pipefail

installer=$1 launcher_x86=$2 launcher_x64=$3 probe=$4 top_work=$5 helper=$6
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

# The launcher's window, found by its countdown control: the caption shows the countdown.
launcher_window=id:1032
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\OrvixLauncher'
wine=${WINELOADER:-wine}
passes=0 failures=0

pass() { echo "ok - $*"; passes=$((passes + 1)); }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
# A step that later ones depend on: the test ends here when it fails.
fatal() { echo "FAIL - $*"; exit 1; }
check() { # check DESCRIPTION COMMAND...
    local description=$1; shift
    if "$@"; then pass "$description"; else fail "$description"; fi
}

[ -n "${DISPLAY:-}" ] || fatal "no display: run this through scripts/test, which provides one"

# Wine programs inherit their starter's output; pointed at a file, none of
# them can hold ctest's pipe open.
wine_quiet() { "$wine" "$@" >>"$work/wine.log" 2>&1 </dev/null; }
# A Windows variable of the test prefix's user, e.g. LOCALAPPDATA.
windows_variable() { "$wine" cmd /c echo "%$1%" 2>>"$work/wine.log" </dev/null | tr -d '\r'; }
unix_path() { "$wine" winepath -u "$1" 2>>"$work/wine.log" </dev/null; }
registry_value() { # registry_value NAME: the value's data, or nothing
    "$wine" reg query "$uninstall_key" /v "$1" 2>>"$work/wine.log" </dev/null |
        tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
uninstall_entry_exists() { "$wine" reg query "$uninstall_key" >/dev/null 2>&1 </dev/null; }
# Uninstall entries of the product in the user's registry, any view.
uninstall_entry_count() {
    "$wine" reg query 'HKCU\Software' /s 2>>"$work/wine.log" </dev/null | tr -d '\r' |
        grep -c '^ *DisplayName *REG_SZ *Orvix Launcher$' || true
}
wait_for_launcher() { wine_quiet "$probe" wait "$launcher_window" 60; }
close_launcher() { wine_quiet "$probe" close "$launcher_window" 30; }
# came_back LOG COUNT [TEXT]: the log shows COUNT times "Program Exit"
# followed by a new start, the last start followed by TEXT. Waits, since the
# installer does not wait for the launchers it starts.
came_back() {
    for _ in $(seq 300); do
        awk -v count="$2" -v text="${3:-User Home Directory}" '/Program Exit/ {ended = 1}
            ended && /Orvix Launcher Program Execution/ {starts++; ended = 0; found = 0}
            starts && index($0, text) {found = 1} END {exit !(starts >= count && found)}' "$1" && return 0
        sleep 0.1
    done
    return 1
}
# ended LOG: the launcher's last record since its start is "Program Exit".
ended() { awk '/Orvix Launcher Program Execution/ {e = 0} /Program Exit/ {e = 1} END {exit !e}' "$1"; }
log_in() { echo "$(unix_path "$1")/orvix_launcher_log.txt"; }
# launcher_on FOLDER [EXE]: starts the installed launcher (or EXE) on its own
# folder and waits until it has read its settings; its process is $!.
launcher_on() {
    mkdir -p "$(unix_path "$1")"
    "$launcher_wine" "${2:-$installed_exe}" /folder "$1" >>"$work/wine.log" 2>&1 </dev/null &
    for _ in $(seq 300); do grep -qai "configuration file" "$(log_in "$1")" 2>/dev/null && return 0; sleep 0.1; done
    fatal "no launcher started on $1"
}
install_status() { status=0; wine_quiet "$installer" /S || status=$?; }
# list_lines LIST KEPT: the list's lines joined with |, the first KEPT as
# they are and the rest sorted; nothing when a line lacks its CR LF.
list_lines() {
    [ "$(grep -c $'\r$' "$1")" = "$(wc -l <"$1")" ] && [ -z "$(tail -c 1 "$1")" ] || return 0
    { tr -d '\r' <"$1" | head -n "$2"; tr -d '\r' <"$1" | tail -n +"$(($2 + 1))" | sort; } | paste -sd '|'
}

# new_prefix ARCH: a fresh prefix (win32 or win64), with HOME pointed into
# it so that nothing Wine does (menu entries for the shortcuts among it)
# reaches the real home.
new_prefix() {
    export WINEPREFIX="$work/prefix" HOME="$work/home" WINEARCH=$1
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
    mkdir -p "$work" "$HOME"
    wine_quiet wineboot -i || fatal "the test prefix could not be created (see $work/wine.log)"
    wineserver -w
    install_wine_fonts "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 </dev/null || true
}

# The places of the prefix's user that the installer and the launcher use.
find_places() {
    profile=$(windows_variable USERPROFILE)
    install_dir="$(windows_variable LOCALAPPDATA)\\Programs\\Orvix Launcher"
    start_menu="$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs"
    installed_exe="$install_dir\\OrvixLauncher.exe"
    unix_install_dir=$(unix_path "$install_dir")
    unix_home=$(unix_path "$profile")
    menu_shortcut=$(unix_path "$start_menu\\Orvix Launcher.lnk")
    startup_folder=$(unix_path "$start_menu\\Startup")
    startup_shortcut="$startup_folder/Orvix Launcher.lnk"
    configuration="$unix_home/orvix_launcher.cfg"
    log="$unix_home/orvix_launcher_log.txt"
}

# What the earlier 32-bit installer left: its program, its uninstall entry
# (written from 32-bit code, as it was), its Startup shortcut (as the x86
# pass's install made it) and the user's configuration and log.
make_earlier_32bit_install() {
    mkdir -p "$unix_install_dir" "$unix_home" "$startup_folder"
    cp "$launcher_x86" "$unix_install_dir/OrvixLauncher.exe"
    cp "$top_work/startup.lnk" "$startup_shortcut"
    local value
    for value in "DisplayName=Orvix Launcher" "InstallLocation=$install_dir" \
        "UninstallString=\"$install_dir\\Uninstall.exe\""; do
        wine_quiet 'C:\windows\syswow64\reg.exe' add "$uninstall_key" /v "${value%%=*}" /d "${value#*=}" /f \
            || fatal "the earlier install's uninstall entry could not be written"
    done
    printf '%s\r\n' '# Orvix Launcher Configuration File' '# This file is automatically generated and should' \
        '# not be modified' '#' 'C:\tools\backup.exe' 1700000000 30 0 1 0 0 0 0 0 1 0 0 '# eof' >"$configuration"
    printf '%s\r\n' 'Info  - 09:05:07 - 03.02.2024' 'Launching Program' 'C:\tools\backup.exe' \
        'Tuesday, March 02, 2024 - 09:05:07 AM' '' >"$log"
}

# install_and_uninstall ARCH: one pass, where the installer takes the ARCH path.
install_and_uninstall() {
    local arch=$1 native_exe=$launcher_x86 prefix_arch=win32
    # The loader of the launcher's own word size: its process is then the
    # one that $! names (the 32-bit loader starts a 64-bit exe through start.exe).
    launcher_wine=$wine
    if [ "$arch" = x64 ]; then native_exe=$launcher_x64 prefix_arch=win64 launcher_wine=/usr/lib/wine/wine64; fi
    work="$top_work/$arch"
    echo "# the $arch path, in a $prefix_arch prefix"
    new_prefix "$prefix_arch"
    find_places

    local earlier=""
    if [ "$arch" = x64 ] && [ -f "$top_work/startup.lnk" ]; then
        make_earlier_32bit_install
        earlier=$(cat "$configuration" "$log" | md5sum)
    fi
    wine_quiet "$installer" /S || fatal "the silent install failed with status $?"
    pass "the silent install succeeded"

    [ -d "$unix_install_dir" ] || fatal "nothing was installed in $install_dir"
    check "the installed program is the $arch build" cmp -s "$native_exe" "$unix_install_dir/OrvixLauncher.exe"
    if [ -n "$earlier" ]; then
        check "installing over the 32-bit install keeps the configuration and the log" \
            test "$(cat "$configuration" "$log" | md5sum)" = "$earlier"
    fi
    check "exactly one uninstall entry (found $(uninstall_entry_count))" test "$(uninstall_entry_count)" = 1
    for file in README.txt LICENSE.txt Uninstall.exe; do
        check "$file is installed" test -s "$unix_install_dir/$file"
    done
    # A shell link names its target's full path in its local base path.
    for shortcut in "$menu_shortcut" "$startup_shortcut"; do
        check "${shortcut#"$unix_home"/} points at the installed program" grep -aqF "$installed_exe" "$shortcut"
    done
    check "the uninstall entry names the product" test "$(registry_value DisplayName)" = "Orvix Launcher"
    check "the uninstall entry names the installed uninstaller" \
        test "$(registry_value UninstallString)" = "\"$install_dir\\Uninstall.exe\""
    cp "$startup_shortcut" "$top_work/startup.lnk"
    # Auto-Restart, counting down to a launch 12 hours away on any day.
    printf '%s\r\n' '# Orvix Launcher Configuration File' '# This file is automatically generated and should' \
        '# not be modified' '#' 'C:\tools\backup.exe' $(($(date +%s) + 43200)) 30 1 1 1 1 1 1 1 1 1 0 '# eof' \
        >"$configuration"

    # A session start runs what the Startup folder holds, as a log-on would.
    wine_quiet wineboot || true
    wait_for_launcher || fatal "a session start did not start the launcher from the Startup folder"
    pass "a session start starts the launcher"
    grep -qaF "Program Directory: $install_dir" "$log" && grep -qaF "User Home Directory: $profile" "$log" \
        && pass "the launcher logged its start in the user's home" \
        || fail "the log $log lacks the start's records: $(cat "$log" 2>/dev/null)"
    close_launcher || fatal "the launcher did not end on WM_CLOSE"
    check "closing saved the configuration in the user's home" test -s "$configuration"

    wine_quiet start "$start_menu\\Orvix Launcher.lnk" && wait_for_launcher \
        || fatal "the Start-menu shortcut did not start the launcher"
    pass "the Start-menu shortcut starts the launcher"

    # An upgrade needs no hands: the running launchers of the installed
    # program end and come back, each on its own folder; a copy elsewhere
    # goes on. The home launcher counts down (Auto-Restart).
    local jobs="$profile\\Jobs" stopped="$profile\\Stopped" status copy_pid stopped_pid
    launcher_on "$jobs"
    mkdir -p "$unix_home/Copy" && cp "$unix_install_dir/OrvixLauncher.exe" "$unix_home/Copy/"
    launcher_on "$profile\\Other" "$profile\\Copy\\OrvixLauncher.exe"
    copy_pid=$!
    install_status
    check "a silent install over running launchers succeeds (got $status)" test "$status" = 0
    check "the home launcher runs again, its countdown going on" came_back "$log" 1 "Launch Initiated"
    check "the /folder launcher runs again on its folder" came_back "$(log_in "$jobs")" 1
    check "the upgrade keeps the Startup shortcut" test -e "$startup_shortcut"

    # One that does not answer holds the upgrade up; those that ended come back.
    launcher_on "$stopped"
    stopped_pid=$!
    kill -STOP "$stopped_pid"
    touch -d 2001-01-01 "$unix_install_dir/OrvixLauncher.exe"
    install_status
    check "a silent install over a launcher that does not answer stops with status 2 (got $status)" test "$status" = 2
    check "and leaves the program in place" test "$(stat -c %Y "$unix_install_dir/OrvixLauncher.exe")" = "$(date -d 2001-01-01 +%s)"
    check "and starts again the launchers that ended" came_back "$(log_in "$jobs")" 2
    kill -CONT "$stopped_pid"
    rm "$startup_shortcut"
    install_status
    check "once it answers, a silent install succeeds (got $status)" test "$status" = 0
    check "and that launcher comes back on its folder" came_back "$(log_in "$stopped")" 1
    check "an upgrade keeps a removed Startup shortcut removed" test ! -e "$startup_shortcut"

    # Asked again, the helper keeps the folders already listed, adds each
    # once, an empty line for the home folder, and starts all but a gone one.
    local list="$work/launchers.txt"
    printf '%s\r\n' "$profile\\Gone" "$jobs" >"$list"
    wine_quiet "$helper" end "$installed_exe" "$("$wine" winepath -w "$list")"
    check "the helper appends the other launchers to the list" \
        test "$(list_lines "$list" 2)" = "$profile\\Gone|$jobs||$stopped"
    wine_quiet "$helper" start "$installed_exe" "$("$wine" winepath -w "$list")"
    check "and starts them again" came_back "$(log_in "$stopped")" 2

    # As the system's list of programs runs it, silently, but in place, so
    # that its status is its own; the folder by its 8.3 name, which takes no
    # quotes. A Startup shortcut of another name goes too.
    cp "$top_work/startup.lnk" "$startup_folder/Orvix Launcher - Jobs.lnk"
    local log_size kept
    log_size=$(stat -c %s "$log")
    kept=$(head -c "$log_size" "$log" | md5sum)
    status=0
    wine_quiet "$unix_install_dir/Uninstall.exe" /S "_?=$("$wine" winepath -s "$install_dir")" || status=$?
    check "a silent uninstall over running launchers succeeds (got $status)" test "$status" = 0
    for folder_log in "$log" "$(log_in "$jobs")" "$(log_in "$stopped")"; do
        check "and ends the launcher of ${folder_log#"$unix_home"/}" ended "$folder_log"
    done
    check "a launcher of a copy elsewhere is left running" kill -0 "$copy_pid"
    uninstall_entry_exists && fail "the uninstall entry is still there" || pass "the uninstall removed its entry"
    check "only the running uninstaller is left of the program's folder" test "$(ls "$unix_install_dir")" = Uninstall.exe
    check "the Start-menu shortcut is gone" test ! -e "$menu_shortcut"
    check "no Startup shortcut to the program is left" test -z "$(grep -laF "$installed_exe" "$startup_folder"/*.lnk)"
    check "the configuration is kept and the log only grew" \
        test -s "$configuration" -a "$(head -c "$log_size" "$log" | md5sum)" = "$kept"
    wineserver -k >/dev/null 2>&1 || true
}

# The PE machine type, as four hex digits: 014c for x86, 8664 for x64.
pe_machine() { od -An -tx2 -j$(($(od -An -tu4 -j60 -N4 "$1") + 4)) -N2 "$1" | tr -d ' '; }

unset XDG_CONFIG_HOME XDG_DATA_HOME
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
rm -rf "$top_work"
work=$top_work
grep -aq 'level="asInvoker"' "$installer" && pass "the installer asks for no administrator rights" \
    || fail "the installer's manifest does not run it as the invoking user"
# The 64-bit build's own installer is a 64-bit program: it has no x86 path.
if runs_32bit_code && [ "$(pe_machine "$installer")" = 014c ]; then
    install_and_uninstall x86
fi
install_and_uninstall x64

echo "installer test: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
