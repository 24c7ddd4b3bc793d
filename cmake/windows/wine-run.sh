#!/usr/bin/env bash
# Runs a 64-bit Windows program under Wine, quietly, in the Windows build's own Wine prefix
# (PROBE_WINEPREFIX, default ~/.cache/probedata-windows/wine64) so that a user's ~/.wine is left
# alone. The DLLs a program needs sit beside it in the build's bin/.
#
# The prefix's server and its services are started here, once, detached from the program's
# output, and the server stays up for PROBE_WINE_PERSIST seconds (default 60) after the last
# program ends. Started by the program itself, they would keep its output pipes open, so that
# CTest waited for them, and they would be torn down and started again for every test.
set -u

: "${PROBE_WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/probedata-windows/wine64}"
WINEPREFIX=$PROBE_WINEPREFIX
WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine: creating the prefix must not ask to download them.
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

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
wine=$(find_program "${PROBE_WINE:-}" /usr/lib/wine/wine64 wine64) ||
  { echo "wine-run.sh: wine64 not found (apt-get install wine64)" >&2; exit 127; }
wineserver=$(find_program "${PROBE_WINESERVER:-}" /usr/lib/wine/wineserver wineserver) ||
  { echo "wine-run.sh: wineserver not found (apt-get install wine64)" >&2; exit 127; }

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
