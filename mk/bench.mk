# `make bench`: the benchmark suite in a Release build of its own, BENCH_BUILD (build-bench/).
# The suite's own tests run first: its allocation counting and its ratio arithmetic.
# Every case runs BENCH_REPETITIONS times, and the paired cases that the targets are judged on 20
# times, all repetitions of all cases in random order, so that a change of load touches every case
# alike. It prints the median of each case, a table by record size with the allocations per
# operation, and the ratios the targets are set on, computed in the same run;
# BENCH_BUILD/bench.json holds every repetition and the ratios. Times are CPU times of the
# benchmark thread. BENCH_ARGS passes further Google Benchmark flags, e.g.
# BENCH_ARGS=--benchmark_filter=xml/. docs/performance.md explains the tables.
#
# `make bench-callgrind`: instructions per operation of BENCH_CALLGRIND_CASES under
# valgrind --tool=callgrind, which repeat where times do not; needs valgrind.
BENCH_BUILD       ?= build-bench
BENCH_JOBS        ?= 2
BENCH_REPETITIONS ?= 9
BENCH_MIN_TIME    ?= 0.05
BENCH_ARGS        ?=
BENCH_CALLGRIND_CASES ?= cycle/v1_read_log_off/0 cycle/v1_read_compiled_out/0 \
                         cycle/v1_read_log_off/4 cycle/v1_read_compiled_out/4 \
                         cycle/v1_read_log_off/16 cycle/v1_read_compiled_out/16
BENCH_CALLGRIND_ITERATIONS ?= 2000

.PHONY: bench bench-build bench-callgrind bench-clean

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

bench-callgrind: bench-build
	@command -v valgrind >/dev/null || { echo "bench-callgrind needs valgrind"; exit 1; }
	@for name in $(BENCH_CALLGRIND_CASES); do \
	  collected=$$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
	    --toggle-collect='bench::profiledLoop*' $(BENCH_BUILD)/bin/probe_bench \
	    --profile=$$name --profile_iterations=$(BENCH_CALLGRIND_ITERATIONS) 2>&1 \
	    | sed -n 's/.*Collected : *\([0-9]*\).*/\1/p'); \
	  awk -v n="$$name" -v c="$$collected" -v i=$(BENCH_CALLGRIND_ITERATIONS) \
	    'BEGIN { printf "%-36s %10.1f instructions per operation\n", n, c / i }'; \
	done

bench-clean:
	rm -rf $(BENCH_BUILD)
