#!/usr/bin/env bash
# Shows what a host learns from a built DLL without running it, and fails when it is wrong: the
# export table lines of the five plain version functions, that every C function the module
# definition file DEF lists is exported under its plain name, the version resource (1.0.0.0,
# "Release build", the module's own name), and the DLLs it needs at run time.
# usage: show-dll.sh TRIPLE DLL DEF
#   e.g. show-dll.sh i686-w64-mingw32 build-win32/bin/probedata.dll build-win32/probedata.def
set -euo pipefail

triple=$1
dll=$2
def=$3
[ -f "$dll" ] || { echo "show-dll.sh: $dll not found" >&2; exit 1; }
file=$(basename "$dll")
module=${file%.dll}
status=0
fail() { echo "WRONG: $*"; status=1; }

headers=$("$triple-objdump" -p "$dll")

echo "== $dll: export table, the plain version functions"
table=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers")
for name in GetDllVersion GetDllVersionUnicode GetDllVersionMajor GetDllVersionMinor \
            GetDllBuildNumber; do
  grep -E "\] $name\$" <<<"$table" || fail "no export named $name"
done
c_names=$(sed -n 's/^  \([A-Za-z_0-9]*\)$/\1/p' "$def")
exported=0
for name in $c_names; do
  if grep -qE "\] $name\$" <<<"$table"; then exported=$((exported + 1)); else
    fail "$def lists $name, which the DLL does not export"
  fi
done
echo "  ... and the $exported functions of $def, the C interface among them"

echo "== $dll: version resource"
resource=$("$triple-windres" -i "$dll" -O rc | sed -n '/VERSIONINFO/,/^END/p')
echo "$resource"
expect() { grep -qF -- "$1" <<<"$resource" || fail "version resource lacks: $1"; }
expect "FILEVERSION 1, 0, 0, 0"
expect "PRODUCTVERSION 1, 0, 0, 0"
expect "VALUE \"Comments\", \"Release build\""
expect "VALUE \"FileVersion\", \"1.0.0.0\""
expect "VALUE \"ProductVersion\", \"1.0.0.0\""
expect "VALUE \"InternalName\", \"$module\""
expect "VALUE \"OriginalFilename\", \"$file\""

echo "== $dll: needs at run time"
sed -n 's/^\tDLL Name: /  /p' <<<"$headers"
exit $status
