#!/usr/bin/env python3
"""Measures what splitting one mesh into tiles costs in memory, before any tile is measured:
the peak resident memory of reading the file and planning its tiles (meshprobe.TilePlan), in
bytes per vertex, and whether the split still succeeds when the process may use less memory
than the file's size (an address-space limit of what Python and the module take, plus a budget
of --budget times the file's size).

Usage: python3 bench/partition-memory.py MESH [--tiles N] [--budget F]
Needs the Python module built (build/python, or meshprobe installed). A benchmark, not a test:
address-space limits depend on the machine, and a sanitizer build cannot run under one."""

import argparse
import os
import resource
import subprocess
import sys

CHILD = r"""
import resource, sys
sys.path.insert(0, sys.argv[4])
import meshprobe
for line in open("/proc/self/status"):
    if line.startswith("VmPeak"):
        base_virtual = int(line.split()[1])
if sys.argv[3] != "0":
    limit = (base_virtual + int(sys.argv[3])) * 1024
    resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
plan = meshprobe.TilePlan(sys.argv[1], 0.01, tiles=int(sys.argv[2]))
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(before, after, plan.tile_count)
"""


def run(mesh, tiles, budget_kib, module_dir):
    done = subprocess.run([sys.executable, "-c", CHILD, mesh, str(tiles), str(budget_kib),
                           module_dir], capture_output=True, text=True)
    if done.returncode != 0:
        return None, done.stderr.strip().splitlines()[-1:]
    before, after, count = (int(x) for x in done.stdout.split())
    return (before, after, count), None


def ply_vertices(mesh):
    """The vertex count a PLY header announces, or None for other files."""
    with open(mesh, "rb") as f:
        if f.readline().strip() != b"ply":
            return None
        for line in f:
            words = line.split()
            if words[:2] == [b"element", b"vertex"]:
                return int(words[2])
            if words[:1] == [b"end_header"]:
                return None
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("mesh")
    parser.add_argument("--tiles", type=int, default=16)
    parser.add_argument("--budget", type=float, default=0.8)
    args = parser.parse_args()
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    module_dir = os.path.join(root, "build", "python")
    file_kib = os.path.getsize(args.mesh) // 1024

    measured, error = run(args.mesh, args.tiles, 0, module_dir)
    if measured is None:
        sys.exit("partition-memory: the plan failed: %s (the module needs numpy: run this with "
                 "Debian's /usr/bin/python3 and python3-numpy)" % " ".join(error))
    before, after, count = measured
    print("%s: %d KiB, %d tiles" % (args.mesh, file_kib, count))
    print("reading and planning: %.1f MiB of resident memory beyond the module's %.1f MiB"
          % ((after - before) / 1024, before / 1024))
    vertices = ply_vertices(args.mesh)
    if vertices:
        print("  %.1f bytes per vertex of the file" % ((after - before) * 1024 / vertices))

    budget = int(file_kib * args.budget)
    limited, error = run(args.mesh, args.tiles, budget, module_dir)
    verdict = "split" if limited is not None else "failed (%s)" % " ".join(error)
    print("within %d KiB of address space beyond the module's (%.2f x the file): %s"
          % (budget, args.budget, verdict))
    sys.exit(0 if limited is not None else 1)


if __name__ == "__main__":
    main()
