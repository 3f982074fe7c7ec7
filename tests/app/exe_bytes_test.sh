#!/usr/bin/env bash
# Checks a built OrvixLauncher.exe from its bytes, where Wine cannot: Wine
# starts an exe whatever its manifest says, real Windows refuses one whose
# manifest names another architecture than its PE header ("the side-by-side
# configuration is incorrect").
#   - the PE machine type matches the manifest's processorArchitecture;
#   - it imports only DLLs that every Windows ships, in both word sizes, so
#     that neither build needs a runtime DLL (a 64-bit exe asking for a
#     32-bit-only one such as libgcc_s_dw2-1.dll could never load it).
#
#   exe_bytes_test.sh EXE...
set -euo pipefail

WINDOWS_DLLS="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
shell32.dll shlwapi.dll user32.dll version.dll"
failures=0
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }

# The architecture the PE header names, as a manifest spells it.
pe_architecture() {
    local header machine
    header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    [ "$(od -An -c -j"$header" -N4 "$1" | tr -d ' ')" = 'PE\0\0' ] || { echo "not-a-pe-file"; return; }
    machine=$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')
    case $machine in
    014c) echo x86 ;;
    8664) echo amd64 ;;
    *) echo "machine-0x$machine" ;;
    esac
}

# The processorArchitecture of the program's own identity in its manifest,
# one line per identity found.
manifest_architectures() {
    grep -ao '<assemblyIdentity[^>]*name="Orvix.OrvixLauncher"[^>]*>' "$1" |
        sed -n 's/.*processorArchitecture="\([^"]*\)".*/\1/p'
}

imported_dlls() { objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z'; }

for exe in "$@"; do
    machine=$(pe_architecture "$exe")
    manifest=$(manifest_architectures "$exe")
    if [ "$(echo "$manifest" | grep -c .)" -ne 1 ]; then
        fail "$exe: expected one manifest identity of the program, found: ${manifest:-none}"
    elif [ "$manifest" != "$machine" ] && [ "$manifest" != "*" ]; then
        fail "$exe: the PE header says $machine, the manifest says processorArchitecture=\"$manifest\""
    else
        echo "ok - $exe: $machine, and its manifest says \"$manifest\""
    fi
    dlls=$(imported_dlls "$exe")
    [ -n "$dlls" ] || fail "$exe: no imports found"
    for dll in $dlls; do
        echo " $WINDOWS_DLLS " | tr '\n' ' ' | grep -qF " $dll " || fail "$exe imports $dll, which Windows does not ship"
    done
done
[ "$failures" -eq 0 ]
