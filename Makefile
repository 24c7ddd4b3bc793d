# Two commands: `make test` and `make demo`. Both install what is missing, configure into build/
# and build first.
BUILD      ?= build
CMAKE_ARGS ?=
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

PACKAGES = cmake make g++ libboost-serialization-dev libboost-dev liblog4cplus-dev libcli11-dev \
           nlohmann-json3-dev pkg-config \
           libgtest-dev libbenchmark-dev

.PHONY: all deps configure build test demo clean

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

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	$(BUILD)/bin/probetool demo

clean:
	rm -rf $(BUILD)

# Further targets (bench, fuzz, memcheck, coverage, windows) live in mk/.
-include mk/*.mk
