#!/usr/bin/env bash
# Builds the Windows build's dependencies once into a cache outside the clone, from Debian's
# source packages (Boost.Serialization, log4cplus) and from the sources of Debian's googletest
# package (/usr/src/googletest); the header-only CLI11 and nlohmann_json are copied from Debian's
# packages. Later runs find them built and return at once.
#
# usage: build-deps.sh CACHE_DIR ARCH DEPENDENCY...
#   ARCH: i686 or x86_64; DEPENDENCY: boost, log4cplus, googletest, cli11, nlohmann_json
# Each dependency is installed into CACHE_DIR/ARCH/DEPENDENCY. Its .recipe file holds a hash of
# everything that went into it (these scripts, the toolchain file, the compiler, the sources);
# when the hash differs, that dependency alone is built again. JOBS sets the parallel jobs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=$1
arch=$2
shift 2
jobs=${JOBS:-2}
triple=$arch-w64-mingw32
toolchain=$here/mingw-$arch.cmake
[ -f "$toolchain" ] || { echo "build-deps.sh: no toolchain file for '$arch'" >&2; exit 2; }

mkdir -p "$cache/logs"
# One builder per cache at a time: other clones wait here rather than build the same thing.
exec 9>"$cache/.lock"
flock 9

# Debian's source packages, fetched once for all architectures.
src_packages="boost1.74 log4cplus"
sources_ready() {
  [ "$(cat "$cache/src/.fetched" 2>/dev/null)" = "$src_packages" ]
}
fetch_sources() {
  sources_ready && return 0
  echo "windows deps: fetching the Debian sources of $src_packages"
  rm -rf "$cache/src"
  mkdir -p "$cache/src"
  "$here/fetch-sources.sh" "$cache/src" $src_packages >"$cache/logs/fetch.log" 2>&1 ||
    { tail -n 30 "$cache/logs/fetch.log"; exit 1; }
  echo "$src_packages" >"$cache/src/.fetched"
}
source_dir() {  # the unpacked tree of a source package, e.g. boost1.74-1.74.0+ds1
  local dirs=("$cache/src/$1"-*/)
  [ -d "${dirs[0]}" ] || { echo "build-deps.sh: no unpacked source of $1" >&2; exit 1; }
  echo "${dirs[0]%/}"
}

compiler_id() {  # changes with any update of the MinGW compiler
  local cc1plus
  cc1plus=$("$triple-g++-posix" -print-prog-name=cc1plus)
  "$triple-g++-posix" -dumpfullversion
  sha1sum <"$cc1plus"
}

# recipe_hash TEXT FILE...: the hash of a dependency's recipe.
recipe_hash() {
  local text=$1
  shift
  { echo "$text"; cat "$here/build-deps.sh" "$here/mingw-common.cmake" "$toolchain" "$@";
    compiler_id; } | sha1sum | cut -c1-16
}

# run_logged NAME COMMAND...: runs a step with its output in the log, shown when it fails.
run_logged() {
  local log=$cache/logs/$1.log
  shift
  if ! "$@" >>"$log" 2>&1; then
    echo "windows deps: failed: $*" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

# build_cmake NAME SOURCE_DIR PREFIX CMAKE_ARGS...: configure, build, install.
build_cmake() {
  local name=$1 source=$2 prefix=$3
  shift 3
  local build=$cache/build/$arch-$name
  rm -rf "$build"
  : >"$cache/logs/$arch-$name.log"
  run_logged "$arch-$name" cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
  run_logged "$arch-$name" cmake --build "$build" -j "$jobs"
  run_logged "$arch-$name" cmake --install "$build"
  rm -rf "$build"
}

# up_to_date NAME HASH: whether CACHE_DIR/ARCH/NAME was built from this recipe.
up_to_date() {
  [ "$(cat "$cache/$arch/$1/.recipe" 2>/dev/null)" = "$2" ]
}

build_boost() {
  local prefix=$cache/$arch/boost src want
  fetch_sources
  src=$(source_dir boost1.74)
  want=$(recipe_hash "$src" "$here"/boost/*)
  up_to_date boost "$want" && return 0
  echo "windows deps: building Boost.Serialization for $triple"
  rm -rf "$prefix"
  mkdir -p "$prefix/include"
  # Debian's tree keeps each library's headers in libs/*/include: merge them into one folder,
  # as hard links where the file system allows.
  local inc
  for inc in "$src"/libs/*/include "$src"/libs/numeric/*/include; do
    cp -al "$inc/." "$prefix/include/" 2>/dev/null || cp -a "$inc/." "$prefix/include/"
  done
  build_cmake boost "$here/boost" "$prefix" \
    -DBOOST_SOURCE_DIR="$src" -DBOOST_INCLUDE_DIR="$prefix/include"
  echo "$want" >"$prefix/.recipe"
}

build_log4cplus() {
  local prefix=$cache/$arch/log4cplus src want
  fetch_sources
  src=$(source_dir log4cplus)
  want=$(recipe_hash "$src")
  up_to_date log4cplus "$want" && return 0
  echo "windows deps: building log4cplus for $triple"
  rm -rf "$prefix"
  # A DLL, so that the library and its host share one logger hierarchy; narrow characters, as on
  # Linux (its Windows default is wide). No thread pool, which only AsyncAppend uses (appenders
  # then append at once): the DLL's static destructor joins the pool's threads, which a process
  # that ends has already stopped, so every host that did not shut log4cplus down itself (a host
  # in C, or of another compiler) hung on its way out.
  build_cmake log4cplus "$src" "$prefix" \
    -DBUILD_SHARED_LIBS=ON -DUNICODE=OFF -DLOG4CPLUS_ENABLE_THREAD_POOL=OFF \
    -DLOG4CPLUS_BUILD_TESTING=OFF -DLOG4CPLUS_BUILD_LOGGINGSERVER=OFF -DWITH_UNIT_TESTS=OFF
  echo "$want" >"$prefix/.recipe"
}

build_googletest() {
  local prefix=$cache/$arch/googletest src=/usr/src/googletest want
  [ -f "$src/CMakeLists.txt" ] ||
    { echo "build-deps.sh: $src missing (apt-get install googletest)" >&2; exit 1; }
  want=$(recipe_hash "$(find "$src" -type f | sort | xargs sha1sum | sha1sum)")
  up_to_date googletest "$want" && return 0
  echo "windows deps: building GoogleTest for $triple"
  rm -rf "$prefix"
  build_cmake googletest "$src" "$prefix" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  echo "$want" >"$prefix/.recipe"
}

# copy_headers NAME PACKAGE INCLUDE_DIR CONFIG_DIR: a header-only library of a Debian package,
# its /usr/include/INCLUDE_DIR and its CMake package files /usr/share/cmake/CONFIG_DIR, which
# find the headers beside them: the cross build must not see the rest of /usr/include.
copy_headers() {
  local name=$1 package=$2 include=$3 config=$4 prefix=$cache/$arch/$1 want
  [ -d "/usr/include/$include" ] && [ -d "/usr/share/cmake/$config" ] ||
    { echo "build-deps.sh: $package missing (apt-get install $package)" >&2; exit 1; }
  want=$(recipe_hash "$(dpkg-query -W -f='${Version}' "$package")")
  up_to_date "$name" "$want" && return 0
  echo "windows deps: copying the headers of $name"
  rm -rf "$prefix"
  mkdir -p "$prefix/include" "$prefix/share/cmake"
  cp -a "/usr/include/$include" "$prefix/include/"
  cp -a "/usr/share/cmake/$config" "$prefix/share/cmake/"
  echo "$want" >"$prefix/.recipe"
}

for dep in "$@"; do
  case $dep in
    boost) build_boost ;;
    log4cplus) build_log4cplus ;;
    googletest) build_googletest ;;
    cli11) copy_headers cli11 libcli11-dev CLI CLI11 ;;
    nlohmann_json) copy_headers nlohmann_json nlohmann-json3-dev nlohmann nlohmann_json ;;
    *) echo "build-deps.sh: unknown dependency '$dep'" >&2; exit 2 ;;
  esac
done
