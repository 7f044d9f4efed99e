"""The Dask example on a local cluster of 2 workers over three small meshes, one unreadable,
against the command line run on the same meshes."""

import csv
import os
import subprocess
import sys

from conftest import BINARY, EXAMPLES_DIR


def summary(path):
    with open(path) as file:
        rows = list(csv.reader(file))
    # The run time differs from run to run; every other column must be the same.
    return [row[:18] + row[19:] for row in rows]


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
