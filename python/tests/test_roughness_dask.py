"""The Dask example on a local cluster of 2 workers over three small meshes, one unreadable,
against the command line run on the same meshes."""

import csv
import os
import subprocess
import sys

import pytest

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


def run_example(*arguments):
    return subprocess.run([sys.executable, str(EXAMPLES_DIR / "roughness_dask.py"), *arguments],
                          capture_output=True, text=True, timeout=120, env=dict(os.environ))


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
