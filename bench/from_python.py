#!/usr/bin/env python3
"""The Python side of the inspection pair: probedata.inspect() over the images probe_bench wrote
(IMAGES/0.bin, 4.bin, 16.bin), 10,000 calls a repetition, as Google Benchmark's JSON for
bench/tables.py, with the ratio to the C++ loop (v1/inspectImage) and its target.

    python3 bench/from_python.py IMAGES > python.json     (probedata importable)
"""
import json
import statistics
import sys
import time

import probedata

CALLS, REPETITIONS = 10000, 9


def main(folder):
    runs = []
    for targets in (0, 4, 16):
        with open(f"{folder}/{targets}.bin", "rb") as file:
            image = file.read()
        assert probedata.inspect(image).intact, "the image does not read intact"
        times = []
        for _ in range(REPETITIONS):
            start = time.process_time()
            for _ in range(CALLS):
                probedata.inspect(image)
            times.append((time.process_time() - start) / CALLS * 1e9)
        for name, value in (("min", min(times)), ("median", statistics.median(times))):
            run = f"py/inspect/{targets}"
            runs.append({"name": f"{run}_{name}", "run_name": run,
                         "run_type": "aggregate", "aggregate_name": name, "cpu_time": value,
                         "time_unit": "ns"})
    json.dump({"context": {"ratio py/inspect": "v1/inspectImage <= 5"}, "benchmarks": runs},
              sys.stdout, indent=1)


if __name__ == "__main__":
    main(sys.argv[1])
