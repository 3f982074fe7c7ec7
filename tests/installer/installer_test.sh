#!/usr/bin/env bash
# Installs the launcher as a user would, in a Wine prefix of the test's own:
# a silent install, then its files, both shortcuts and the uninstall entry; a
# session start that must start the launcher from the Startup folder, and a
# start from the Start menu; then the uninstall that the entry names, which
# must remove the program and both shortcuts and leave the user's
# configuration and log as they were.
#
#   installer_test.sh INSTALLER LAUNCHER_EXE WINDOW_PROBE WORK_DIR
#
# Runs from ctest with the build's Wine environment and needs a display.
set -euo pipefail

installer=$1 built_exe=$2 probe=$3 work=$4
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

caption=" Orvix Launcher - Version 2.11"
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
wait_for_launcher() { wine_quiet "$probe" wait "$caption" 60; }
close_launcher() { wine_quiet "$probe" close "$caption" 30; }

# A fresh prefix, with HOME pointed into it so that nothing Wine does (menu
# entries for the shortcuts among it) reaches the real home.
export WINEPREFIX="$work/prefix" HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"
[ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1 || true
rm -rf "$work"
mkdir -p "$work" "$HOME"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine_quiet wineboot -i || fatal "the test prefix could not be created (see $work/wine.log)"
wineserver -w
install_wine_fonts "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null || true

grep -aq 'level="asInvoker"' "$installer" && pass "the installer asks for no administrator rights" \
    || fail "the installer's manifest does not run it as the invoking user"
wine_quiet "$installer" /S || fatal "the silent install failed with status $?"
pass "the silent install succeeded"

profile=$(windows_variable USERPROFILE)
install_dir="$(windows_variable LOCALAPPDATA)\\Programs\\Orvix Launcher"
start_menu="$(windows_variable APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs"
installed_exe="$install_dir\\OrvixLauncher.exe"
unix_install_dir=$(unix_path "$install_dir")
unix_home=$(unix_path "$profile")
menu_shortcut=$(unix_path "$start_menu\\Orvix Launcher.lnk")
startup_shortcut=$(unix_path "$start_menu\\Startup\\Orvix Launcher.lnk")
configuration="$unix_home/orvix_launcher.cfg"
log="$unix_home/orvix_launcher_log.txt"

[ -d "$unix_install_dir" ] || fatal "nothing was installed in $install_dir"
check "the installed program is the one built" cmp -s "$built_exe" "$unix_install_dir/OrvixLauncher.exe"
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

# A session start runs what the Startup folder holds, as a log-on would.
wine_quiet wineboot || true
wait_for_launcher || fatal "a session start did not start the launcher from the Startup folder"
pass "a session start starts the launcher"
grep -qaF "Program Directory: $install_dir" "$log" && grep -qaF "User Home Directory: $profile" "$log" \
    && pass "the launcher logged its start in the user's home" \
    || fail "the log $log lacks the start's records: $(cat "$log" 2>/dev/null)"
# The running program's file cannot be replaced: installing again must stop
# and say so, not skip the file and report success.
status=0
wine_quiet "$installer" /S || status=$?
check "installing over the running launcher stops with status 2 (got $status)" test "$status" = 2
check "and leaves the Startup shortcut in place" test -e "$startup_shortcut"
close_launcher || fatal "the launcher did not end on WM_CLOSE"
check "closing saved the configuration in the user's home" test -s "$configuration"

wine_quiet start "$start_menu\\Orvix Launcher.lnk" && wait_for_launcher \
    || fatal "the Start-menu shortcut did not start the launcher"
pass "the Start-menu shortcut starts the launcher"
close_launcher || fatal "the launcher did not end on WM_CLOSE"

kept=$(cat "$configuration" "$log" | md5sum)
# As the system's list of programs does it: the entry's command, silently.
# The uninstaller copies itself away to run and returns at once; removing
# the entry is its last step.
uninstaller=$(registry_value UninstallString | tr -d '"')
wine_quiet "$uninstaller" /S || fatal "the uninstaller failed to start with status $?"
for _ in $(seq 600); do
    uninstall_entry_exists || break
    sleep 0.1
done
uninstall_entry_exists && fatal "the uninstall entry is still there a minute after uninstalling"
pass "the uninstall removed its entry"
check "the program's folder is gone" test ! -e "$unix_install_dir"
check "the Start-menu shortcut is gone" test ! -e "$menu_shortcut"
check "the Startup shortcut is gone" test ! -e "$startup_shortcut"
check "the configuration and the log are kept unchanged" test "$(cat "$configuration" "$log" | md5sum)" = "$kept"

echo "installer test: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
