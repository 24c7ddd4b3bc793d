#!/bin/sh
# Debian's package checker, lintian, at its most thorough (--pedantic, notes shown) on the
# packages that `make package` built. Fails on any error or warning, and on any note about
# hardening. The one warning let through is initial-upload-closes-no-bugs: the changelog of a
# first upload has no bug report to close.
#   usage: lint-debs.sh PACKAGE_BUILD
set -eu
build=${1:?usage: lint-debs.sh PACKAGE_BUILD}
command -v lintian >/dev/null || { echo "lint-debs.sh: lintian is not installed" >&2; exit 1; }

# --fail-on none: a non-zero status then means that lintian itself failed.
report=$(lintian --pedantic --display-info --fail-on none "$build"/*.deb)
[ -z "$report" ] || echo "$report"
count() { echo "$report" | grep -c "^$1: " || true; }
echo "lint-debs.sh: $(count E) errors, $(count W) warnings, $(count I) notes, $(count P) pedantic"

refused=$(echo "$report" | grep -E '^[EW]: |^[A-Z]: [^:]+: hardening-' |
  grep -v '^W: [^:]*: initial-upload-closes-no-bugs' || true)
if [ -n "$refused" ]; then
  echo "lint-debs.sh: refused:" >&2
  echo "$refused" >&2
  exit 1
fi
