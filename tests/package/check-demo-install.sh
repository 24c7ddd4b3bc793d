#!/usr/bin/env bash
# The README's first command and its install command, as a user runs them: `make demo` into a
# build directory of its own, then `cmake --install BUILD --prefix PREFIX`. The prefix works: the
# installed probetool checks a sample image, its manual page and completion lie beside it, and
# the installed Python package loads the installed library. An install from a build that lacks a
# file (the manual page removed) stops before it copies anything and names the file.
# usage: tests/package/check-demo-install.sh WORK_DIR   (from the top of the source tree)
set -euo pipefail

work=$(realpath -m "$1")
rm -rf "$work"
mkdir -p "$work"
fail() { echo "check-demo-install.sh: $*" >&2; exit 1; }

make --no-print-directory demo BUILD="$work/build" >"$work/demo.log" 2>&1 ||
  { tail -n 30 "$work/demo.log"; fail "make demo failed"; }
cmake --install "$work/build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "the install after make demo failed"; }

prefix=$work/prefix
[ "$("$prefix/bin/probetool" check tests/data/probe21.bin | tail -n 1)" = \
  "tests/data/probe21.bin: intact" ] ||
  fail "the installed probetool does not find probe21.bin intact"
for file in share/man/man1/probetool.1.gz share/bash-completion/completions/probetool \
            include/probedata/probedata_c.h lib/cmake/ProbeData/ProbeDataConfig.cmake; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done
PYTHONPATH=$prefix/lib/python3/dist-packages python3 -c \
  'import probedata, sys; sys.exit(probedata.version() != (1, 1, 1112))' ||
  fail "the installed Python package does not load the installed library"

rm "$work/build/tools/probetool.1.gz"
if cmake --install "$work/build" --prefix "$work/partial" >"$work/partial.log" 2>&1; then
  fail "an install without the manual page went through"
fi
grep -q "probetool.1.gz" "$work/partial.log" ||
  { cat "$work/partial.log"; fail "the failed install does not name the page"; }
[ -z "$(find "$work/partial" -type f 2>/dev/null)" ] || fail "a failed install left files"
echo "make demo, then cmake --install: a working prefix; a partial build installs nothing"
