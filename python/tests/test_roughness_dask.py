"""The Dask example on a local cluster of 2 workers over three small meshes, one unreadable."""

import csv
import os
import subprocess
import sys

from conftest import EXAMPLES_DIR, value_file_of


def test_every_mesh_measured_and_the_failure_a_row(meshes, tmp_path):
    folder = tmp_path / "scans"
    folder.mkdir()
    for name in ("bunny.off", "grid.obj"):
        (folder / name).write_bytes((meshes / name).read_bytes())
    (folder / "broken.off").write_text("OFF\n3 1 0\n0 0 0\n")
    (folder / "notes.txt").write_text("not a mesh ending: not measured")
    out = tmp_path / "out"
    run = subprocess.run(
        [sys.executable, str(EXAMPLES_DIR / "roughness_dask.py"), str(folder), "0.01",
         "--out", str(out), "--workers", "2"],
        capture_output=True, text=True, timeout=120, env=dict(os.environ))
    assert run.returncode == 1, run.stderr

    for name in ("bunny", "grid"):
        assert (out / (name + "_labels.lb")).read_bytes() == value_file_of(meshes / (
            name + (".off" if name == "bunny" else ".obj")), 0.01)
    assert not (out / "broken_labels.lb").exists()
    with open(out / "summary.csv") as file:
        rows = {os.path.basename(row["mesh"]): row for row in csv.DictReader(file)}
    assert sorted(rows) == ["broken.off", "bunny.off", "grid.obj"]
    assert "more than the file's 16 bytes can hold" in rows["broken.off"]["status"]
    assert [rows[n]["status"] for n in ("bunny.off", "grid.obj")] == ["ok", "ok"]
    assert rows["bunny.off"]["vertices_in_file"] == "1839"
    assert rows["grid.obj"]["facets_in_file"] == "338"
    assert rows["grid.obj"]["epsilon"] == "0.01"
