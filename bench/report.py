#!/usr/bin/env python3
"""Prints the table of scripts/bench.sh from Google Benchmark's JSON files:
every figure beside its baseline from the same run (medians of the
repetitions), their ratio and the goal.

Figures are CPU time: of the benchmark's thread for what runs inside it,
of the whole process for start-up. On a shared machine the wall time
stretches with the others' load; it is printed beside, with its own ratio,
and for the pick (which waits for the disk), the first keystroke (which
waits for the column read on another thread) and the goods on a server
(where the server's process does the work) the goal is judged on it."""

import json
import os
import sys

# name of the figure, name of its baseline, what it is, how it is measured
ROWS = [
    ("BM_Open", "BM_Open_Baseline", "open the goods table, grid shown", "keys read through SQLite"),
    ("BM_Keystroke", "BM_Keystroke_Baseline", "one search keystroke, grid repainted", "prefix query on an index"),
    ("BM_FirstKeystroke", "BM_FirstKeystroke_Baseline", "first keystroke after opening", "column read through SQLite"),
    ("BM_Pick", "BM_Pick_Baseline", "pick of a goods line, stock posted", "one UPDATE in a transaction"),
    ("BM_Assembly", "BM_Assembly_Baseline", "\"Към фактурата\" with 25 lines", "156 cells into a QTableWidget"),
    ("Store.BM_Open/server", "Store.BM_Open", "goods on a server, open (100,000)", "the same on the file"),
    ("Store.BM_OpenAndFirstKeystroke/server", "Store.BM_OpenAndFirstKeystroke", "  open and first keystroke",
     "the same on the file"),
    ("Store.BM_InsertAtCursor/server", "Store.BM_InsertAtCursor", "  insert at the cursor", "the same on the file"),
    ("Store.BM_FirstInsert", "Store.BM_InsertAtCursor", "  first insert into a table just made (file)",
     "an insert at the cursor"),
    ("BM_RegisterOpen", "BM_RegisterOpen_Baseline", "open \"Издадени документи\" (100,000 documents)", "keys and sums read through SQLite"),
    ("BM_RegisterKeystroke", "BM_RegisterKeystroke_Baseline", "  one search keystroke, list repainted", "the same search through SQLite"),
    ("BM_RegisterUnpaid", "BM_RegisterUnpaid_Baseline", "  first \"Неплатени\", 150,000 payments", "the open documents' keys through SQLite"),
    ("BM_MonthLedger", "BM_MonthLedger_Baseline", "the ledger of a month of 10,000 documents", "its documents and lines read through SQLite"),
    ("Paradox.ConvertFolder", "Paradox.ReadGoods", "Paradox move, 100,000 goods with memos", "the Paradox table read"),
    ("BM_Print", "BM_Print_Baseline", "print command without the printer", "fwrite of the same bytes"),
    ("BM_PrintBitmap", "BM_Print_Baseline", "  its bitmap part", "fwrite of the same bytes"),
    ("BM_StartUp", "BM_StartUp_Baseline", "start-up to the rate dialog (1,000,000 goods)", "minimal Qt program, one input box"),
    ("BM_StartUp_Linked", "BM_StartUp_Baseline", "  the minimal program linked with the program's libraries",
     "minimal Qt program, one input box"),
    ("BM_StartUp", "BM_StartUp_Linked", "  the program against that", "the minimal program so linked"),
    ("BM_StartUpX11", "BM_StartUpX11_Baseline", "  the same on an X server (Xvfb)", "the same on an X server"),
    ("BM_Memory", "BM_Memory_Baseline", "peak memory, goods open in the browser", "minimal Qt program, one input box"),
    ("BM_MemoryRegister", "BM_Memory_Baseline", "peak memory, register window (100,000 documents)",
     "minimal Qt program, one input box"),
]

# Figures of these programs carry a prefix: their names meet others'.
PREFIXES = {"bench_store": "Store.", "bench_paradox": "Paradox."}
# Where the work is another process's or thread's, the goal is judged on the wall time.
BY_WALL = ("BM_Pick", "BM_FirstKeystroke", "Store.BM_FirstInsert")


def plain(name):
    """BM_Memory/100000/iterations:1/manual_time -> BM_Memory/100000"""
    return "/".join(part for part in name.split("/") if ":" not in part and not part.endswith("_time"))


def load(paths):
    """name ("BM_Open/1000") -> (median, unit, counters)"""
    found = {}
    for path in paths:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        prefix = next((p for stem, p in PREFIXES.items() if os.path.basename(path).startswith(stem)), "")
        for b in data.get("benchmarks", []):
            if b.get("error_occurred"):
                found[prefix + plain(b["run_name"])] = ("error", b.get("error_message", ""), {})
                continue
            if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
                continue
            name = prefix + plain(b.get("run_name", b["name"]))
            if b.get("run_type") != "aggregate" and name in found:
                continue  # a single run counts only where no median exists
            found[name] = (b["real_time"], b["time_unit"], b)
    return found


def number(value):
    """Three significant digits, without an exponent."""
    return f"{value:.0f}" if value >= 100 else f"{value:.3g}"


def millis(value, unit):
    return value * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]


def goal(name, size, figure, baseline, ratio, previous):
    """(the goal as text, whether it is met)"""
    if name == "BM_Open":
        text = "≤ 2× baseline; linear growth"
        growth_ok = previous is None or figure / previous <= 10 * 1.25
        return text, ratio <= 2 and growth_ok
    if name == "BM_Keystroke":
        limit = {100000: 16, 1000000: 100}.get(size)
        text = "≤ 2× baseline" + (f", ≤ {limit} ms" if limit else "")
        return text, ratio <= 2 and (limit is None or figure <= limit)
    if name == "BM_FirstKeystroke":
        if size == 1000000:
            return "≤ 2× baseline, ≤ 100 ms (wall)", ratio <= 2 and figure <= 100
        return "≤ 2× baseline (wall)", ratio <= 2
    if name == "BM_Pick":
        return "≤ 1.5× baseline (wall: the disk)", ratio <= 1.5
    if name == "Store.BM_FirstInsert":
        return "≤ 16 ms, one frame (wall: the disk)", figure <= 16
    if name.startswith("Store."):
        return "≤ 2× the file (wall: the server)", ratio <= 2
    if name == "BM_Assembly":
        return "≤ 20 ms", figure <= 20
    if name in ("BM_RegisterOpen", "BM_RegisterUnpaid"):
        return "≤ 2× baseline, ≤ 100 ms", ratio <= 2 and figure <= 100
    if name == "BM_RegisterKeystroke":
        return "≤ 16 ms", figure <= 16
    if name == "BM_MonthLedger":
        return "≤ 1 s", figure <= 1000
    if name == "Paradox.ConvertFolder":
        return "≤ 5 s", figure <= 5000
    if name == "BM_Print":
        return "—", True
    if name == "BM_PrintBitmap":
        return "≤ 100 ms", figure <= 100
    if name == "BM_StartUp_Linked":
        return "—", True
    if name in ("BM_StartUp", "BM_StartUpX11"):
        return "≤ 1.1× baseline", ratio <= 1.1
    if name in ("BM_Memory", "BM_MemoryRegister"):
        if size in (100000, 1000000):
            return "≤ baseline + 100 MB", figure - baseline <= 100
        return "—", True
    return "", True


def size_of(run):
    """BM_Open/1000 -> 1000; None where the name carries no size."""
    last = run.rsplit("/", 1)[-1]
    return int(last) if "/" in run and last.isdigit() else None


def main():
    found = load(sys.argv[1:])
    lines = [("what", "size", "figure (CPU)", "baseline (CPU)", "ratio", "wall: figure / baseline", "goal", "")]
    for name, base, what, how in ROWS:
        runs = sorted((k for k in found if k == name or (k.startswith(name + "/") and size_of(k) is not None)),
                      key=lambda k: size_of(k) or 0)
        if not runs:
            missing = "skipped: no PostgreSQL server (pg_virtualenv)" if name.endswith("/server") else "not run"
            lines.append((what, "", missing, how, "", "", "", ""))
            continue
        previous = None
        for run in runs:
            size = size_of(run)
            base_run = base + (f"/{size}" if size and (base + f"/{size}") in found else "")
            figure = found[run]
            baseline = found.get(base_run)
            label = (f"{size} bits" if name.startswith("BM_Print") else f"{size:,}") if size else ""
            if figure[0] == "error" or baseline is None or baseline[0] == "error":
                why = figure[1] if figure[0] == "error" else "no baseline"
                shown = why if why.startswith("skipped") else "failed: " + why
                lines.append((what, label, shown, how, "", "", "", ""))
                continue
            wall = ""
            if name.startswith("BM_Memory"):
                f = figure[2]["peak_MB"]
                b = baseline[2]["peak_MB"]
                unit = "MB"
                ratio = f / b
            else:
                fw = millis(figure[0], figure[1])
                bw = millis(baseline[0], baseline[1])
                if "cpu_ms" in figure[2]:
                    f, b = figure[2]["cpu_ms"], baseline[2]["cpu_ms"]
                else:
                    f = millis(figure[2]["cpu_time"], figure[1])
                    b = millis(baseline[2]["cpu_time"], baseline[1])
                unit = "ms"
                ratio = f / b if b else float("inf")
                wall = f"{number(fw)} / {number(bw)} ms = {fw / bw:.2f}×"
            by_wall = name in BY_WALL or name.startswith("Store.")
            text, met = goal(name, size, fw if by_wall else f, b, fw / bw if by_wall else ratio, previous)
            previous = f
            lines.append((what, label, f"{number(f)} {unit}", f"{number(b)} {unit} ({how})", f"{ratio:.2f}×",
                          wall, text, "met" if met else "MISSED"))
            what = ""
    widths = [max(len(line[i]) for line in lines) for i in range(len(lines[0]))]
    for index, line in enumerate(lines):
        print(" | ".join(cell.ljust(widths[i]) for i, cell in enumerate(line)).rstrip())
        if index == 0:
            print("-|-".join("-" * w for w in widths))


if __name__ == "__main__":
    main()
