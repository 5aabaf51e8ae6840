#!/usr/bin/env python3
"""Times kestrixc on synthetic scripts of growing size, and the GNU assembler on the same data.

For each size it generates (once) a script with its template entry and an
assembler source of the same RoutineData (gen_script.py), then runs, several
times each:
  kestrixc to the DLL, kestrixc to the C listing, and `as` on the source,
and reports the median wall time, lines per second and peak memory of each
(the maximum resident set, taken by /usr/bin/time in one more run: a child
forked from Python would count Python's own pages). It checks that the DLL's RoutineData
equals the assembled data byte for byte, times kestrixc on the bundled
example as `make demo` runs it, runs the editor benchmark when one is given,
and ends with the targets and whether each one holds.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "gen_script.py")


TIME = "/usr/bin/time"


def run(command, cwd):
    """Runs `command` to its end; returns its wall seconds."""
    start = time.perf_counter()
    result = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("failed (%d): %s\n%s" % (result.returncode, " ".join(command),
                                          result.stderr.decode(errors="replace")))
    return wall


def peak_kib(command, cwd):
    """The maximum resident set of one run of `command` in KiB, or None without /usr/bin/time."""
    if not os.access(TIME, os.X_OK):
        return None
    report = os.path.join(cwd, "peak.txt")
    subprocess.run([TIME, "-f", "%M", "-o", report] + command, cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return int(open(report).read().split()[-1])


def measure(command, cwd, runs):
    """Median wall seconds over `runs` runs, and the peak resident KiB."""
    walls = [run(command, cwd) for _ in range(runs)]
    return statistics.median(walls), peak_kib(command, cwd)


def megabytes(kib):
    return "?" if kib is None else "%.0f" % (kib / 1024)


def generate(steps, folder):
    info = os.path.join(folder, "bench.info")
    fresh = os.path.exists(info) and os.path.getmtime(info) >= os.path.getmtime(GENERATOR)
    if not fresh:
        print("generating %d steps in %s ..." % (steps, folder), flush=True)
        subprocess.run([sys.executable, GENERATOR, str(steps), folder], check=True)
    values = dict(line.split() for line in open(info))
    return {key: int(value) for key, value in values.items()}


def check_routine_data(folder, offset):
    """The DLL's RoutineData must be exactly the data section that `as` assembled."""
    objcopy = shutil.which("objcopy")
    if objcopy is None:
        return "not checked (no objcopy)"
    data = os.path.join(folder, "bench.data")
    subprocess.run([objcopy, "-O", "binary", "-j", ".data", os.path.join(folder, "bench.o"), data], check=True)
    expected = open(data, "rb").read()
    with open(os.path.join(folder, "bench.dll"), "rb") as dll:
        dll.seek(offset)
        actual = dll.read(len(expected))
    if actual != expected:
        sys.exit("%s: the DLL's RoutineData differs from the assembled data" % folder)
    return "identical (%d bytes)" % len(expected)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kestrixc", required=True)
    parser.add_argument("--work", required=True, help="folder for the generated files")
    parser.add_argument("--sizes", default="10000,100000,1000000")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--example", help="the bundled example script (examples/tutorial.kxs)")
    parser.add_argument("--editor", help="the editor benchmark program, when it was built")
    args = parser.parse_args()

    kestrixc = os.path.abspath(args.kestrixc)
    assembler = shutil.which("as")
    sizes = [int(size) for size in args.sizes.split(",")]
    os.makedirs(args.work, exist_ok=True)

    rows = []
    for steps in sizes:
        folder = os.path.abspath(os.path.join(args.work, "n%d" % steps))
        info = generate(steps, folder)
        lines = sum(1 for _ in open(os.path.join(folder, "bench.kxs"), "rb"))
        build = [kestrixc, "-q", "-c", "sample.conf", "-t", "bench"]
        print("timing %d steps (%d runs each) ..." % (steps, args.runs), flush=True)
        row = {"steps": steps, "lines": lines,
               "bytes": os.path.getsize(os.path.join(folder, "bench.kxs"))}
        row["dll"], row["dll_kib"] = measure(build + ["bench.kxs"], folder, args.runs)
        row["c"], row["c_kib"] = measure(build + ["-f", "c", "bench.kxs"], folder, args.runs)
        if assembler:
            row["as"], row["as_kib"] = measure([assembler, "-o", "bench.o", "bench.s"], folder, args.runs)
            row["check"] = check_routine_data(folder, info["step_data_offset"])
        rows.append(row)

    print()
    print("| steps | script lines | script MB | to DLL (s) | to C (s) | lines/s (DLL) | peak MB (DLL / C) "
          "| GNU as (s) | as peak MB | as / DLL |")
    print("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for row in rows:
        assembled = ("%.3f | %s | %.1fx" % (row["as"], megabytes(row["as_kib"]), row["as"] / row["dll"])
                     if "as" in row else "- | - | -")
        print("| %d | %d | %.1f | %.3f | %.3f | %.2fM | %s / %s | %s |" % (
            row["steps"], row["lines"], row["bytes"] / 1e6, row["dll"], row["c"],
            row["lines"] / row["dll"] / 1e6, megabytes(row["dll_kib"]), megabytes(row["c_kib"]), assembled))
    for row in rows:
        if "check" in row:
            print("RoutineData of %d steps against the assembled data: %s" % (row["steps"], row["check"]))

    targets = []
    for smaller, larger in zip(rows, rows[1:]):
        factor = larger["steps"] / smaller["steps"]
        for key, what in (("dll", "DLL"), ("c", "C listing")):
            growth = larger[key] / smaller[key]
            targets.append(("%s: %dx the steps costs %.1fx the time" % (what, factor, growth),
                            growth <= factor * 1.2))
    largest = rows[-1]
    if largest["steps"] >= 1000000:
        targets.append(("1,000,000 steps to the DLL in %.3f s (under 1.5 s)" % largest["dll"], largest["dll"] < 1.5))
        if largest["dll_kib"] is not None:
            peak = max(largest["dll_kib"], largest["c_kib"])
            targets.append(("peak memory for 1,000,000 steps %.0f MB (under 500 MB)" % (peak / 1024),
                            peak < 500 * 1024))
        if "as" in largest:
            ratio = largest["as"] / largest["dll"]
            targets.append(("%.1fx faster than the GNU assembler (at least 5x)" % ratio, ratio >= 5))

    if args.example:
        folder = os.path.abspath(os.path.join(args.work, "example"))
        os.makedirs(folder, exist_ok=True)
        shutil.copy(args.example, folder)
        name = os.path.basename(args.example)
        wall, kib = measure([kestrixc, name], folder, 21)
        print("\nkestrixc %s (entry \"sample\", as make demo): %.1f ms, peak %s MB" % (
            name, wall * 1000, megabytes(kib)))
        targets.append(("the bundled example in %.1f ms (under 20 ms)" % (wall * 1000), wall < 0.020))

    if args.editor:
        print(flush=True)
        output = subprocess.run([args.editor], check=True, capture_output=True, text=True,
                                env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
        print(output.rstrip())
        found = re.search(r"last line in ([0-9.]+) ms", output)
        if found:
            ms = float(found.group(1))
            targets.append(("the editor opens 1 MiB and jumps to its last line in %.0f ms (under 1 s)" % ms, ms < 1000))
        found = re.search(r"analysed the script of [0-9]+ bytes in ([0-9.]+) ms", output)
        if found:
            ms = float(found.group(1))
            targets.append(("the analysis of 1 MiB takes %.0f ms (under 300 ms)" % ms, ms < 300))
        found = re.search(r"longest keystroke delay was ([0-9.]+) ms", output)
        if found:
            ms = float(found.group(1))
            targets.append(("typing into 1 MiB, no keystroke waits more than %.0f ms (under 50 ms)" % ms, ms < 50))

    print("\nTargets:")
    for text, met in targets:
        print("  %-8s %s" % ("met" if met else "MISSED", text))


if __name__ == "__main__":
    main()
