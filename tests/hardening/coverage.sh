#!/bin/sh
# Line and branch coverage of the library sources (src/) from the profiles the test suite wrote
# into BUILD/profiles. Usage: coverage.sh BUILD [llvm-cov] [llvm-profdata]
set -eu
build=$1
cov=${2:-llvm-cov-14}
profdata=${3:-llvm-profdata-14}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

"$profdata" merge -sparse -o "$build/coverage.profdata" "$build"/profiles/*.profraw

# Every program and library that holds library code: the suites link its objects themselves.
objects=""
for file in "$build"/bin/* "$build"/lib/*.so; do
  [ -f "$file" ] && [ -x "$file" ] || continue
  if [ -z "$objects" ]; then objects="$file"; else objects="$objects -object $file"; fi
done

# shellcheck disable=SC2086
"$cov" report -instr-profile="$build/coverage.profdata" $objects \
  -show-region-summary=false -show-branch-summary=true -show-instantiation-summary=false \
  "$source_dir/src" | tee "$build/coverage.txt"
# shellcheck disable=SC2086
"$cov" show -instr-profile="$build/coverage.profdata" $objects -format=html \
  -show-branches=count -output-dir="$build/coverage-html" "$source_dir/src" >/dev/null
echo "Per-line detail: $build/coverage-html/index.html"
