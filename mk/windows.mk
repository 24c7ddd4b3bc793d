# `make windows`: the library cross-built for Windows with Debian's MinGW-w64 compilers, twice,
# each build with the test suites, which CTest runs under Wine:
#   build-win32/  32-bit Windows, for the 32-bit hosts that load the library: probedata.dll,
#                 probeoutside.dll, the tools and the test programs, with the DLLs they need beside
#                 them in bin/. The suites run under 32-bit Wine (Debian's wine32:i386) in a 32-bit
#                 prefix; the DLL's exports and version resource are checked and shown.
#   build-win64/  64-bit Windows: the same sources and suites under wine64. Kept beside the 32-bit
#                 run, as the code differs: exceptions unwind by SEH there and by DWARF tables in
#                 32-bit, and pointers and size_t have 8 bytes instead of 4.
# A machine whose kernel does not start 32-bit programs (IA32 emulation off) builds and checks the
# 32-bit DLL without running anything of it, says in one line that the 32-bit suites were
# skipped, and goes on with the 64-bit build, whose suites decide the outcome;
# PROBE_REQUIRE_WIN32=1 makes that a failure, for a machine meant to run them.
# Each build leaves probedata-VERSION-win32.zip (-win64.zip): what a Windows host takes.
# Each also builds a C host in Microsoft's ABI with clang and lld-link (LLVM 14), which its suites
# run: tests/windows/CMakeLists.txt.
# Dependencies (Boost.Serialization and log4cplus from Debian's source packages, GoogleTest from
# Debian's googletest sources, the CLI11 and nlohmann_json headers from their Debian packages)
# are built once into WIN_CACHE, outside the clone, and reused; see
# cmake/windows/build-deps.sh. Packages are installed with apt-get when run as root, as `deps`
# does; the machine's apt sources are not changed, but dpkg is given the i386 architecture.
WIN_CACHE      ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/probedata-windows
WIN32_BUILD    ?= build-win32
WIN64_BUILD    ?= build-win64
WIN_JOBS       ?= 2
WIN_CMAKE_ARGS ?=

WIN_PACKAGES = cmake make binutils dpkg-dev googletest libcli11-dev nlohmann-json3-dev \
               g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 wine64 \
               wine32:i386 clang-14 lld-14 llvm-14
WIN_DIR      = $(CURDIR)/cmake/windows
WIN_DEPS     = boost log4cplus googletest cli11 nlohmann_json
# The Wine prefixes that the programs run in, one for each width (wine-run.sh picks by the
# program, and creates the prefix on first use).
export PROBE_WINE32PREFIX = $(WIN_CACHE)/wine32
export PROBE_WINE64PREFIX = $(WIN_CACHE)/wine64

# Whether this machine starts 32-bit programs: decided once by windows-runs32 (runs-32bit.sh) at
# the start of `make windows`, written into WIN32_RUNS, and read by every step that would start
# one: the 32-bit suites here, and wine-run.sh, which then starts no 32-bit program.
WIN32_RUNS     = $(abspath $(WIN32_BUILD))/runs-32bit
export PROBE_WIN32_RUNS = $(WIN32_RUNS)
win32_runs     = [ "$$(head -n 1 $(WIN32_RUNS))" = yes ]
WIN32_NOT_RUN  = this kernel does not run 32-bit programs (IA32 emulation off)
win32_required = { [ "$(PROBE_REQUIRE_WIN32)" = 1 ] && { sed -n 2p $(WIN32_RUNS) >&2; \
  echo "32-bit suites cannot run: $(WIN32_NOT_RUN); PROBE_REQUIRE_WIN32=1 asks for them" >&2; \
  exit 1; }; }

# win_build(BUILD_DIR, ARCH): configure and build one tree with its test suites.
define win_build
cmake -S . -B $(1) -DCMAKE_TOOLCHAIN_FILE=$(WIN_DIR)/mingw-$(2).cmake -DCMAKE_BUILD_TYPE=Release \
  -DPROBE_BUILD_TESTS=ON \
  -DBoost_DIR=$(WIN_CACHE)/$(2)/boost/lib/cmake/Boost \
  -Dlog4cplus_DIR=$(WIN_CACHE)/$(2)/log4cplus/lib/cmake/log4cplus \
  -DGTest_DIR=$(WIN_CACHE)/$(2)/googletest/lib/cmake/GTest \
  -DCLI11_DIR=$(WIN_CACHE)/$(2)/cli11/share/cmake/CLI11 \
  -Dnlohmann_json_DIR=$(WIN_CACHE)/$(2)/nlohmann_json/share/cmake/nlohmann_json \
  -DPROBE_DEPENDENCY_SOURCES=$(WIN_CACHE)/src \
  $(WIN_CMAKE_ARGS)
cmake --build $(1) -j $(WIN_JOBS)
endef

# win_test(BUILD_DIR): one tree's suites under Wine.
# A program that hangs on its way out (as one does in the detach of a log4cplus DLL built with its
# thread pool, waiting for threads already gone) is cut off after 2 minutes (a test takes about a
# second) rather than CTest's default 25. Wine 8.0 now and then ends a program with SIGSEGV or
# SIGKILL without a word, at times after a test has printed that it passed (about one run in a
# thousand on a loaded machine, in any suite, 32- or 64-bit): a test fails when it fails twice in
# a row.
define win_test
cd $(1) && ctest --output-on-failure --timeout 120 --repeat until-pass:2 -j $(WIN_JOBS)
endef

.PHONY: windows windows-packages windows-runs32 windows-deps windows-win32 windows-win64 \
        windows-test windows-test32 windows-test64 windows-show windows-clean

# One step after the other, also under `make -j`: each step uses WIN_JOBS jobs.
windows:
	@$(MAKE) --no-print-directory windows-packages
	@$(MAKE) --no-print-directory windows-runs32
	@$(MAKE) --no-print-directory windows-deps
	@$(MAKE) --no-print-directory windows-win32
	@$(MAKE) --no-print-directory windows-show
	@$(MAKE) --no-print-directory windows-test32
	@$(MAKE) --no-print-directory windows-win64
	@$(MAKE) --no-print-directory windows-test64

# 32-bit Wine is an i386 package: dpkg takes that architecture first, and install_packages then
# updates apt's lists, as it does whenever a package is missing.
windows-packages:
	@dpkg --print-foreign-architectures | grep -qx i386 || { \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Adding the i386 architecture (for wine32:i386)"; dpkg --add-architecture i386; \
	  else \
	    echo "The 32-bit Wine needs the i386 architecture. Run as root:"; \
	    echo "  dpkg --add-architecture i386"; \
	    exit 1; \
	  fi; }
	$(call install_packages,$(WIN_PACKAGES))

# The decision that the 32-bit steps read; made again on each `make windows`, or by hand.
windows-runs32:
	@rm -f $(WIN32_RUNS)
	@$(MAKE) --no-print-directory $(WIN32_RUNS)

$(WIN32_RUNS): | windows-packages
	@$(WIN_DIR)/runs-32bit.sh $@
	@$(win32_runs) || $(win32_required) || true

windows-deps: windows-packages
	JOBS=$(WIN_JOBS) $(WIN_DIR)/build-deps.sh $(WIN_CACHE) i686 $(WIN_DEPS)
	JOBS=$(WIN_JOBS) $(WIN_DIR)/build-deps.sh $(WIN_CACHE) x86_64 $(WIN_DEPS)

windows-win32: windows-deps
	$(call win_build,$(WIN32_BUILD),i686)

windows-win64: windows-deps
	$(call win_build,$(WIN64_BUILD),x86_64)

windows-test32: windows-win32 $(WIN32_RUNS)
	@if $(win32_runs); then echo '$(call win_test,$(WIN32_BUILD))'; $(call win_test,$(WIN32_BUILD)); \
	else $(win32_required) || echo "32-bit suites skipped: $(WIN32_NOT_RUN)"; fi

windows-test64: windows-win64
	$(call win_test,$(WIN64_BUILD))

# Both builds' suites, the 32-bit ones first.
windows-test:
	@$(MAKE) --no-print-directory windows-test32
	@$(MAKE) --no-print-directory windows-test64

# The 32-bit DLL's plain version exports and its version resource; fails when either is wrong.
windows-show:
	@$(WIN_DIR)/show-dll.sh i686-w64-mingw32 $(WIN32_BUILD)/bin/probedata.dll \
	  $(WIN32_BUILD)/probedata.def

windows-clean:
	rm -rf $(WIN32_BUILD) $(WIN64_BUILD)
