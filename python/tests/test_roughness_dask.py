"""The Dask example on a local cluster of 2 workers over three small meshes, one unreadable,
against the command line run on the same meshes."""

import csv
import io
import os
import shutil
import socket
import stat
import subprocess
import sys
from pathlib import Path

import pytest

import meshprobe

from conftest import BINARY, EXAMPLES_DIR

pytestmark = pytest.mark.e2e


def summary(path):
    with open(path) as file:
        rows = list(csv.reader(file))
    # The run time differs from run to run; every other column must be the same.
    return [row[:18] + row[19:] for row in rows]


@pytest.mark.slow
def test_every_mesh_measured_and_the_failure_a_row(meshes, tmp_path):
    folder = tmp_path / "scans"
    folder.mkdir()
    for name in ("bunny.off", "grid.obj"):
        (folder / name).write_bytes((meshes / name).read_bytes())
    (folder / "broken.off").write_text("OFF\n3 1 0\n0 0 0\n")
    (folder / "notes.txt").write_text("not a mesh ending: not measured")
    paths = [str(folder / name) for name in ("broken.off", "bunny.off", "grid.obj")]
    cli = subprocess.run([BINARY, "--summary", str(tmp_path / "cli.csv"), "-d",
                          str(tmp_path / "cli"), "-e", "0.01"] + paths, timeout=120)
    assert cli.returncode == 1

    out = tmp_path / "out"
    run = subprocess.run(
        [sys.executable, str(EXAMPLES_DIR / "roughness_dask.py"), str(folder), "0.01",
         "--out", str(out), "--workers", "2"],
        capture_output=True, text=True, timeout=120, env=dict(os.environ))
    assert run.returncode == 1, run.stderr
    assert "2 meshes measured, 1 failed" in run.stdout

    rows = summary(out / "summary.csv")
    assert rows == summary(tmp_path / "cli.csv")
    assert [row[-1] for row in rows[1:]][1:] == ["ok", "ok"]
    assert "more than the file's 16 bytes can hold" in rows[1][-1]
    for name in ("bunny", "grid"):
        label = name + "_labels.lb"
        assert (out / label).read_bytes() == (tmp_path / "cli" / label).read_bytes()
    assert sorted(os.listdir(out)) == ["bunny_labels.lb", "grid_labels.lb", "summary.csv"]


def run_example(*arguments, umask=-1):
    return subprocess.run([sys.executable, str(EXAMPLES_DIR / "roughness_dask.py"), *arguments],
                          capture_output=True, text=True, timeout=120, env=dict(os.environ),
                          umask=umask)


def test_files_get_the_command_lines_permission_bits(meshes, tmp_path):
    folder = tmp_path / "scans"
    folder.mkdir()
    for name in ("bunny.off", "grid.obj"):
        (folder / name).write_bytes((meshes / name).read_bytes())
    (folder / "grid_labels.lb").write_text("earlier\n")
    (folder / "grid_labels.lb").chmod(0o604)
    run = run_example(str(folder), "0.01", "--workers", "1", umask=0o027)
    assert run.returncode == 0, run.stderr
    modes = {name: stat.S_IMODE((folder / name).stat().st_mode)
             for name in ("bunny_labels.lb", "grid_labels.lb", "summary.csv")}
    assert modes == {"bunny_labels.lb": 0o640, "grid_labels.lb": 0o604, "summary.csv": 0o640}
    assert (folder / "grid_labels.lb").read_text() != "earlier\n"


def listening(pids):
    """The TCP addresses that processes `pids` listen on, as ss shows them (address:port)."""
    lines = subprocess.run(["ss", "-ltnpH"], capture_output=True, text=True,
                           check=True).stdout.splitlines()
    return sorted(line.split()[3] for line in lines
                  if any("pid=%d," % pid in line for pid in pids))


def family(pid):
    """pid and every process below it."""
    children = Path("/proc/%d/task/%d/children" % (pid, pid))
    below = [int(c) for c in children.read_text().split()] if children.exists() else []
    return [pid] + [p for child in below for p in family(child)]


@pytest.mark.parametrize("dashboard", [False, True])
def test_the_local_cluster_listens_on_loopback_alone(dashboard):
    # Both examples start their local cluster with these options.
    if shutil.which("ss") is None:
        pytest.skip("ss (iproute2) is not installed: the listening sockets cannot be listed")
    from dask.distributed import Client, LocalCluster

    # Another program may hold the dashboard's port; the cluster then serves it on a free one.
    with socket.socket() as probe:
        port_was_free = probe.connect_ex(("127.0.0.1", meshprobe.DASHBOARD_PORT)) != 0
    with LocalCluster(n_workers=1, threads_per_worker=1,
                      **meshprobe.local_cluster_options(dashboard)) as cluster, \
            Client(cluster) as client:
        client.wait_for_workers(1)
        addresses = listening(family(os.getpid()))
        http_port = cluster.scheduler.http_server.port
    assert len(addresses) >= 3  # the scheduler, the worker and its nanny at least
    assert all(a.startswith("127.0.0.1:") for a in addresses), addresses
    assert "127.0.0.1:%d" % http_port in addresses
    if dashboard and port_was_free:
        assert http_port == meshprobe.DASHBOARD_PORT
    if not dashboard:
        assert "127.0.0.1:%d" % meshprobe.DASHBOARD_PORT not in addresses


@pytest.mark.slow
def test_several_epsilons_write_what_the_command_line_writes(meshes, tmp_path):
    folder = tmp_path / "scans"
    folder.mkdir()
    for name in ("bunny.off", "grid.obj"):
        (folder / name).write_bytes((meshes / name).read_bytes())
    subprocess.run([BINARY, "--summary", str(tmp_path / "cli.csv"), "-d", str(tmp_path / "cli"),
                    "-e", "0.005,0.01", str(folder / "bunny.off"), str(folder / "grid.obj")],
                   check=True, timeout=120)
    out = tmp_path / "out"
    run = run_example(str(folder), "0.005,0.01", "--out", str(out), "--workers", "1")
    assert run.returncode == 0, run.stderr
    assert "2 meshes measured, 0 failed" in run.stdout
    assert summary(out / "summary.csv") == summary(tmp_path / "cli.csv")
    names = sorted(os.listdir(tmp_path / "cli"))
    assert len(names) == 4 and sorted(os.listdir(out)) == sorted(names + ["summary.csv"])
    for name in names:
        assert (out / name).read_bytes() == (tmp_path / "cli" / name).read_bytes()


@pytest.mark.parametrize("epsilon, folder, message", [
    ("abc", "scans", 'epsilon must be a number greater than 0, not "abc"'),
    ("0", "scans", 'epsilon must be a number greater than 0, not "0"'),
    ("0.01,x", "scans", 'epsilon must be a number greater than 0, not "x"'),
    ("0.01", "scnas", "the folder {tmp}/scnas does not exist"),
    ("0.01", "scans/a.off", "{tmp}/scans/a.off is not a folder"),
])
def test_bad_arguments_are_one_line_and_status_2(tmp_path, epsilon, folder, message):
    (tmp_path / "scans").mkdir()
    (tmp_path / "scans" / "a.off").write_text("OFF\n")
    run = run_example(str(tmp_path / folder), epsilon, "--out", str(tmp_path / "out"))
    assert run.returncode == 2
    assert run.stderr == "roughness_dask: %s\n" % message.format(tmp=tmp_path)
    assert run.stdout == ""
    assert not (tmp_path / "out").exists()


class _Terminal(io.StringIO):
    def __init__(self, is_terminal):
        super().__init__()
        self.is_terminal = is_terminal

    def isatty(self):
        return self.is_terminal


@pytest.mark.parametrize("is_terminal, shown", [
    (True, "\r\033[Kexample: meshes   0%\r\033[Kexample: meshes  50%\r\033[K"),
    (False, ""),
])
def test_the_examples_progress_line_shows_on_a_terminal_only(is_terminal, shown):
    stream = _Terminal(is_terminal)
    progress = meshprobe.terminal_progress("example", stream)
    progress("meshes", 0.0)
    progress("meshes", 0.5)
    progress(None)
    progress(None)  # cleared once
    assert stream.getvalue() == shown
