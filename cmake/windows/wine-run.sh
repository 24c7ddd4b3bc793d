#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in a Wine prefix of the Windows build's own, so that
# a user's ~/.wine is left alone. The DLLs a program needs sit beside it in the build's bin/.
#
# usage: wine-run.sh PROGRAM.exe [ARGUMENT...]
# The program's PE header says which Wine runs it: a 32-bit program runs under 32-bit Wine
# (Debian's wine32:i386) in a 32-bit prefix, PROBE_WINE32PREFIX (default
# ~/.cache/probedata-windows/wine32), as on 32-bit Windows; a 64-bit one under wine64 in
# PROBE_WINE64PREFIX (default .../wine64). Anything that is not a program file (a Wine built-in
# such as wineboot) runs in the 64-bit prefix. Either prefix is created on first use.
# Under `make windows`, PROBE_WIN32_RUNS names the file that says whether this machine starts
# 32-bit programs (runs-32bit.sh); where it says no, a 32-bit program is refused here, at once.
#
# The prefix's server and its services are started here, once, detached from the program's
# output, and the server stays up for PROBE_WINE_PERSIST seconds (default 60) after the last
# program ends. Started by the program itself, they would keep its output pipes open, so that
# CTest waited for them, and they would be torn down and started again for every test.
set -u

cache=${XDG_CACHE_HOME:-$HOME/.cache}/probedata-windows

# pe_machine FILE: the machine field of a PE file's header in hex (014c: x86, 8664: x86-64), or
# nothing when FILE is not one. The header's offset is the little-endian word at 0x3c.
pe_machine() {
  local offset
  [ -f "$1" ] && [ "$(head -c 2 "$1" 2>/dev/null)" = MZ ] || return 0
  offset=$(od -An -tu4 --endian=little -j 60 -N 4 "$1" | tr -d ' ')
  [ -n "$offset" ] && [ "$(od -An -c -j "$offset" -N 4 "$1" | tr -d ' ')" = 'PE\0\0' ] || return 0
  od -An -tx2 --endian=little -j $((offset + 4)) -N 2 "$1" | tr -d ' '
}

find_program() {  # the first of the given programs that exists
  local program
  for program in "$@"; do
    if [ -n "$program" ] && command -v "$program" >/dev/null 2>&1; then
      command -v "$program"
      return 0
    fi
  done
  return 1
}

if [ "$(pe_machine "${1:-}")" = 014c ]; then
  if [ -n "${PROBE_WIN32_RUNS:-}" ] && [ "$(head -n 1 "$PROBE_WIN32_RUNS" 2>/dev/null)" = no ]; then
    echo "wine-run.sh: $1 not started: this kernel does not run 32-bit programs" \
      "(IA32 emulation off; $PROBE_WIN32_RUNS)" >&2
    exit 126
  fi
  WINEPREFIX=${PROBE_WINE32PREFIX:-$cache/wine32}
  WINEARCH=win32
  export WINEARCH
  wine=$(find_program "${PROBE_WINE32:-}" /usr/lib/wine/wine) ||
    { echo "wine-run.sh: 32-bit wine not found (apt-get install wine32:i386)" >&2; exit 127; }
else
  WINEPREFIX=${PROBE_WINE64PREFIX:-$cache/wine64}
  wine=$(find_program "${PROBE_WINE64:-}" /usr/lib/wine/wine64 wine64) ||
    { echo "wine-run.sh: wine64 not found (apt-get install wine64)" >&2; exit 127; }
fi
# One server program for both widths: Debian's wineserver runs the 64-bit one when installed.
wineserver=$(find_program "${PROBE_WINESERVER:-}" /usr/lib/wine/wineserver wineserver) ||
  { echo "wine-run.sh: wineserver not found (apt-get install wine64)" >&2; exit 127; }

WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine: creating the prefix must not ask to download them.
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

# One starter at a time; nothing started here may keep the lock's descriptor (9). The server comes
# first, also for a new prefix, which is then created under it. Created before it, by a wineboot
# that started a server of its own, the prefix's first server ended while the first tests ran,
# and the server and services started after it at times held a test's output open for a minute.
mkdir -p "$WINEPREFIX"
(
  flock 9
  if "$wineserver" -p"${PROBE_WINE_PERSIST:-60}" </dev/null >/dev/null 2>&1 9>&-; then
    # A new server: create the prefix on first use, or start its services, before the program.
    if [ -f "$WINEPREFIX/.probe-prefix-ready" ]; then
      "$wine" wineboot </dev/null >/dev/null 2>&1 9>&-
    else
      echo "wine-run.sh: creating the Wine prefix $WINEPREFIX" >&2
      "$wine" wineboot --init </dev/null >/dev/null 2>&1 9>&- &&
        touch "$WINEPREFIX/.probe-prefix-ready"
    fi
  fi
) 9>"$WINEPREFIX.lock"

exec "$wine" "$@"
