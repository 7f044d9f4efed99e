#!/usr/bin/env python3
"""How long a Ctrl-C takes to end a long call of the Python module: a child process starts a
call of about half a minute, the signal is sent once the call has worked for half a second of
CPU, and the time from the signal to the child's KeyboardInterrupt is reported per trial, with
the median and the largest. The aim is well under a second.

Run with the built module on the path (Debian's python3 and numpy):
    PYTHONPATH=build/python python3 bench/interrupt-latency.py [TRIALS]
"""

import os
import signal
import statistics
import subprocess
import sys
import time

CHILD = """
import sys
import numpy as np
import meshprobe
size = 300
u, v = np.meshgrid(np.linspace(0, 1, size), np.linspace(0, 1, size), indexing="ij")
points = np.column_stack([u.ravel(), v.ravel(), 0.08 * np.sin(6 * u).ravel()])
corner = np.arange(size * size).reshape(size, size)[:-1, :-1].ravel()
faces = np.concatenate([np.column_stack([corner, corner + size, corner + 1]),
                        np.column_stack([corner + 1, corner + size, corner + size + 1])])
print("started", flush=True)
try:
    meshprobe.roughness(points, faces, [0.03, 0.02, 0.025])
    print("finished", flush=True)
except KeyboardInterrupt:
    print("interrupted", flush=True)
"""


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def one_trial():
    child = subprocess.Popen([sys.executable, "-c", CHILD], stdout=subprocess.PIPE, text=True)
    try:
        if child.stdout.readline() != "started\n":
            raise SystemExit("the child did not start")
        start = cpu_ticks(child.pid)
        while cpu_ticks(child.pid) - start < os.sysconf("SC_CLK_TCK") // 2:
            time.sleep(0.005)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        line = child.stdout.readline()
        latency = time.monotonic() - sent
        if line != "interrupted\n":
            raise SystemExit("the call was not interrupted: %r" % line)
        return latency
    finally:
        child.kill()
        child.wait()


def main():
    trials = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    latencies = [one_trial() for _ in range(trials)]
    for number, latency in enumerate(latencies, 1):
        print("trial %d: %.3f s" % (number, latency))
    print("median %.3f s, largest %.3f s" % (statistics.median(latencies), max(latencies)))


if __name__ == "__main__":
    main()
