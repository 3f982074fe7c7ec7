#!/usr/bin/env bash
# Soak under Wine: the real launcher dialog in-process on a set clock,
# 100,000 countdown ticks in weekday mode across both changes of summer time,
# with 200 real launches of a helper program (bench/soak.cpp). Prints the
# process's handle, GDI and USER object counts and memory at the start,
# along the way and at the end; they must stay flat. Exits non-zero when
# the launches were not exactly one a night.
#   bench/soak.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$ROOT"

WORK="$BUILD/bench/soak"
# A prefix of the benchmarks' own: test runs that end the build prefix's
# wineserver cannot cut the soak short.
export ORVIX_WINEPREFIX_BASE="$BUILD/bench/wineprefix"

mkdir -p "$BUILD/bench"
install_missing
BIN="$WINDOWS_BIN"
configure_and_build "$WINDOWS_PRESET" soak launch_stamp >"$BUILD/bench-build.log" 2>&1 \
    || { cat "$BUILD/bench-build.log"; exit 1; }
ensure_display
# Ends the benchmark prefix's wineserver and our Xvfb, nothing else.
trap stop_session EXIT
ensure_wine

rm -rf "$WORK"
mkdir -p "$WORK/home"
status=0
# The helper programs the soak starts would hold a pipe open: output goes to files.
wine "$BIN/soak.exe" "$(winepath -w "$WORK/home")" "$(winepath -w "$BIN/launch_stamp.exe")" \
    "$(winepath -w "$WORK/result.txt")" >"$WORK/output.txt" 2>&1 </dev/null || status=$?
if [ -s "$WORK/result.txt" ]; then
    cat "$WORK/result.txt"
else
    echo "The soak wrote no result (exit status $status):" >&2
    cat "$WORK/output.txt" >&2
fi
exit "$status"
