"""One table of inputs through the three front ends (the command line, the Python module and the
installed C++ API, run as tests/api/api_probe): each must accept and refuse the same inputs, and
where they accept, give the same values, both as the value file lists them and per vertex of the
file with NaN where a vertex is not measured."""

import os
import subprocess
import threading
from pathlib import Path

import numpy as np
import pytest

import meshprobe
from conftest import BINARY, as_value_file

pytestmark = pytest.mark.e2e

API_PROBE = os.environ.get("MESHPROBE_API_PROBE", "build/tests/api_probe")


def feed_fifo(path, content):
    """Makes a FIFO at `path` and writes `content` into it from a thread, once a reader opens it."""
    os.mkfifo(path)

    def write():
        with open(path, "wb") as fifo:
            fifo.write(content)

    writer = threading.Thread(target=write, daemon=True)
    writer.start()
    return writer


def by_command_line(path, epsilon):
    run = subprocess.run([BINARY, "-o", "-", str(path), epsilon], capture_output=True,
                         timeout=120)
    return run.returncode == 0, run.stdout


def by_python(path, epsilon):
    try:
        values = meshprobe.roughness_of_file(str(path), float(epsilon))
    except (ValueError, OSError):
        return False, None
    return True, values


def by_api(path, epsilon):
    run = subprocess.run([API_PROBE, str(path), epsilon], capture_output=True, timeout=120)
    if run.returncode != 0:
        assert run.stderr, "a refusal says why"
        return False, None
    value_lines, file_lines = run.stdout.split(b"file\n")
    return True, (value_lines, np.array([float(v) for v in file_lines.split()], np.float32))


GRID_OFF = ("OFF\n10 8 0\n" + "".join("%d %d %g\n" % (i % 3, i // 3, 0.1 * (i % 2))
                                    for i in range(9)) + "5 5 5\n"
            + "3 0 1 4\n3 0 4 3\n3 1 2 5\n3 1 5 4\n3 3 4 7\n3 3 7 6\n3 4 5 8\n3 4 8 7\n")
ONLY_POINTS = "v 0 0 0\nv 1 0 0\nv 0 1 0\n"

CASES = [
    # name, file content (None: no file), how it is given, epsilon, accepted
    ("bunny", "bunny.off", "file", "0.01", True),
    ("bunny through a FIFO", "bunny.off", "fifo", "0.01", True),
    ("a vertex no facet uses", GRID_OFF, "file", "0.3", True),
    ("a mesh without facets", ONLY_POINTS, "file", "0.01", False),
    ("a missing file", None, "file", "0.01", False),
    ("epsilon 0", "bunny.off", "file", "0", False),
    ("a negative epsilon", "bunny.off", "file", "-0.01", False),
    ("a folder", "folder", "file", "0.01", False),
]


@pytest.mark.parametrize("name, content, given, epsilon, accepted", CASES,
                         ids=[case[0] for case in CASES])
def test_front_ends_agree(tmp_path, name, content, given, epsilon, accepted):
    data = Path(os.environ.get("MESHPROBE_DATA_DIR", "data"))
    suffix = ".obj" if content == ONLY_POINTS else ".off"
    results = {}
    for front_end in (by_command_line, by_python, by_api):
        path = tmp_path / (front_end.__name__ + suffix)
        writer = None
        if content == "folder":
            path.mkdir()
        elif content is not None:
            text = (data / content).read_bytes() if content.endswith(".off") and "\n" not in content \
                else content.encode()
            if given == "fifo":
                writer = feed_fifo(path, text)
            else:
                path.write_bytes(text)
        results[front_end.__name__] = front_end(path, epsilon)
        if writer is not None:
            writer.join(timeout=60)
            assert not writer.is_alive(), front_end.__name__ + " left the FIFO unread"
    assert {k: ok for k, (ok, _) in results.items()} == dict.fromkeys(results, accepted)
    if not accepted:
        return
    value_file = results["by_command_line"][1]
    api_values, api_file_order = results["by_api"][1]
    python_file_order = results["by_python"][1]
    assert value_file.count(b"\n") > 0
    assert api_values == value_file
    assert as_value_file(python_file_order[~np.isnan(python_file_order)]) == value_file
    np.testing.assert_array_equal(python_file_order, api_file_order)
    if name == "a vertex no facet uses":
        assert np.isnan(python_file_order[-1]) and np.isnan(api_file_order[-1])
