# Two commands: `make test` and `make demo`. Both install what is missing, configure into build/
# and build first: `make test` everything, `make demo` only what the demo runs.
BUILD      ?= build
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

# The demo needs the library, its stand-ins, the simulator, the tool and help2man (the tool's
# manual page, which an install takes); the test suite adds GoogleTest, pkg-config (the install
# test), locales (a German locale the tests make in the build tree), pytest (the Python package),
# strace (the tool's rows that stop it at a system call), mypy (the Python package's types), pip,
# setuptools and wheel (the package installed from python/), abigail-tools (the ABI against its
# baseline), and `make bench` Google Benchmark.
DEMO_PACKAGES = cmake make g++ libboost-serialization-dev libboost-dev liblog4cplus-dev \
                libcli11-dev nlohmann-json3-dev help2man
PACKAGES      = $(DEMO_PACKAGES) pkg-config libgtest-dev libbenchmark-dev locales \
                python3-pytest python3-mypy python3-pip python3-setuptools python3-wheel strace \
                abigail-tools

.PHONY: all deps demo-deps configure build test demo clean

all: build

# $(call install_packages,PACKAGES): installs the missing Debian packages with apt-get when run
# as root; otherwise prints the apt-get line and stops. Targets in mk/ use it for their own lists.
define install_packages
@missing=""; \
for p in $(1); do \
  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
done; \
if [ -n "$$missing" ]; then \
  if [ "$$(id -u)" = 0 ]; then \
    echo "Installing:$$missing"; \
    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
  else \
    echo "Missing packages. Run as root:"; \
    echo "  apt-get install -y$$missing"; \
    exit 1; \
  fi; \
fi
endef

deps:
	$(call install_packages,$(PACKAGES))

demo-deps:
	$(call install_packages,$(DEMO_PACKAGES))

configure: deps
	cmake -S . -B $(BUILD) -DPROBE_BUILD_TESTS=ON $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same build directory without the test suite, and only probetool with the libraries it
# links and its manual page: no test, fuzz replay, benchmark or example program, and no
# GoogleTest. That is all `cmake --install` takes, so an install works after it. A `make test`
# afterwards turns the suite back on and reuses the libraries' objects.
demo: demo-deps
	cmake -S . -B $(BUILD) -DPROBE_BUILD_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target probetool probetool_pages
	$(BUILD)/bin/probetool demo

clean:
	rm -rf $(BUILD)

# Further targets (bench, fuzz, memcheck, coverage, windows, abi-baseline) live in mk/.
-include mk/*.mk
