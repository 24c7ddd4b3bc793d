# Robustness checks, each in its own build directory:
#   make asan       the test suite built with clang, AddressSanitizer and UBSan, and run
#   make tsan       the simulated device memory's tests, both coders driven from its worker
#                   thread among them, built with clang and ThreadSanitizer, and run
#   make fuzz       each libFuzzer target for FUZZ_TIME seconds (default 60); new inputs are
#                   kept in $(FUZZ_BUILD)/corpus/<target>, crashes land in fuzz/regressions/
#   make fuzz-merge adds to fuzz/corpus/ the inputs of the working corpus that reach edges the
#                   committed seeds miss
#   make memcheck   the test suite under valgrind: any error or definite leak fails
#   make coverage   line and branch coverage of the library sources (src/)
# Like `deps`, each installs what it needs with apt-get when run as root. `make -j2 fuzz` runs
# two targets at once.
ASAN_BUILD     ?= build-asan
TSAN_BUILD     ?= build-tsan
FUZZ_BUILD     ?= build-fuzz
MEMCHECK_BUILD ?= build-memcheck
COVERAGE_BUILD ?= build-coverage
HARDEN_JOBS    ?= 2
FUZZ_TIME      ?= 60
FUZZ_FLAGS     ?=
FUZZ_TARGETS    = convert_from_string load_from_string v1_coder simu_coder capi_coder

CLANG_CXX       = clang++-14
CLANG_CC        = clang-14
SANITIZE        = -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
                  -fsanitize-ignorelist=$(CURDIR)/tests/hardening/sanitizer-ignorelist.txt
HARDEN_PACKAGES = $(PACKAGES) clang-14 libclang-rt-14-dev llvm-14
SANITIZER_ENV   = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1 \
                  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: asan asan-build tsan tsan-build fuzz fuzz-build fuzz-merge memcheck memcheck-build \
        coverage hardening-packages memcheck-packages $(addprefix fuzz-run-,$(FUZZ_TARGETS))

hardening-packages:
	$(call install_packages,$(HARDEN_PACKAGES))

memcheck-packages:
	$(call install_packages,$(PACKAGES) valgrind)

# --- AddressSanitizer and UBSan -------------------------------------------------------------------
# The package test builds a host program against the installed library, so it gets the same
# compiler and flags through the environment.
asan-build: hardening-packages
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
	  -DCMAKE_C_COMPILER=$(CLANG_CC) -DCMAKE_CXX_FLAGS="-O1 $(SANITIZE)" -DCMAKE_C_FLAGS="-O1 $(SANITIZE)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE)"
	cmake --build $(ASAN_BUILD) -j $(HARDEN_JOBS)

asan: asan-build
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) \
	  CXX=$(CLANG_CXX) CC=$(CLANG_CC) CXXFLAGS="$(SANITIZE)" CFLAGS="$(SANITIZE)" \
	  LDFLAGS="$(SANITIZE)" ctest --output-on-failure -j $(HARDEN_JOBS)

# --- ThreadSanitizer ------------------------------------------------------------------------------
# Only the suites that run more than one thread: the simulated device memory's, which also drive
# both coders from its worker. Each runs a few times, as a race shows only in the interleavings
# a run meets. Any report fails the run.
TSAN          = -fsanitize=thread -fno-omit-frame-pointer
TSAN_TESTS    = SimDeviceMemoryTest.*
TSAN_REPEAT  ?= 20

tsan-build: hardening-packages
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
	  -DCMAKE_C_COMPILER=$(CLANG_CC) -DPROBE_BUILD_TOOLS=OFF -DCMAKE_CXX_FLAGS="-O1 $(TSAN)" \
	  -DCMAKE_C_FLAGS="-O1 $(TSAN)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(TSAN)" -DCMAKE_SHARED_LINKER_FLAGS="$(TSAN)"
	cmake --build $(TSAN_BUILD) -j $(HARDEN_JOBS) --target probe_tests

tsan: tsan-build
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(TSAN_BUILD)/bin/probe_tests \
	  --gtest_filter='$(TSAN_TESTS)' --gtest_repeat=$(TSAN_REPEAT) --gtest_brief=1

# --- Fuzzing ----------------------------------------------------------------------------------------
# The library is instrumented for coverage; only the targets link libFuzzer's main.
fuzz-build: hardening-packages
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
	  -DCMAKE_C_COMPILER=$(CLANG_CC) -DPROBE_FUZZ=ON -DPROBE_BUILD_TOOLS=OFF \
	  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=fuzzer-no-link $(SANITIZE)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCMAKE_SHARED_LINKER_FLAGS="$(SANITIZE)"
	cmake --build $(FUZZ_BUILD) -j $(HARDEN_JOBS) --target probe_fuzzers

fuzz: $(addprefix fuzz-run-,$(FUZZ_TARGETS))

# New inputs go to the first directory, the working corpus; the committed seeds and regressions
# are read only. A crash, leak or timeout is written into fuzz/regressions/<target>/, where the
# test suite replays it, and fails the run.
$(addprefix fuzz-run-,$(FUZZ_TARGETS)): fuzz-run-%: fuzz-build
	@mkdir -p $(FUZZ_BUILD)/corpus/$* $(FUZZ_BUILD)/logs fuzz/regressions/$*
	@echo "fuzz_$*: $(FUZZ_TIME) s, log in $(FUZZ_BUILD)/logs/$*.log"
	@$(SANITIZER_ENV) $(FUZZ_BUILD)/bin/fuzz_$* \
	  $(FUZZ_BUILD)/corpus/$* fuzz/corpus/$* fuzz/regressions/$* \
	  -max_total_time=$(FUZZ_TIME) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	  $(if $(wildcard fuzz/dict/$*.dict),-dict=fuzz/dict/$*.dict) \
	  -artifact_prefix=fuzz/regressions/$*/ $(FUZZ_FLAGS) >$(FUZZ_BUILD)/logs/$*.log 2>&1; \
	status=$$?; grep -E '^(#[0-9]+.*DONE|stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' \
	  $(FUZZ_BUILD)/logs/$*.log | sed 's/^/fuzz_$*: /'; \
	if [ $$status -ne 0 ]; then tail -n 40 $(FUZZ_BUILD)/logs/$*.log; fi; exit $$status

# The committed seeds stay; inputs of the working corpus that reach edges the seeds miss are
# added (edges only, so a few dozen files, not every hit count).
fuzz-merge: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t && \
	  rm -rf $(FUZZ_BUILD)/merged/$$t && mkdir -p $(FUZZ_BUILD)/merged && \
	  cp -R fuzz/corpus/$$t $(FUZZ_BUILD)/merged/$$t && \
	  $(SANITIZER_ENV) $(FUZZ_BUILD)/bin/fuzz_$$t -merge=1 -use_counters=0 \
	    $(FUZZ_BUILD)/merged/$$t $(FUZZ_BUILD)/corpus/$$t 2>&1 | grep 'MERGE-OUTER: [0-9]* new' && \
	  cp $(FUZZ_BUILD)/merged/$$t/* fuzz/corpus/$$t/ || exit 1; \
	done

# --- Valgrind -----------------------------------------------------------------------------------------
# Each test under valgrind: an error or a definite leak ends it with a failure. The
# suppressions cover the dependencies only. valgrind leaves an operator new defined in the
# program itself alone (nouserintercepts), so the allocation-failure suite's own still fails
# allocations on request; it allocates with malloc, which valgrind watches. python.mypy is left
# out: it reads the package's source and runs nothing of the library, and valgrind then reports
# what Python's own compiler does.
MEMCHECK_OPTIONS = --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
                   --show-leak-kinds=definite --num-callers=40 --track-origins=yes \
                   --soname-synonyms=somalloc=nouserintercepts --gen-suppressions=all

memcheck-build: memcheck-packages
	cmake -S . -B $(MEMCHECK_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1"
	cmake --build $(MEMCHECK_BUILD) -j $(HARDEN_JOBS)

memcheck: memcheck-build
	cd $(MEMCHECK_BUILD) && ctest -T memcheck --output-on-failure -j $(HARDEN_JOBS) \
	  -E '^python\.mypy$$' $(CTEST_ARGS) \
	  --overwrite MemoryCheckCommand=$$(command -v valgrind) \
	  --overwrite "MemoryCheckCommandOptions=$(MEMCHECK_OPTIONS)" \
	  --overwrite MemoryCheckSuppressionFile=$(CURDIR)/tests/hardening/valgrind.supp

# --- Coverage ------------------------------------------------------------------------------------------
# clang's source-based coverage: each test process writes its own profile, merged afterwards.
coverage: hardening-packages
	cmake -S . -B $(COVERAGE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
	  -DCMAKE_C_COMPILER=$(CLANG_CC) \
	  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" \
	  -DCMAKE_SHARED_LINKER_FLAGS="-fprofile-instr-generate"
	cmake --build $(COVERAGE_BUILD) -j $(HARDEN_JOBS)
	rm -rf $(COVERAGE_BUILD)/profiles && mkdir -p $(COVERAGE_BUILD)/profiles
	cd $(COVERAGE_BUILD) && LLVM_PROFILE_FILE=$(CURDIR)/$(COVERAGE_BUILD)/profiles/%p-%m.profraw \
	  CXX=$(CLANG_CXX) CC=$(CLANG_CC) CXXFLAGS="-fprofile-instr-generate" \
	  CFLAGS="-fprofile-instr-generate" LDFLAGS="-fprofile-instr-generate" \
	  ctest --output-on-failure -j $(HARDEN_JOBS)
	tests/hardening/coverage.sh $(COVERAGE_BUILD)
