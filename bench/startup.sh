#!/usr/bin/env bash
# Start-up time under Wine: from process start to a visible window, for the
# launcher and for the smallest DialogBoxParamA program, measured alternately
# in the same run. Prints the medians, their ratio and the launcher's size.
#   bench/startup.sh [runs]        (default 10 of each)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$ROOT"

RUNS=${1:-10}
WORK="$BUILD/bench/startup"
# A prefix of the benchmarks' own: test runs that end the build prefix's
# wineserver cannot cut a measurement short.
export ORVIX_WINEPREFIX_BASE="$BUILD/bench/wineprefix"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mkdir -p "$BUILD/bench"
install_missing
BIN="$WINDOWS_BIN"
configure_and_build "$WINDOWS_PRESET" OrvixLauncher minimal_dialog start_timer >"$BUILD/bench-build.log" 2>&1 \
    || { cat "$BUILD/bench-build.log"; exit 1; }
ensure_display
# Ends the benchmark prefix's wineserver and our Xvfb, nothing else.
trap stop_session EXIT
ensure_wine

rm -rf "$WORK/home" "$WORK"/*.txt
mkdir -p "$WORK/home"
home=$(winepath -w "$WORK/home")
# A first start of each warms Wine's caches; it is not counted.
wine "$BIN/start_timer.exe" visible "$(winepath -w "$WORK/warmup.txt")" "$BIN/OrvixLauncher.exe" "$home" >/dev/null 2>&1
wine "$BIN/start_timer.exe" visible "$(winepath -w "$WORK/warmup.txt")" "$BIN/minimal_dialog.exe" >/dev/null 2>&1
for _ in $(seq "$RUNS"); do
    wine "$BIN/start_timer.exe" visible "$(winepath -w "$WORK/launcher.txt")" "$BIN/OrvixLauncher.exe" "$home" \
        >/dev/null 2>&1 || true
    wine "$BIN/start_timer.exe" visible "$(winepath -w "$WORK/minimal.txt")" "$BIN/minimal_dialog.exe" \
        >/dev/null 2>&1 || true
done

if grep -q failed "$WORK/launcher.txt" "$WORK/minimal.txt"; then
    echo "Some starts showed no window; see $WORK." >&2
    exit 1
fi
launcher=$(median <"$WORK/launcher.txt")
minimal=$(median <"$WORK/minimal.txt")
printf 'Start to visible window, medians of %d and %d starts (ms): launcher %.1f, minimal dialog %.1f, ratio %.2f\n' \
    "$(wc -l <"$WORK/launcher.txt")" "$(wc -l <"$WORK/minimal.txt")" "$launcher" "$minimal" "$(awk -v a="$launcher" -v b="$minimal" 'BEGIN { print a / b }')"
printf 'OrvixLauncher.exe: %d bytes\n' "$(stat -c %s "$BIN/OrvixLauncher.exe")"
