# `make bench`: the benchmark suite in a Release build of its own, BENCH_BUILD (build-bench/).
# The suite's own tests run first: its allocation counting and its ratio arithmetic.
# Every case runs BENCH_REPETITIONS times, and the paired cases that the targets are judged on 20
# times, all repetitions of all cases in random order, so that a change of load touches every case
# alike. It prints the median of each case, a table by record size with the allocations per
# operation, and the ratios the targets are set on, computed in the same run;
# BENCH_BUILD/bench.json holds every repetition and the ratios. Times are CPU times of the
# benchmark thread. BENCH_ARGS passes further Google Benchmark flags, e.g.
# BENCH_ARGS=--benchmark_filter=xml/. docs/performance.md explains the tables.
BENCH_BUILD       ?= build-bench
BENCH_JOBS        ?= 2
BENCH_REPETITIONS ?= 9
BENCH_MIN_TIME    ?= 0.05
BENCH_ARGS        ?=

.PHONY: bench bench-build bench-clean

bench-build: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DPROBE_BUILD_BENCH=ON \
	  -DPROBE_BUILD_TESTS=OFF -DPROBE_BUILD_TOOLS=OFF
	cmake --build $(BENCH_BUILD) -j $(BENCH_JOBS) --target probe_bench probe_bench_tests

bench: bench-build
	$(BENCH_BUILD)/bin/probe_bench_tests --gtest_brief=1
	@echo "Load before the run: $$(cat /proc/loadavg 2>/dev/null)"
	$(BENCH_BUILD)/bin/probe_bench --benchmark_repetitions=$(BENCH_REPETITIONS) \
	  --benchmark_enable_random_interleaving=true --benchmark_min_time=$(BENCH_MIN_TIME) \
	  --benchmark_out=$(BENCH_BUILD)/bench.json --benchmark_out_format=json $(BENCH_ARGS)
	@echo "Load after the run: $$(cat /proc/loadavg 2>/dev/null)"
	@echo "JSON: $(BENCH_BUILD)/bench.json"

bench-clean:
	rm -rf $(BENCH_BUILD)
