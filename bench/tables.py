#!/usr/bin/env python3
"""Prints the tables of a probe_bench run from Google Benchmark's JSON output.

    python3 bench/tables.py RUN.json [MORE.json ...]

Two Markdown tables: every case's CPU time and allocations per call by record size, from its
fastest repetition; then the ratios the runs' context names, with their targets and whether each
is met. Exits 1 when a case failed.

Runs are named CASE/SIZE and repeated; Google Benchmark adds the aggregates "min" (the fastest
repetition) and "median". A context entry "ratio CASE" = "DENOMINATOR <= 1.05" (or ">= 20", or
no target) names the ratio of CASE's time over DENOMINATOR's at every size that CASE ran at, and
"; " separates several. A target is judged on the fastest repetitions: a busy machine slows a
repetition down and never speeds it up. Further files add their runs and context entries, so a
case measured outside probe_bench comes in a file of its own in the same form.
"""
import json
import operator
import sys

UNITS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
BOUNDS = {"<=": operator.le, ">=": operator.ge}


def read(paths):
    runs, context = [], {}
    for number, path in enumerate(paths):
        with open(path, encoding="utf-8") as file:
            data = json.load(file)
        context.update(data.get("context", {}))
        for run in data.get("benchmarks", []):
            runs.append(dict(run, order=(number, run.get("family_index", 0))))
    return runs, context


def cases(runs):
    """{case: {size: cell}} in the order the suites list their cases; a cell holds the CPU times
    in ns of the fastest repetition ("min") and the "median", allocs/op and the label, or the
    error."""
    table = {}
    for run in sorted(runs, key=lambda run: run["order"]):
        case, _, size = run["run_name"].rpartition("/")
        cell = table.setdefault(case, {}).setdefault(int(size), {})
        if run.get("error_occurred"):
            cell["error"] = run.get("error_message", "failed")
        elif run.get("aggregate_name") in ("min", "median"):
            cell[run["aggregate_name"]] = run["cpu_time"] * UNITS[run["time_unit"]]
            cell["allocs"] = run.get("allocs/op")
            cell["label"] = run.get("label", "")
    return table


def duration(ns):
    for unit, scale in (("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.2f} {unit}"
    return f"{ns:.1f} ns"


def case_table(table, sizes):
    lines = ["| case | " + " | ".join(f"{size} targets" for size in sizes) + " | allocs/op |",
             "|---|" + "---:|" * (len(sizes) + 1)]
    for case, cells in table.items():
        row = [cells.get(size, {}) for size in sizes]
        label = next((cell["label"] for cell in row if cell.get("label")), "")
        times = [cell.get("error") or (duration(cell["min"]) if "min" in cell else "-")
                 for cell in row]
        allocs = ["-" if cell.get("allocs") is None else f"{cell['allocs']:g}" for cell in row]
        name = f"{case} ({label})" if label else case
        lines.append(f"| {name} | {' | '.join(times)} | {' / '.join(allocs)} |")
    return lines


def ratio_table(table, context):
    lines = ["| ratio | targets | fastest | median | target | |",
             "|---|---:|---:|---:|---:|---|"]
    named = {key[6:]: value for key, value in context.items() if key.startswith("ratio ")}
    order = list(table)
    for numerator in sorted(named, key=lambda case: order.index(case) if case in order else 0):
        for ratio in named[numerator].split(";"):
            denominator, *target = ratio.split()
            for size in sorted(table.get(numerator, {"-": {}})):
                top = table.get(numerator, {}).get(size, {})
                bottom = table.get(denominator, {}).get(size, {})
                values = [top[key] / bottom[key] if key in top and key in bottom else None
                          for key in ("min", "median")]
                if values[0] is None:
                    verdict = "not run"
                elif not target:
                    verdict = ""
                else:
                    met = BOUNDS[target[0]](values[0], float(target[1]))
                    verdict = "met" if met else "MISSED"
                shown = ["-" if value is None else f"{value:.3g}" for value in values]
                lines.append(f"| {numerator} / {denominator} | {size} | {' | '.join(shown)} | "
                             f"{' '.join(target)} | {verdict} |")
    return lines


def main(paths):
    runs, context = read(paths)
    table = cases(runs)
    sizes = sorted({size for cells in table.values() for size in cells})
    load = " ".join(f"{value:.2f}" for value in context.get("load_avg", []))
    print(f"\nCPU time per call, fastest repetition; {context.get('date', '')}, "
          f"load {load} at the start.\n")
    print("\n".join(case_table(table, sizes)) + "\n")
    print("\n".join(ratio_table(table, context)))
    return 1 if any("error" in cell for cells in table.values() for cell in cells.values()) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
