#!/usr/bin/env bash
# Opening the log viewer on a 5 MB log under Wine: the time until the viewer
# is shown and painted, the time until its box holds the whole log, and the
# longest the viewer kept the user waiting meanwhile (one message). Also the
# time that reading and converting the log take on their own.
#   bench/log_viewer.sh [openings]        (default 5)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"
cd "$ROOT"

OPENINGS=${1:-5}
LOG_BYTES=$((5 * 1024 * 1024))
WORK="$BUILD/bench/log_viewer"
# A prefix of the benchmarks' own: test runs that end the build prefix's
# wineserver cannot cut a measurement short.
export ORVIX_WINEPREFIX_BASE="$BUILD/bench/wineprefix"

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mkdir -p "$BUILD/bench"
install_missing
BIN="$WINDOWS_BIN"
configure_and_build "$WINDOWS_PRESET" log_viewer_open >"$BUILD/bench-build.log" 2>&1 \
    || { cat "$BUILD/bench-build.log"; exit 1; }
ensure_display
# Ends the benchmark prefix's wineserver and our Xvfb, nothing else.
trap stop_session EXIT
ensure_wine

# A log of launch records, as years of use leave it.
rm -rf "$WORK"
mkdir -p "$WORK/home"
log="$WORK/home/orvix_launcher_log.txt"
printf 'Info  - 09:05:07 - 03.02.2004\r\nLaunching Program\r\nC:\\tools\\backup.exe\r\nTuesday, March 02, 2004 - 09:05:07 AM\r\n\r\n' >"$log"
while [ "$(stat -c %s "$log")" -lt "$LOG_BYTES" ]; do
    cat "$log" "$log" >"$log.twice"
    mv "$log.twice" "$log"
done
truncate -s "$LOG_BYTES" "$log"

wine "$BIN/log_viewer_open.exe" "$(winepath -w "$WORK/home")" "$(winepath -w "$WORK/results.txt")" "$OPENINGS" \
    >/dev/null 2>&1 </dev/null || { echo "log_viewer_open failed; see $WORK/results.txt" >&2; exit 1; }

openings=$(grep -v '^read' "$WORK/results.txt")
if [ "$(echo "$openings" | awk '$4 != $5' | wc -l)" -ne 0 ]; then
    echo "The box did not take the whole log in some openings; see $WORK/results.txt." >&2
    exit 1
fi
printf 'Log of %d bytes, %d lines; medians of %d openings (ms):\n' "$LOG_BYTES" "$(grep -c '' "$log")" \
    "$(echo "$openings" | wc -l)"
printf '  reading and converting alone  %8.1f\n' "$(awk '/^read/ { print $2 }' "$WORK/results.txt")"
printf '  viewer shown and painted      %8.1f\n' "$(echo "$openings" | awk '{ print $1 }' | median)"
printf '  whole log in the box          %8.1f\n' "$(echo "$openings" | awk '{ print $2 }' | median)"
printf '  longest wait for the user     %8.1f\n' "$(echo "$openings" | awk '{ print $3 }' | median)"
