#!/usr/bin/env python3
"""Times kestrixc on synthetic scripts of growing size, and the GNU assembler on the same data.

For each size it generates (once) a script with its template entry and an
assembler source of the same RoutineData (gen_script.py), then runs, several
times each:
  kestrixc to the DLL, kestrixc to the C listing, and `as` on the source
  with label references and on the plain-data source,
then the same (without `as`) for scripts of 1,000,000 steps in other shapes:
very many small routines, one long routine, a label on every step. It
reports the median wall time, lines per second and peak memory of each
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


def generate(steps, folder, options=()):
    info = os.path.join(folder, "bench.info")
    fresh = os.path.exists(info) and os.path.getmtime(info) >= os.path.getmtime(GENERATOR)
    if not fresh:
        print("generating %d steps in %s ..." % (steps, folder), flush=True)
        subprocess.run([sys.executable, GENERATOR, str(steps), folder] + list(options), check=True)
    values = dict(line.split() for line in open(info))
    return {key: int(value) for key, value in values.items()}


def check_routine_data(folder, offset, source):
    """The DLL's RoutineData must be exactly the data section that `as` assembled from `source`."""
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
        sys.exit("%s: the DLL's RoutineData differs from the data assembled from %s" % (folder, source))
    return "identical (%d bytes)" % len(expected)


# Scripts of 1,000,000 steps in other shapes than the mixed one of the sizes
# above: (name, gen_script.py options).
SHAPES = [
    ("many small routines", ["--max-routine-steps", "19"]),
    ("one routine", ["--max-routine-steps", "1000000"]),
    ("a label on every step", ["--label-share", "1"]),
]


def time_script(kestrixc, folder, info, runs, shape, assembler):
    """Times kestrixc on the script in `folder` (and `as` on its two sources when given)."""
    lines = sum(1 for _ in open(os.path.join(folder, "bench.kxs"), "rb"))
    build = [kestrixc, "-q", "-c", "sample.conf", "-t", "bench"]
    print("timing %d steps, %s (%d runs each) ..." % (info["steps"], shape, runs), flush=True)
    row = {"steps": info["steps"], "shape": shape, "lines": lines, "routines": info["routines"],
           "bytes": os.path.getsize(os.path.join(folder, "bench.kxs"))}
    row["dll"], row["dll_kib"] = measure(build + ["bench.kxs"], folder, runs)
    row["c"], row["c_kib"] = measure(build + ["-f", "c", "bench.kxs"], folder, runs)
    if assembler:
        row["as"], row["as_kib"] = measure([assembler, "-o", "bench.o", "bench.s"], folder, runs)
        row["check"] = check_routine_data(folder, info["step_data_offset"], "bench.s")
        row["plain"], row["plain_kib"] = measure([assembler, "-o", "bench.o", "bench-plain.s"], folder, runs)
        row["plain_check"] = check_routine_data(folder, info["step_data_offset"], "bench-plain.s")
    return row


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kestrixc", required=True)
    parser.add_argument("--work", required=True, help="folder for the generated files")
    parser.add_argument("--sizes", default="10000,100000,1000000")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--no-shapes", action="store_true", help="time only the mixed scripts of --sizes")
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
        rows.append(time_script(kestrixc, folder, info, args.runs, "mixed", assembler))
    shapes = []
    if not args.no_shapes:
        for index, (shape, options) in enumerate(SHAPES):
            folder = os.path.abspath(os.path.join(args.work, "shape%d" % (index + 1)))
            info = generate(1000000, folder, options)
            shapes.append(time_script(kestrixc, folder, info, args.runs, shape, None))

    print()
    print("| steps | shape | routines | script MB | to DLL (s) | to C (s) | lines/s (DLL) | peak MB (DLL / C) "
          "| GNU as, label references (s) | GNU as, plain data (s) | as peak MB | as / DLL (references / plain) |")
    print("|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for row in rows + shapes:
        if "as" in row:
            assembled = "%.3f | %.3f | %s | %.1fx / %.1fx" % (
                row["as"], row["plain"], megabytes(max(row["as_kib"] or 0, row["plain_kib"] or 0) or None),
                row["as"] / row["dll"], row["plain"] / row["dll"])
        else:
            assembled = "- | - | - | -"
        print("| %d | %s | %d | %.1f | %.3f | %.3f | %.2fM | %s / %s | %s |" % (
            row["steps"], row["shape"], row["routines"], row["bytes"] / 1e6, row["dll"], row["c"],
            row["lines"] / row["dll"] / 1e6, megabytes(row["dll_kib"]), megabytes(row["c_kib"]), assembled))
    for row in rows:
        if "check" in row:
            print("RoutineData of %d steps against the assembled data: %s (label references), %s (plain data)"
                  % (row["steps"], row["check"], row["plain_check"]))

    targets = []
    for smaller, larger in zip(rows, rows[1:]):
        factor = larger["steps"] / smaller["steps"]
        for key, what in (("dll", "DLL"), ("c", "C listing")):
            growth = larger[key] / smaller[key]
            targets.append(("%s: %dx the steps costs %.1fx the time (at most %.0fx)" % (what, factor, growth,
                                                                                     factor * 1.1),
                            growth <= factor * 1.1))
            if smaller[key + "_kib"] is not None and larger[key + "_kib"] is not None:
                growth = larger[key + "_kib"] / smaller[key + "_kib"]
                targets.append(("%s: %dx the steps takes %.1fx the memory (at most %.0fx)" % (
                    what, factor, growth, factor * 1.1), growth <= factor * 1.1))
    for row in rows + shapes:
        if row["steps"] < 1000000:
            continue
        targets.append(("1,000,000 steps (%s) to the DLL in %.3f s (under 0.35 s)" % (row["shape"], row["dll"]),
                        row["dll"] < 0.35))
        targets.append(("1,000,000 steps (%s) to the C listing in %.3f s (under 0.5 s)" % (row["shape"], row["c"]),
                        row["c"] < 0.5))
        if row["dll_kib"] is not None:
            peak = max(row["dll_kib"], row["c_kib"])
            targets.append(("1,000,000 steps (%s) in a peak of %.0f MB (under 150 MB)" % (row["shape"], peak / 1024),
                            peak < 150 * 1024))
    for row in rows:
        if row["steps"] == 10000:
            targets.append(("10,000 steps to the DLL in %.1f ms (under 10 ms)" % (row["dll"] * 1000),
                            row["dll"] < 0.010))
    largest = rows[-1]
    if "as" in largest:
        ratio = largest["plain"] / largest["dll"]
        targets.append(("%.1fx faster than the GNU assembler on plain data (at least 2x)" % ratio, ratio >= 2))
        ratio = largest["as"] / largest["dll"]
        targets.append(("%.1fx faster than the GNU assembler with label references (at least 5x)" % ratio,
                        ratio >= 5))

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
