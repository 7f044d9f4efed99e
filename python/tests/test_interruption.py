"""Ctrl-C during a long call, and a FIFO as the mesh: each in a child process, so that a fault
hangs the child, not the suite."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

from conftest import write_obj, bumpy_grid

pytestmark = pytest.mark.e2e

LONG_CALL = textwrap.dedent("""
    import sys, time
    import numpy as np
    import meshprobe
    sys.path.insert(0, sys.argv[1])
    from conftest import bumpy_grid

    points, faces = bumpy_grid(size=300, unused=0)  # about half a minute at these epsilons
    small = bumpy_grid(size=10)
    before = meshprobe.roughness(*small, 0.05)
    print("started", flush=True)
    try:
        meshprobe.roughness(points, faces, [0.03, 0.02, 0.025])
        print("finished", flush=True)
    except KeyboardInterrupt:
        print("interrupted", flush=True)
        # Nothing of the abandoned call remains: the next one gives the same numbers.
        after = meshprobe.roughness(*small, 0.05)
        print("same" if np.array_equal(before, after, equal_nan=True) else "changed", flush=True)
""")


def cpu_ticks(pid):
    """The CPU time a process has used, in clock ticks (utime + stime of /proc/PID/stat)."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def test_ctrl_c_interrupts_a_long_call():
    tests = os.path.dirname(os.path.abspath(__file__))
    child = subprocess.Popen([sys.executable, "-c", LONG_CALL, tests], stdout=subprocess.PIPE,
                             text=True)
    try:
        assert child.stdout.readline() == "started\n"
        # The signal goes once the call has worked for half a second of CPU, so that it lands in
        # the measurement, not before it; the call alone burns CPU from here on.
        start = cpu_ticks(child.pid)
        ticks = os.sysconf("SC_CLK_TCK")
        deadline = time.monotonic() + 120
        while cpu_ticks(child.pid) - start < ticks // 2:
            assert time.monotonic() < deadline, "the call never started working"
            time.sleep(0.01)
        child.send_signal(signal.SIGINT)
        # Half a minute of work stopped: the call ends by KeyboardInterrupt, not by finishing,
        # and the module measures as before. Latency: bench/interrupt-latency.py.
        assert child.stdout.readline() == "interrupted\n"
        assert child.stdout.read() == "same\n"
        assert child.wait(timeout=60) == 0
    finally:
        child.kill()
        child.wait()


FIFO_READ = textwrap.dedent("""
    import sys
    import numpy as np
    import meshprobe
    values = meshprobe.roughness_of_file(sys.argv[1], 0.05)
    expected = meshprobe.roughness_of_file(sys.argv[2], 0.05)
    print("same" if np.array_equal(values, expected, equal_nan=True) else "changed")
""")


def test_a_fifo_is_opened_once_and_read(tmp_path):
    write_obj(tmp_path / "grid.obj", *bumpy_grid(size=10))
    fifo = tmp_path / "fifo.obj"
    for trial in range(5):  # a second opening blocked in only some of the trials
        os.mkfifo(fifo)
        child = subprocess.Popen([sys.executable, "-c", FIFO_READ, str(fifo),
                                  str(tmp_path / "grid.obj")], stdout=subprocess.PIPE, text=True)
        try:
            with open(fifo, "wb") as writer:
                writer.write((tmp_path / "grid.obj").read_bytes())
            output, _ = child.communicate(timeout=60)
        finally:
            child.kill()
            child.wait()
        assert output == "same\n"
        assert child.returncode == 0
        fifo.unlink()
