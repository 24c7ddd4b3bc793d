#!/bin/sh
# Installs the Debian packages that `make package` built, uses them as a host's developer and a
# probe engineer would, away from the source and build trees, removes them again and checks that
# no file of theirs is left; fails at the first thing that does not work, and leaves the
# packages purged in any case.
#   usage: check-debs.sh PACKAGE_BUILD      (as root: it runs dpkg -i and dpkg -r)
set -eu
build=$(cd "${1:?usage: check-debs.sh PACKAGE_BUILD}" && pwd)
tree=$(cd "$(dirname "$0")/../.." && pwd)
# Dependents first, as dpkg -r takes them.
set -- python3-probedata probetool libprobedata-dev libprobedata1

[ "$(id -u)" = 0 ] || { echo "check-debs.sh: dpkg -i needs root" >&2; exit 1; }
for package in "$@"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    echo "check-debs.sh: $package is installed already; remove it first" >&2
    exit 1
  fi
done

work=$(mktemp -d)
cleanup() {
  dpkg --purge "$@" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap 'cleanup "$@"' EXIT

step() { echo "== $*"; }

step "dpkg -i"
dpkg -i "$build"/libprobedata1_*.deb "$build"/libprobedata-dev_*.deb "$build"/probetool_*.deb \
  "$build"/python3-probedata_*.deb
installed=$(dpkg -L "$@" | while read -r path; do
  if [ -n "$path" ] && { [ ! -d "$path" ] || [ -L "$path" ]; }; then echo "$path"; fi
done)
echo "$installed" | sed 's/^/  /'

# The examples in a directory of their own, as a host's sources are.
cp "$tree"/examples/read_probe.cpp "$tree"/examples/xml_round_trip.cpp \
   "$tree"/examples/probe_host.c "$tree"/examples/CMakeLists.txt "$tree"/tests/data/probe21.bin \
   "$tree"/examples/check_images.py "$work"/
cd "$work"

step "the pkg-config files"
# Debian's canonical form: prefix=/usr, and the headers' directory the only flag of the file's
# own (the compiler searches /usr/include anyway).
for pc in probedata probesim; do
  file=$(pkg-config --variable=pcfiledir $pc)/$pc.pc
  prefix=$(pkg-config --variable=prefix $pc)
  includedir=$(pkg-config --variable=includedir $pc)
  cflags=$(sed -n 's/^Cflags: *//p' "$file")
  echo "  $file: prefix=$prefix includedir=$includedir Cflags: $cflags"
  # shellcheck disable=SC2016
  if [ "$prefix" != /usr ] || [ "$includedir" != /usr/include ] ||
     [ "$cflags" != '-I${includedir}/probedata' ]; then
    echo "check-debs.sh: $file is not in the canonical form" >&2
    exit 1
  fi
done
echo "  pkg-config --cflags --libs probedata: $(pkg-config --cflags --libs probedata)"

step "the examples with pkg-config"
mkdir pkg-config
for example in read_probe xml_round_trip; do
  # shellcheck disable=SC2046
  c++ -std=c++17 "$example.cpp" $(pkg-config --cflags --libs probedata) -o "pkg-config/$example"
done
# shellcheck disable=SC2046
cc -std=c99 -pedantic -Werror probe_host.c $(pkg-config --cflags --libs probedata) \
  -o pkg-config/probe_host
# The examples include <probedata/...>; hosts written for earlier releases include flat.
printf '#include "ProbeDataV1Coder.h"\n#include "SimDeviceMemory.h"\n' >flat.cpp
# shellcheck disable=SC2046
c++ -std=c++17 -fsyntax-only flat.cpp $(pkg-config --cflags probesim)
step "the version macros against the library"
# shellcheck disable=SC2046
c++ -std=c++17 "$tree"/tests/package/version_host.cpp $(pkg-config --cflags --libs probedata) \
  -o version_host
./version_host
step "the examples with find_package"
cmake -S . -B cmake -DCMAKE_BUILD_TYPE=Release >cmake.log || { cat cmake.log; exit 1; }
cmake --build cmake >>cmake.log || { cat cmake.log; exit 1; }

for build_kind in pkg-config cmake; do
  step "the $build_kind examples run"
  "$build_kind/read_probe" probe21.bin | tee out.txt
  grep -q "data checksum 0xC616" out.txt
  "$build_kind/read_probe" | grep "probe EXAMPLE-PROBE"
  "$build_kind/xml_round_trip" "$build_kind.xml" | grep "the record came back whole"
  "$build_kind/probe_host" | grep "the record came back: yes"
done

step "the Python package, with Debian's python3"
/usr/bin/python3 -c 'import probedata; print(probedata.inspect(open("probe21.bin", "rb").read()))'
mkdir returns && cp probe21.bin returns/ && head -c 200 probe21.bin >returns/cut.bin
/usr/bin/python3 check_images.py returns | tee out.txt
grep -q "cut.bin: rigid body" out.txt

step "probetool"
command -v probetool
probetool --version
probetool show --json probe21.bin >probe.json
sed 's/"size": 2.5,/"size": 2.75,/' probe.json >edited.json
probetool convert edited.json edited.img
probetool check edited.img | tail -n 1
if command -v man >/dev/null; then
  man -w probetool
  MANWIDTH=80 man probetool 2>/dev/null | head -n 4
else
  echo "(man is not installed: the manual page is not shown)"
fi
bash -c '. /usr/share/bash-completion/completions/probetool && complete -p probetool'

step "dpkg -r"
cd /
dpkg -r "$@"
left=$(echo "$installed" | while read -r path; do
  if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done)
if [ -n "$left" ]; then
  echo "check-debs.sh: left after dpkg -r:" >&2
  echo "$left" >&2
  exit 1
fi
# The packages have no maintainer scripts and no configuration files (ldconfig runs through its
# trigger), so dpkg -r leaves no entry behind to purge.
for package in "$@"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q config-files; then
    echo "check-debs.sh: $package is left in the state config-files after dpkg -r" >&2
    exit 1
  fi
done
echo "check-debs.sh: the packages installed, worked and left nothing behind"
