"""The outputs written from Python, byte for byte against the command line's for the same mesh
and options."""

import json
import subprocess

import numpy as np
import pytest

import meshprobe
from conftest import BINARY, bumpy_grid

pytestmark = pytest.mark.e2e

EPSILON = 0.01
OPTIONS = {"--range": "0:0.5", "--size": "640x480"}


def command_line_outputs(mesh, folder, options):
    folder.mkdir()
    subprocess.run([BINARY, "-o", str(folder / "values.lb"), "--ply=%s" % (folder / "f.ply"),
                    "--png=%s" % (folder / "f.png"), "--csv=%s" % (folder / "f.csv"),
                    "--stats=%s" % (folder / "f.json")]
                   + ["%s=%s" % item for item in options.items()] + [str(mesh), str(EPSILON)],
                   check=True, timeout=120)
    return folder


def python_outputs(folder):
    folder.mkdir()
    return folder, dict(values=folder / "values.lb", ply=folder / "f.ply", png=folder / "f.png",
                        csv=folder / "f.csv", stats=str(folder / "f.json"))


def keyword_options(options):
    def pair(text, separator, kind):
        return tuple(kind(part) for part in text.split(separator))
    return {"range": pair(options["--range"], ":", float) if "--range" in options else None,
            "size": pair(options["--size"], "x", int) if "--size" in options else None}


def statistics(path, same_file=True):
    table = json.loads(path.read_text())
    del table["seconds"]  # the run time differs from run to run
    if not same_file:
        del table["format"]  # "arrays" for arrays
    return table


def by_file(mesh, folder, options):
    folder, paths = python_outputs(folder)
    meshprobe.measure_file(mesh, EPSILON, **paths, **keyword_options(options))
    return folder


def by_arrays(mesh, folder, options):
    folder, paths = python_outputs(folder)
    meshprobe.write_outputs(*bumpy_grid(), EPSILON, **paths, **keyword_options(options),
                            name=str(mesh))
    return folder


@pytest.mark.parametrize("options", [OPTIONS, {}])
@pytest.mark.parametrize("front_end", [by_file, by_arrays])
def test_outputs_equal_the_command_line_bytes(meshes, tmp_path, front_end, options):
    mesh = meshes / "grid.obj"
    expected = command_line_outputs(mesh, tmp_path / "cli", options)
    written = front_end(mesh, tmp_path / "py", options)
    for name in ("values.lb", "f.ply", "f.png", "f.csv"):
        assert (written / name).read_bytes() == (expected / name).read_bytes(), name
    same_file = front_end is by_file
    assert (statistics(written / "f.json", same_file)
            == statistics(expected / "f.json", same_file))


def test_only_the_outputs_asked_for_are_written(meshes, tmp_path):
    result = meshprobe.measure_file(meshes / "grid.obj", EPSILON, csv=tmp_path / "only.csv")
    assert [p.name for p in tmp_path.iterdir()] == ["only.csv"]
    np.testing.assert_array_equal(result["roughness"],
                                  meshprobe.roughness_of_file(meshes / "grid.obj", EPSILON))


@pytest.mark.parametrize("keywords, error, message", [
    ({"range": (1, 0)}, ValueError, "range must be"),
    ({"range": (0, float("inf"))}, ValueError, "range must be"),
    ({"range": "0:1"}, ValueError, "range must be"),
    ({"size": (100, 80)}, ValueError, "size must be"),
    ({"size": (800.5, 600)}, ValueError, "size must be"),
    ({"values": ""}, ValueError, "must not be empty"),
    ({"values": "/nonexistent-folder/x.lb"}, OSError, "cannot write /nonexistent-folder/x.lb"),
])
def test_bad_output_arguments_raise(meshes, keywords, error, message):
    for call in (lambda: meshprobe.measure_file(meshes / "grid.obj", EPSILON, **keywords),
                 lambda: meshprobe.write_outputs(*bumpy_grid(), EPSILON, **keywords)):
        with pytest.raises(error, match=message):
            call()
