#!/usr/bin/env python3
"""Times two kestrixc builds in turns on the scripts `make bench` generated.

On a machine whose speed swings with the load around it, two figures taken
minutes apart say little; the same script built by one build and then the
other, over and over, does. For each script folder and output form it runs
A, B, A, B, ... and reports the least and the middle wall time of each, and
how much B takes of A's.

    bench/compare_builds.py OLD_KESTRIXC NEW_KESTRIXC [--runs 15]
        [--work build-bench/bench] [--scripts n1000000 shape1] [--forms dll c]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time


def build_once(kestrixc, folder, form):
    command = [kestrixc, "-q", "-c", "sample.conf", "-t", "bench", "-f", form, "-o",
               os.path.join(folder, "compare." + form), "bench.kxs"]
    start = time.perf_counter()
    result = subprocess.run(command, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("%s failed in %s:\n%s" % (kestrixc, folder, result.stderr.decode(errors="replace")))
    return wall


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("a", help="the kestrixc to compare against")
    parser.add_argument("b", help="the kestrixc to compare")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--work", default="build-bench/bench", help="the folder make bench generated")
    parser.add_argument("--scripts", nargs="+", default=["n1000000", "shape1", "shape2", "shape3"],
                        help="script folders under --work")
    parser.add_argument("--forms", nargs="+", default=["dll", "c"], choices=["dll", "c", "aout"])
    args = parser.parse_args()
    builds = [os.path.abspath(args.a), os.path.abspath(args.b)]

    print("| script | form | A least / middle (s) | B least / middle (s) | B of A (middle) |")
    print("|---|---|---:|---:|---:|")
    for script in args.scripts:
        folder = os.path.abspath(os.path.join(args.work, script))
        if not os.path.exists(os.path.join(folder, "bench.kxs")):
            sys.exit("%s: no bench.kxs; run make bench first" % folder)
        for form in args.forms:
            times = [[], []]
            for _ in range(args.runs):
                for which, kestrixc in enumerate(builds):
                    times[which].append(build_once(kestrixc, folder, form))
            a, b = ((min(t), statistics.median(t)) for t in times)
            print("| %s | %s | %.3f / %.3f | %.3f / %.3f | %.0f%% |" %
                  (script, form, a[0], a[1], b[0], b[1], 100 * b[1] / a[1]), flush=True)
            output = os.path.join(folder, "compare." + form)
            if os.path.exists(output):
                os.remove(output)


if __name__ == "__main__":
    main()
