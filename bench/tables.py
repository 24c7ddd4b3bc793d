#!/usr/bin/env python3
"""Prints the tables of a probe_bench run from Google Benchmark's JSON output.

    python3 bench/tables.py RUN.json [MORE.json ...]

Two Markdown tables: every case's median CPU time per call and allocations per call, by record
size; then the ratios the runs' context names, with their targets and whether each is met. Exits
1 when a case failed.

Runs are named CASE/SIZE and repeated, so that Google Benchmark adds their median. A context
entry "ratio CASE" = "DENOMINATOR <= 1.05" (or ">= 20", or no target) names the ratio of CASE's
median time over DENOMINATOR's, at every size that CASE ran at; "; " separates several. Further files add their runs and context
entries: a case measured outside probe_bench is written to a file of its own in the same form.
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
    """{case: {size: cell}} in the order the suites list their cases; a cell holds the median
    CPU time in ns, allocs/op and the label, or the error."""
    table = {}
    for run in sorted(runs, key=lambda run: run["order"]):
        case, _, size = run["run_name"].rpartition("/")
        cell = table.setdefault(case, {}).setdefault(int(size), {})
        if run.get("error_occurred"):
            cell["error"] = run.get("error_message", "failed")
        elif run.get("aggregate_name") == "median":
            cell["ns"] = run["cpu_time"] * UNITS[run["time_unit"]]
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
        times = [cell.get("error") or (duration(cell["ns"]) if "ns" in cell else "-")
                 for cell in row]
        allocs = ["-" if cell.get("allocs") is None else f"{cell['allocs']:g}" for cell in row]
        name = f"{case} ({label})" if label else case
        lines.append(f"| {name} | {' | '.join(times)} | {' / '.join(allocs)} |")
    return lines


def ratio_table(table, context):
    lines = ["| ratio | targets | median | target | |", "|---|---:|---:|---:|---|"]
    named = {key[6:]: value for key, value in context.items() if key.startswith("ratio ")}
    order = list(table)
    for numerator in sorted(named, key=lambda case: order.index(case) if case in order else 0):
        for ratio in named[numerator].split(";"):
            denominator, *target = ratio.split()
            for size in sorted(table.get(numerator, {"-": {}})):
                top = table.get(numerator, {}).get(size, {}).get("ns")
                bottom = table.get(denominator, {}).get(size, {}).get("ns")
                row = f"| {numerator} / {denominator} | {size} | "
                if top is None or bottom is None:
                    lines.append(row + f"- | {' '.join(target)} | not run |")
                elif not target:
                    lines.append(row + f"{top / bottom:.3g} | | |")
                else:
                    met = BOUNDS[target[0]](top / bottom, float(target[1]))
                    lines.append(row + f"{top / bottom:.3g} | {' '.join(target)} | "
                                 + ("met |" if met else "MISSED |"))
    return lines


def main(paths):
    runs, context = read(paths)
    table = cases(runs)
    sizes = sorted({size for cells in table.values() for size in cells})
    load = " ".join(f"{value:.2f}" for value in context.get("load_avg", []))
    print(f"\nCPU time per call, median of the repetitions; {context.get('date', '')}, "
          f"load {load} at the start.\n")
    print("\n".join(case_table(table, sizes)) + "\n")
    print("\n".join(ratio_table(table, context)))
    return 1 if any("error" in cell for cells in table.values() for cell in cells.values()) else 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
