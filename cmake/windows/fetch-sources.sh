#!/usr/bin/env bash
# Fetches the Debian source packages of the Windows build's dependencies into DIR, with apt-get
# pointed at a sources list and a lists folder of our own: the machine's apt configuration and
# state are read, never written.
#
# usage: fetch-sources.sh DIR PACKAGE...
# The archive is the one the machine already uses for its Debian packages; WINDOWS_DEBIAN_MIRROR
# overrides it, WINDOWS_DEBIAN_SUITE (default bookworm) picks the release.
set -euo pipefail

dir=$1; shift
suite=${WINDOWS_DEBIAN_SUITE:-bookworm}
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

# The first archive in the machine's own lists (one-line and deb822 forms) whose path ends in
# /debian: the main archive, not the security one.
machine_mirror() {
  {
    { cat /etc/apt/sources.list || true; } 2>/dev/null | awk '$1 == "deb" || $1 == "deb-src" {
        for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }'
    { cat /etc/apt/sources.list.d/*.sources || true; } 2>/dev/null | awk 'tolower($1) == "uris:" {
        for (i = 2; i <= NF; i++) print $i }'
    { cat /etc/apt/sources.list.d/*.list || true; } 2>/dev/null | awk '$1 == "deb" || $1 == "deb-src" {
        for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; break } }'
  } | grep -E '/debian/?$' | head -n 1 || true
}

mirror=${WINDOWS_DEBIAN_MIRROR:-$(machine_mirror)}
if [ -z "$mirror" ]; then
  echo "fetch-sources: no Debian archive found in /etc/apt; set WINDOWS_DEBIAN_MIRROR" >&2
  exit 1
fi

apt_dir=$dir/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
signed=""
[ -r "$keyring" ] && signed="[signed-by=$keyring] "
echo "deb-src ${signed}${mirror} ${suite} main" > "$apt_dir/sources.list"

apt_opts=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=-"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Dir::Cache::pkgcache="
  -o "Dir::Cache::srcpkgcache="
  -o "APT::Sandbox::User=$(id -un)"
)

apt-get "${apt_opts[@]}" -q update
cd "$dir"
apt-get "${apt_opts[@]}" -q source "$@"
