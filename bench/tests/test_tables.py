#!/usr/bin/env python3
"""bench/tables.py: which runs make the tables, and how a ratio is judged."""
import contextlib
import io
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import tables  # noqa: E402


def aggregate(statistic, case, size, cpu, unit="ns", **extra):
    return dict(run_name=f"{case}/{size}", aggregate_name=statistic, cpu_time=cpu,
                time_unit=unit, **extra)


def run_tables(*files):
    with tempfile.TemporaryDirectory() as folder:
        paths = []
        for number, data in enumerate(files):
            paths.append(os.path.join(folder, f"{number}.json"))
            with open(paths[-1], "w", encoding="utf-8") as file:
                json.dump(data, file)
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = tables.main(paths)
    return status, out.getvalue()


class TablesTest(unittest.TestCase):
    # The medians, the mean and a single repetition would each decide otherwise.
    def test_targets_are_judged_on_the_fastest_repetitions_at_each_size(self):
        runs = [aggregate("min", "a", 4, 105.0), aggregate("min", "b", 4, 100.0),
                aggregate("median", "a", 4, 300.0), aggregate("median", "b", 4, 100.0),
                aggregate("mean", "a", 4, 900.0),
                dict(run_name="a/4", run_type="iteration", cpu_time=1.0, time_unit="ns"),
                aggregate("min", "a", 16, 2.0, "us"), aggregate("min", "b", 16, 1000.0)]
        status, out = run_tables({"context": {"ratio a": "b <= 1.05; b >= 2; b"},
                                  "benchmarks": runs})
        self.assertEqual(0, status)
        for row in ["| a / b | 4 | 1.05 | 3 | <= 1.05 | met |",
                    "| a / b | 16 | 2 | - | <= 1.05 | MISSED |",
                    "| a / b | 4 | 1.05 | 3 | >= 2 | MISSED |",
                    "| a / b | 16 | 2 | - | >= 2 | met |",
                    "| a / b | 16 | 2 | - |  |  |"]:
            self.assertIn(row, out)

    def test_cases_in_suite_order_with_failures_and_gaps(self):
        runs = [aggregate("min", "later", 0, 3.0, "ms", family_index=1, **{"allocs/op": 2.5}),
                aggregate("min", "first", 0, 999.0, family_index=0, label="5 lines",
                          **{"allocs/op": 0}),
                aggregate("min", "first", 16, 1500.0, family_index=0),
                dict(run_name="later/16", family_index=1, error_occurred=True,
                     error_message="save stores another image")]
        status, out = run_tables({"context": {"ratio first": "gone <= 1"}, "benchmarks": runs})
        self.assertEqual(1, status)
        self.assertIn("| first (5 lines) | 999.0 ns | 1.50 us | 0 / - |\n"
                      "| later | 3.00 ms | save stores another image | 2.5 / - |\n", out)
        self.assertIn("| first / gone | 0 | - | - | <= 1 | not run |", out)
        self.assertIn("| first / gone | 16 | - | - | <= 1 | not run |", out)

    # A case measured outside probe_bench comes in a file of its own, with its ratio.
    def test_a_further_file_adds_runs_and_ratios(self):
        cpp = {"context": {"load_avg": [2.0, 1.5, 1.0]},
               "benchmarks": [aggregate("min", "v1/inspectImage", 16, 10.0, "us",
                                        family_index=3)]}
        python = {"context": {"ratio py/inspectImage": "v1/inspectImage <= 5"},
                  "benchmarks": [aggregate("min", "py/inspectImage", 16, 60.0, "us")]}
        status, out = run_tables(cpp, python)
        self.assertEqual(0, status)
        self.assertIn("| py/inspectImage / v1/inspectImage | 16 | 6 | - | <= 5 | MISSED |", out)
        self.assertIn("load 2.00 1.50 1.00", out)


if __name__ == "__main__":
    unittest.main()
