"""The outputs written from Python, byte for byte against the command line's for the same mesh
and options."""

import json
import os
import stat
import subprocess
import warnings

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
    ({"dpi": 0}, ValueError, 'dpi must be a whole number from 1 to 10000, not "0"'),
    ({"dpi": 72.5}, ValueError, "dpi must be"),
    ({"dpi": "300"}, ValueError, "dpi must be"),
    ({"values": ""}, ValueError, "must not be empty"),
    ({"values": "/nonexistent-folder/x.lb"}, OSError, "cannot write /nonexistent-folder/x.lb"),
])
def test_bad_output_arguments_raise(meshes, keywords, error, message):
    for call in (lambda: meshprobe.measure_file(meshes / "grid.obj", EPSILON, **keywords),
                 lambda: meshprobe.write_outputs(*bumpy_grid(), EPSILON, **keywords)):
        with pytest.raises(error, match=message):
            call()


def test_derived_names_come_from_the_mesh_file(meshes, tmp_path):
    mesh = tmp_path / "grid.obj"
    mesh.write_bytes((meshes / "grid.obj").read_bytes())
    [first, second] = meshprobe.measure_file(mesh, [0.05, 0.1], values=True, png=True)
    assert first["epsilon"] == 0.05 and second["epsilon"] == 0.1
    assert sorted(p.name for p in tmp_path.iterdir()) == [
        "grid.obj", "grid_eps0.05_labels.lb", "grid_eps0.05_roughness.png",
        "grid_eps0.1_labels.lb", "grid_eps0.1_roughness.png"]
    # Arrays have a file to name them after only when `name` gives one.
    with pytest.raises(ValueError, match="arrays has no file to name its outputs after"):
        meshprobe.write_outputs(*bumpy_grid(), EPSILON, values=True)


# Every argument that names a file: a NUL would cut the path short at the system's call.
NUL_PATH_CALLS = {
    "measure_file": lambda mesh, out: meshprobe.measure_file(str(mesh) + "\0junk", EPSILON),
    "measure_file values": lambda mesh, out: meshprobe.measure_file(mesh, EPSILON,
                                                                    values=out + "\0b"),
    "measure_file ply": lambda mesh, out: meshprobe.measure_file(mesh, EPSILON, ply=out + "\0b"),
    "measure_file png": lambda mesh, out: meshprobe.measure_file(mesh, EPSILON, png=out + "\0b"),
    "measure_file csv": lambda mesh, out: meshprobe.measure_file(mesh, EPSILON, csv=out + "\0b"),
    "measure_file stats": lambda mesh, out: meshprobe.measure_file(mesh, EPSILON,
                                                                   stats=out.encode() + b"\0b"),
    "roughness_of_file": lambda mesh, out: meshprobe.roughness_of_file(str(mesh) + "\0", EPSILON),
    "read": lambda mesh, out: meshprobe.read(str(mesh).encode() + b"\0junk"),
    "write_outputs": lambda mesh, out: meshprobe.write_outputs(*bumpy_grid(), EPSILON,
                                                               values=out + "\0b"),
    "TilePlan": lambda mesh, out: meshprobe.TilePlan(str(mesh) + "\0", EPSILON, tiles=2),
    "TilePlan values": lambda mesh, out: meshprobe.TilePlan(mesh, EPSILON, tiles=2,
                                                            values=out + "\0b"),
    "measure_file_in_tiles": lambda mesh, out: meshprobe.measure_file_in_tiles(
        mesh, EPSILON, tiles=2, csv=out + "\0b"),
    "write_file": lambda mesh, out: meshprobe.write_file(out + "\0b", b"text"),
}


@pytest.mark.parametrize("call", NUL_PATH_CALLS.values(), ids=NUL_PATH_CALLS.keys())
def test_a_nul_in_a_path_is_refused_as_open_refuses_it(meshes, tmp_path, call):
    out = str(tmp_path / "a")
    with pytest.raises(ValueError, match="embedded null byte"):
        call(meshes / "grid.obj", out)
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize("name, comment", [
    ("new\nline", "new\\nline"),
    ("x\nelement vertex 1\nproperty float x\nend_header\n",
     "x\\nelement vertex 1\\nproperty float x\\nend_header\\n"),
    ("tab\tbell\a\rdel\x7f", "tab\\tbell\\x07\\rdel\\x7f"),
    ("caf\u00e9", "caf\u00e9"),
])
def test_a_name_cannot_forge_the_plys_header(tmp_path, name, comment):
    points, faces = bumpy_grid()
    meshprobe.write_outputs(points, faces, EPSILON, ply=tmp_path / "out.ply", name=name)
    data = (tmp_path / "out.ply").read_bytes()
    header = data[:data.index(b"end_header\n")].decode().split("\n")
    assert header[2] == "comment meshprobe roughness map of %s, epsilon %s" % (comment, EPSILON)
    assert header[4].startswith("element vertex %d" % len(points))
    read_points, _ = meshprobe.read(tmp_path / "out.ply")
    np.testing.assert_array_equal(read_points, points)


def test_write_file_writes_as_the_command_line_writes(tmp_path):
    old_mask = os.umask(0o027)
    try:
        meshprobe.write_file(tmp_path / "new.txt", b"new\n")
        kept = tmp_path / "kept.txt"
        kept.write_text("old\n")
        kept.chmod(0o604)
        meshprobe.write_file(str(kept), b"replaced\n")
    finally:
        os.umask(old_mask)
    assert (tmp_path / "new.txt").read_bytes() == b"new\n"
    assert stat.S_IMODE((tmp_path / "new.txt").stat().st_mode) == 0o640
    assert kept.read_bytes() == b"replaced\n"
    assert stat.S_IMODE(kept.stat().st_mode) == 0o604
    with pytest.raises(OSError, match="cannot write .*missing/x: the folder|No such file"):
        meshprobe.write_file(tmp_path / "missing" / "x", b"")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["kept.txt", "new.txt"]


@pytest.mark.parametrize("low, high, warned", [(0, 0.5, True), (0, 10000, False)])
def test_a_range_that_clamps_most_vertices_is_named_once(meshes, tmp_path, low, high, warned):
    words = "the range %s:%s clamps" % (low, high)
    run = subprocess.run([BINARY, "--png=%s" % (tmp_path / "a.png"), "--no-values", "--range",
                          "%s:%s" % (low, high), meshes / "grid.obj", "0.05"],
                         capture_output=True, text=True, check=True)
    assert run.stderr.count(words) == (1 if warned else 0), run.stderr
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        meshprobe.measure_file(meshes / "grid.obj", 0.05, png=tmp_path / "b.png",
                               range=(low, high))
    assert [str(w.message).count(words) for w in caught] == ([1] if warned else [])


@pytest.mark.parametrize("write", [
    lambda mesh: meshprobe.measure_file(mesh, [0.02, 0.05], values=True, png=True, ply=True),
    lambda mesh: meshprobe.measure_file_in_tiles(mesh, [0.02, 0.05], tiles=2, values=True,
                                                 png=True, ply=True),
    lambda mesh: meshprobe.write_outputs(*meshprobe.read(mesh), [0.02, 0.05], name=str(mesh),
                                         values=True, png=True, ply=True),
], ids=["measure_file", "measure_file_in_tiles", "write_outputs"])
def test_several_epsilons_write_what_the_command_line_writes(meshes, tmp_path, write):
    for folder in ("cli", "py"):
        (tmp_path / folder).mkdir()
        (tmp_path / folder / "grid.obj").write_bytes((meshes / "grid.obj").read_bytes())
    subprocess.run([BINARY, "-e", "0.02,0.05", "--png", "--ply", tmp_path / "cli" / "grid.obj"],
                   check=True)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # a tile count cut for the small grid
        results = write(tmp_path / "py" / "grid.obj")
    assert [result["epsilon"] for result in results] == [0.02, 0.05]
    names = sorted(p.name for p in (tmp_path / "cli").iterdir())
    assert sorted(p.name for p in (tmp_path / "py").iterdir()) == names
    for name in names:
        if name.endswith(".ply"):  # the PLY's comment names the file as the caller gave it
            continue
        assert (tmp_path / "py" / name).read_bytes() == (tmp_path / "cli" / name).read_bytes(), name
