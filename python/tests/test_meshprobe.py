"""The module against the command line on the same meshes, and its refusals."""

import csv
import subprocess
import sys
import threading
import warnings

import numpy as np
import pytest

import meshprobe
from conftest import BINARY, FIELDS_BINARY, as_value_file, bumpy_grid, value_file_of

EPSILON = 0.01


def by_arrays_from_file(path):
    # NaN marks the vertices no facet uses; the value file holds 0 for them.
    return np.nan_to_num(meshprobe.roughness(*meshprobe.read(path), EPSILON), nan=0.0)


def by_arrays_generated(path):
    return np.nan_to_num(meshprobe.roughness(*bumpy_grid(), EPSILON), nan=0.0)


def by_file(path):
    values = meshprobe.roughness_of_file(path, EPSILON)
    # NaN marks the vertices OFF drops before measuring; the value file has no line for them.
    return values[~np.isnan(values)]


@pytest.mark.e2e
@pytest.mark.parametrize("name, front_end", [
    ("bunny.off", by_file),
    ("bunny.obj", by_file),
    ("bunny.obj", by_arrays_from_file),
    ("grid.obj", by_arrays_from_file),
    ("grid.obj", by_arrays_generated),
    ("grid.off", by_file),
])
def test_values_equal_the_value_file(meshes, name, front_end):
    expected = value_file_of(meshes / name, EPSILON)
    values = front_end(meshes / name)
    assert values.dtype == np.float32
    assert as_value_file(values) == expected


@pytest.mark.e2e
@pytest.mark.parametrize("front_end", [
    lambda meshes: meshprobe.roughness_of_file(meshes / "grid.off", EPSILON),
    lambda meshes: meshprobe.roughness(*bumpy_grid(), EPSILON),
    lambda meshes: meshprobe.roughness(*bumpy_grid(), [EPSILON, 0.02])[1],
])
def test_vertices_no_facet_uses_are_nan(meshes, front_end):
    values = front_end(meshes)
    assert np.isnan(values[-3:]).all() and not np.isnan(values[:-3]).any()


@pytest.mark.e2e
def test_fields_equal_the_csv_output_bit_for_bit(meshes, tmp_path):
    subprocess.run([FIELDS_BINARY, str(meshes / "grid.obj"), str(EPSILON), str(tmp_path / "g.csv")],
                   check=True, timeout=120)
    with open(tmp_path / "g.csv") as file:
        rows = list(csv.DictReader(file))
    table = meshprobe.fields(*bumpy_grid(), EPSILON)
    assert set(rows[0]) <= set(table)
    # The vertices no facet uses are not measured: NaN in every column but the vertex's number.
    measured = ~np.isnan(table["roughness"])
    assert measured.tolist() == [True] * (len(rows) - 3) + [False] * 3
    for name in rows[0]:
        expected = np.array([float(row[name]) for row in rows]).astype(table[name].dtype)
        np.testing.assert_array_equal(table[name], expected, err_msg=name)
    np.testing.assert_array_equal(table["roughness"][measured],
                                  meshprobe.roughness(*bumpy_grid(), EPSILON)[measured])


@pytest.mark.unit
def test_several_epsilons_equal_one_at_a_time():
    points, faces = bumpy_grid()
    together = meshprobe.roughness(points, faces, [0.01, 0.03])
    assert together.shape == (2, len(points))
    for row, epsilon in zip(together, [0.01, 0.03]):
        np.testing.assert_array_equal(row, meshprobe.roughness(points, faces, epsilon))


@pytest.mark.unit
@pytest.mark.parametrize("convert", [
    lambda p, f: (p.astype(np.float64, order="F"), f.astype(np.int64)),
    lambda p, f: (p.astype(np.float16).astype(np.float32), f.astype(np.uint16)),
    lambda p, f: (np.repeat(p, 2, axis=0)[::2], f[:, ::-1][:, ::-1].astype(np.float32)),
    lambda p, f: (p.tolist(), [np.array(face, dtype=np.int8) for face in f.tolist()]),
])
def test_any_dtype_and_layout_gives_the_values_of_float32(convert):
    points, faces = bumpy_grid(size=8)
    given_points, given_faces = convert(points, faces)
    expected = meshprobe.roughness(np.asarray(given_points, np.float32), faces, EPSILON)
    np.testing.assert_array_equal(meshprobe.roughness(given_points, given_faces, EPSILON), expected)


@pytest.mark.e2e
def test_read_gives_the_file_as_arrays(meshes):
    points, faces = bumpy_grid()
    read_points, read_faces = meshprobe.read(meshes / "grid.off")
    assert read_points.dtype == np.float32 and read_faces.dtype == np.int32
    np.testing.assert_array_equal(read_points, points)
    np.testing.assert_array_equal(read_faces, faces)


@pytest.mark.e2e
def test_read_gives_a_list_for_facets_of_mixed_sizes(tmp_path):
    (tmp_path / "mixed.obj").write_text("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\n"
                                        "f 1 2 3 4\nf 2 5 3\n")
    _, faces = meshprobe.read(tmp_path / "mixed.obj")
    assert [f.tolist() for f in faces] == [[0, 1, 2, 3], [1, 4, 2]]
    assert all(f.dtype == np.int32 for f in faces)


TRIANGLE = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0]], np.float32)
ONE_FACE = np.array([[0, 1, 2]])


@pytest.mark.unit
@pytest.mark.parametrize("vertices, faces, epsilon, message", [
    (TRIANGLE[:, :2], ONE_FACE, EPSILON, "shape (n, 3), not (3, 2)"),
    (TRIANGLE[:0], ONE_FACE[:0], EPSILON, "no vertex"),
    (np.array([["a", "b", "c"]] * 3), ONE_FACE, EPSILON, "array of numbers"),
    (TRIANGLE, [[0, 1, 3]], EPSILON, "vertex index 3 is out of range (3 vertices)"),
    (TRIANGLE, [[0, -1, 2]], EPSILON, "vertex index -1 is negative"),
    (TRIANGLE, [[0.0, 1.5, 2.0]], EPSILON, "vertex index 1.5 is not a whole number"),
    (TRIANGLE, [[0, 1]], EPSILON, "facet 0 has 2 corners, fewer than 3"),
    (TRIANGLE, [[0, 1, 2], [0, 1, 1]], EPSILON, "facet 1 names vertex 1 twice"),
    (TRIANGLE, np.zeros((1, 3, 1), int), EPSILON, "faces must be"),
    (TRIANGLE, [["x", "y", "z"]], EPSILON, "facet 0 must be"),
    (np.where(TRIANGLE == 1, np.inf, TRIANGLE), ONE_FACE, EPSILON, "finite"),
    (np.ones((3, 3)), ONE_FACE, EPSILON, "one point"),
    (TRIANGLE, ONE_FACE, 0.0, 'epsilon must be a number greater than 0, not "0.0"'),
    (TRIANGLE, ONE_FACE, float("nan"), 'not "nan"'),
    (TRIANGLE, ONE_FACE, [0.01, -1], 'not "-1"'),
    (TRIANGLE, ONE_FACE, "0.01", 'not "\'0.01\'"'),
    (TRIANGLE, ONE_FACE, [], "empty"),
    (TRIANGLE, ONE_FACE, [0.05, 0.05], "epsilon 0.05 is given twice"),
    (TRIANGLE, ONE_FACE, [0.05, 0.01, np.float32(0.05)], "is given twice"),
    (np.where(TRIANGLE == 1, 1e39, TRIANGLE).astype(np.float64), ONE_FACE, EPSILON,
     "vertex 1 has a coordinate that is not a finite number"),
    (np.where(TRIANGLE == 1, -1e300, TRIANGLE).astype(np.float64), ONE_FACE, EPSILON, "finite"),
])
def test_bad_arrays_raise_value_error_naming_the_fault(vertices, faces, epsilon, message):
    # The refusal alone: no warning of numpy's or ours comes before it.
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(ValueError) as raised:
            meshprobe.roughness(vertices, faces, epsilon)
    assert message in str(raised.value)


@pytest.mark.unit
def test_float64_vertices_are_rounded_as_numpy_rounds_them():
    points, faces = bumpy_grid(size=8)
    # Doubles between floats, each rounded to its nearest.
    wide = points.astype(np.float64) + np.random.default_rng(3).uniform(-1e-7, 1e-7, points.shape)
    np.testing.assert_array_equal(meshprobe.roughness(wide, faces, EPSILON),
                                  meshprobe.roughness(wide.astype(np.float32), faces, EPSILON))


@pytest.mark.e2e
@pytest.mark.parametrize("content, error, message", [
    (None, FileNotFoundError, "No such file"),
    ("folder", IsADirectoryError, "Is a directory"),
    ("OFF\n3 1 0\n0 0 0\n", ValueError, "more than the file's 16 bytes can hold"),
    ("v 0 0 0\nv 1 0 0\nf 1 2 7\n", ValueError, "line 3"),
])
def test_bad_files_raise(tmp_path, content, error, message):
    path = tmp_path / ("mesh.obj" if content and content.startswith("v") else "mesh.off")
    if content == "folder":
        path.mkdir()
    elif content is not None:
        path.write_text(content)
    for call in (meshprobe.read, lambda p: meshprobe.roughness_of_file(p, EPSILON)):
        with pytest.raises(error, match=message):
            call(path)


@pytest.mark.unit
@pytest.mark.parametrize("length", [0, -1.0, float("nan"), float("inf"), 1e39, True, "2"])
def test_bad_lengths_raise_value_error(length):
    with pytest.raises(ValueError, match="length must be a number greater than 0"):
        meshprobe.roughness(TRIANGLE, ONE_FACE, EPSILON, length=length)


@pytest.mark.e2e
def test_length_gives_the_command_line_values(meshes):
    path = meshes / "bunny.off"
    subprocess.run([BINARY, "--length", "3.5", "-o", str(meshes / "long.lb"), str(path), "0.02"],
                   check=True, timeout=120)
    values = meshprobe.roughness_of_file(path, 0.02, length=3.5)
    assert as_value_file(values) == (meshes / "long.lb").read_bytes()
    assert as_value_file(values) != value_file_of(path, 0.02)
    assert meshprobe.measure_file(path, 0.02, length=3.5)["length"] == 3.5


@pytest.mark.unit
@pytest.mark.parametrize("threads", [0, -1, 1.5, True, "2"])
def test_bad_threads_raise_value_error(threads):
    with pytest.raises(ValueError, match="threads must be a whole number of at least 1"):
        meshprobe.roughness(TRIANGLE, ONE_FACE, EPSILON, threads=threads)


@pytest.mark.unit
@pytest.mark.parametrize("threads", [1, 3, 2**16, 2**80, np.int64(1), np.uint8(3)])
def test_any_thread_count_gives_the_same_values(threads):
    points, faces = bumpy_grid(size=8)
    np.testing.assert_array_equal(meshprobe.roughness(points, faces, EPSILON, threads=threads),
                                  meshprobe.roughness(points, faces, EPSILON))


# Two triangles on the edge (0, 1) fit; a third there cannot be held by any surface.
FAN = (np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, -1, 0], [0, 0, 1]], np.float32),
       np.array([[0, 1, 2], [1, 0, 3], [0, 1, 4]]))


@pytest.mark.unit
def test_facets_left_out_warn_and_the_rest_is_measured():
    with pytest.warns(meshprobe.FacetsLeftOutWarning,
                      match=r"1 facet the surface cannot hold was left out \(facet 0\)"):
        values = meshprobe.roughness(*FAN, EPSILON)
    assert values.shape == (5,)
    with warnings.catch_warnings():
        warnings.simplefilter("error", meshprobe.FacetsLeftOutWarning)
        with pytest.raises(meshprobe.FacetsLeftOutWarning):
            meshprobe.roughness(*FAN, EPSILON)


class _MeshObject:
    """A mesh object of the Open3D kind, which the package's Python part unpacks."""
    vertices = FAN[0]
    triangles = FAN[1]


@pytest.mark.unit
@pytest.mark.parametrize("call", [
    lambda: meshprobe.roughness(*FAN, EPSILON),
    lambda: meshprobe.roughness(_MeshObject(), EPSILON),
    lambda: meshprobe.fields(_MeshObject(), EPSILON),
], ids=["arrays", "mesh object", "fields of a mesh object"])
def test_a_warning_names_the_callers_line(call):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        call()
    [warning] = [w for w in caught if issubclass(w.category, meshprobe.FacetsLeftOutWarning)]
    # The lambda's line, in this file: neither the package's own files nor the interpreter's.
    assert warning.filename == __file__
    assert warning.lineno == call.__code__.co_firstlineno


@pytest.mark.unit
def test_reading_then_measuring_warns_once_at_the_measuring_line(tmp_path):
    path = tmp_path / "fan.off"
    path.write_text("OFF\n5 3 0\n" + "".join(f"{x} {y} {z}\n" for x, y, z in FAN[0])
                    + "".join(f"3 {a} {b} {c}\n" for a, b, c in FAN[1]))
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        vertices, faces = meshprobe.read(path)
        line = sys._getframe().f_lineno + 1
        meshprobe.roughness(vertices, faces, EPSILON)
    assert faces.shape == (3, 3)
    [warning] = [w for w in caught if issubclass(w.category, meshprobe.FacetsLeftOutWarning)]
    assert (warning.filename, warning.lineno) == (__file__, line)


@pytest.mark.e2e
def test_two_threads_give_the_values_of_one_after_the_other(meshes):
    bunny = meshprobe.read(meshes / "bunny.obj")
    jobs = [bunny, bumpy_grid(size=40)]
    alone = [meshprobe.roughness(*mesh, EPSILON, threads=1) for mesh in jobs]
    together = [None, None]

    def run(k):
        together[k] = meshprobe.roughness(*jobs[k], EPSILON, threads=1)

    threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for mine, expected in zip(together, alone):
        np.testing.assert_array_equal(mine, expected)


@pytest.mark.unit
@pytest.mark.parametrize("call", [
    lambda: meshprobe.measure_file("mesh.off", EPSILON, rnage=(0, 1)),
    lambda: meshprobe.roughness_of_file("mesh.off", EPSILON, rnage=(0, 1)),
    lambda: meshprobe.measure_file_in_tiles("mesh.off", EPSILON, tiles=2, rnage=(0, 1)),
    lambda: meshprobe.plan_outputs(["mesh.off"], ["0.01"], rnage=(0, 1)),
    lambda: meshprobe.roughness(*FAN, EPSILON, rnage=(0, 1)),
    lambda: meshprobe.fields(*FAN, EPSILON, rnage=(0, 1)),
    lambda: meshprobe.write_outputs(*FAN, EPSILON, rnage=(0, 1)),
], ids=["measure_file", "roughness_of_file", "measure_file_in_tiles", "plan_outputs",
        "roughness", "fields", "write_outputs"])
def test_a_misspelt_keyword_names_itself(call):
    with pytest.raises(TypeError, match="unexpected keyword argument 'rnage'"):
        call()


@pytest.mark.e2e
@pytest.mark.parametrize("call", [
    lambda path, progress: meshprobe.measure_file(path, [0.02, 0.05], progress=progress),
    lambda path, progress: meshprobe.roughness_of_file(path, 0.05, tiles=2, progress=progress),
    lambda path, progress: meshprobe.roughness(*meshprobe.read(path), epsilon=0.05,
                                               progress=progress),
    lambda path, progress: meshprobe.fields(*meshprobe.read(path), 0.05, progress=progress),
    lambda path, progress: meshprobe.write_outputs(*meshprobe.read(path), 0.05,
                                                   progress=progress),
], ids=["measure_file", "roughness_of_file in tiles", "roughness", "fields", "write_outputs"])
def test_progress_is_reported_on_the_calling_thread_and_can_stop_the_call(meshes, tmp_path, call):
    reports = []
    call(meshes / "grid.obj",
         lambda stage, fraction: reports.append((stage, fraction, threading.get_ident())))
    stages = [stage for stage, _, _ in reports]
    # A tiled run names its tiles' stages ("tile 1/2 curvature").
    assert stages[0] == "reading" and any(stage.endswith("curvature") for stage in stages)
    assert all(0.0 <= fraction <= 1.0 for _, fraction, _ in reports)
    assert {thread for _, _, thread in reports} == {threading.get_ident()}

    def stop(stage, fraction):
        raise RuntimeError("stopped at " + stage)

    with pytest.raises(RuntimeError, match="stopped at reading"):
        call(meshes / "grid.obj", stop)
