"""Mesh objects of other libraries in place of vertices and faces, against the command line."""

import types

import numpy as np
import pytest

import meshprobe
from conftest import as_value_file, bumpy_grid, value_file_of

pytestmark = pytest.mark.e2e

EPSILON = 0.01
meshio = pytest.importorskip("meshio")
o3d = pytest.importorskip("open3d")


def as_meshio(points, faces):
    return meshio.Mesh(points, [("triangle", faces)])


def as_open3d(points, faces):
    mesh = o3d.geometry.TriangleMesh()
    mesh.vertices = o3d.utility.Vector3dVector(points.astype(np.float64))
    mesh.triangles = o3d.utility.Vector3iVector(faces)
    return mesh


def as_trimesh_like(points, faces):
    # trimesh's triangles are corner coordinates: faces must win over them.
    return types.SimpleNamespace(vertices=points, faces=faces, triangles=points[faces])


@pytest.mark.parametrize("make", [as_meshio, as_open3d, as_trimesh_like])
def test_mesh_objects_give_the_command_line_values(meshes, make):
    mesh = make(*bumpy_grid())
    values = meshprobe.roughness(mesh, EPSILON)
    # The three vertices no facet uses are NaN here and 0 in the value file.
    assert np.isnan(values[-3:]).all()
    expected = value_file_of(meshes / "grid.obj", EPSILON)
    assert as_value_file(np.nan_to_num(values, nan=0.0)) == expected
    np.testing.assert_array_equal(meshprobe.fields(mesh, EPSILON)["roughness"], values)


@pytest.mark.parametrize("call", [
    lambda mesh: meshprobe.roughness(mesh, epsilon=EPSILON),
    lambda mesh: meshprobe.fields(mesh, epsilon=EPSILON)["roughness"],
    lambda mesh: meshprobe.roughness(*bumpy_grid(), epsilon=EPSILON),
    lambda mesh: meshprobe.roughness(vertices=mesh, epsilon=EPSILON),
], ids=["roughness", "fields", "arrays", "all by name"])
def test_epsilon_may_be_given_by_name_in_every_form(call):
    mesh = as_trimesh_like(*bumpy_grid())
    np.testing.assert_array_equal(call(mesh), meshprobe.roughness(mesh, EPSILON))


def test_meshio_blocks_of_several_polygon_kinds_are_one_facet_list():
    points = np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [2, 0, 0.5]], np.float32)
    quads, triangles = np.array([[0, 1, 2, 3]]), np.array([[1, 4, 2]])
    mesh = meshio.Mesh(points, [("quad", quads), ("line", np.array([[0, 4]])),
                                ("triangle", triangles)])
    expected = meshprobe.roughness(points, [quads[0], triangles[0]], 0.1)
    np.testing.assert_array_equal(meshprobe.roughness(mesh, 0.1), expected)


def test_meshio_cells_as_a_dict_of_older_versions_are_read():
    points, faces = bumpy_grid()
    older = types.SimpleNamespace(points=points, cells={"line": np.array([[0, 1]]),
                                                        "triangle": faces})
    np.testing.assert_array_equal(meshprobe.roughness(older, EPSILON),
                                  meshprobe.roughness(points, faces, EPSILON))


@pytest.mark.parametrize("mesh, error, message", [
    (meshio.Mesh(np.eye(3), [("line", np.array([[0, 1]]))]), ValueError, "no polygon cells"),
    (types.SimpleNamespace(points=np.eye(3), cells=[types.SimpleNamespace(type="triangle")]),
     TypeError, "no attribute 'data'"),
    (types.SimpleNamespace(points=np.eye(3), cells=[("triangle", np.array([[0, 1, 2]]))]),
     TypeError, "no attribute 'type'"),
    (object(), TypeError, "not object"),
    (np.eye(3), TypeError, "not ndarray"),
])
def test_objects_of_no_known_kind_are_refused(mesh, error, message):
    with pytest.raises(error, match=message):
        meshprobe.roughness(mesh, EPSILON)
