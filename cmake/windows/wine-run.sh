#!/bin/sh
# Runs a 64-bit Windows program under Wine, quietly, in the Windows build's own Wine prefix
# (PROBE_WINEPREFIX, default ~/.cache/probedata-windows/wine64) so a user's ~/.wine is left alone.
# The DLLs a program needs sit beside it in the build's bin/.
: "${PROBE_WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/probedata-windows/wine64}"
WINEPREFIX=$PROBE_WINEPREFIX
WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine: creating the prefix must not ask to download them.
WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
for wine in "${PROBE_WINE:-}" /usr/lib/wine/wine64 wine64; do
  if [ -n "$wine" ] && command -v "$wine" >/dev/null 2>&1; then
    exec "$wine" "$@"
  fi
done
echo "wine-run.sh: wine64 not found (apt-get install wine64)" >&2
exit 127
