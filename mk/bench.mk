# `make bench`: the benchmark suite in a Release build of its own, BENCH_BUILD (build-bench/).
# Every case runs on records of 0, 4 and 16 targets, BENCH_REPETITIONS times, all repetitions of
# all cases in random order, so that a change of load falls on every case alike; times are CPU
# times of the benchmark thread. Google Benchmark prints each case's aggregates as they come, and
# BENCH_BUILD/bench.json holds every repetition; then bench/tables.py prints the table of cases
# (time of the fastest repetition and allocations per call) and the ratios with their targets.
# bench/from_python.py times the Python package inspecting the same images from Python.
# BENCH_ARGS passes further Google Benchmark flags, e.g. BENCH_ARGS=--benchmark_filter=xml/.
# docs/performance.md explains the tables.
BENCH_BUILD       ?= build-bench
BENCH_JOBS        ?= 2
BENCH_REPETITIONS ?= 9
BENCH_MIN_TIME    ?= 0.05
BENCH_ARGS        ?=
BENCH_PACKAGES     = python3

.PHONY: bench bench-build bench-clean

bench-build: deps
	$(call install_packages,$(BENCH_PACKAGES))
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DPROBE_BUILD_BENCH=ON \
	  -DPROBE_BUILD_TESTS=OFF -DPROBE_BUILD_TOOLS=OFF
	cmake --build $(BENCH_BUILD) -j $(BENCH_JOBS) --target probe_bench

bench: bench-build
	python3 bench/tests/test_tables.py
	mkdir -p $(BENCH_BUILD)/images
	PROBE_BENCH_IMAGES=$(BENCH_BUILD)/images \
	  $(BENCH_BUILD)/bin/probe_bench --benchmark_repetitions=$(BENCH_REPETITIONS) \
	  --benchmark_enable_random_interleaving=true --benchmark_min_time=$(BENCH_MIN_TIME) \
	  --benchmark_display_aggregates_only=true \
	  --benchmark_out=$(BENCH_BUILD)/bench.json --benchmark_out_format=json $(BENCH_ARGS)
	PYTHONPATH=python PROBEDATA_LIBRARY=$(BENCH_BUILD)/lib/libprobedata.so.1 \
	  python3 bench/from_python.py $(BENCH_BUILD)/images >$(BENCH_BUILD)/python.json
	python3 bench/tables.py $(BENCH_BUILD)/bench.json $(BENCH_BUILD)/python.json
	@echo "Load at the end: $$(cat /proc/loadavg 2>/dev/null)"

bench-clean:
	rm -rf $(BENCH_BUILD)
