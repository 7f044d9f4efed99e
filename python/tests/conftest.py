"""What the module's tests share: the programs to compare with, the bundled data, a generated mesh
with vertices that no facet uses, and runs of the command line."""

import os
import subprocess
from pathlib import Path

import numpy as np
import pytest

BINARY = os.environ.get("MESHPROBE_BINARY", "build/meshprobe")
FIELDS_BINARY = os.environ.get("MESHPROBE_FIELDS_BINARY", "build/meshprobe-fields")
DATA_DIR = Path(os.environ.get("MESHPROBE_DATA_DIR", "data"))
EXAMPLES_DIR = Path(os.environ.get("MESHPROBE_EXAMPLES_DIR", "examples"))


def bumpy_grid(size=14, unused=3, seed=7):
    """A bumpy height field of size x size points in triangles, then `unused` points no facet
    names, one of them far outside, so that it widens the bounding box of OBJ input only."""
    rng = np.random.default_rng(seed)
    u, v = np.meshgrid(np.linspace(0, 1, size), np.linspace(0, 1, size), indexing="ij")
    height = 0.08 * np.sin(6 * u) * np.cos(4 * v) + 0.01 * rng.standard_normal(u.shape)
    points = np.column_stack([u.ravel(), v.ravel(), height.ravel()])
    extra = np.array([[0.5, 0.5, 1.5], [0.2, 0.3, 0.1], [0.9, 0.1, -0.2]])[:unused]
    points = np.vstack([points, extra]).astype(np.float32)
    corner = np.arange(size * size).reshape(size, size)[:-1, :-1].ravel()
    faces = np.concatenate([
        np.column_stack([corner, corner + size, corner + 1]),
        np.column_stack([corner + 1, corner + size, corner + size + 1]),
    ]).astype(np.int32)
    return points, faces


def write_obj(path, points, faces):
    with open(path, "w") as file:
        file.writelines("v %.9g %.9g %.9g\n" % tuple(p) for p in points.tolist())
        file.writelines("f " + " ".join(str(i + 1) for i in f) + "\n" for f in faces.tolist())


def write_off(path, points, faces):
    with open(path, "w") as file:
        file.write("OFF\n%d %d 0\n" % (len(points), len(faces)))
        file.writelines("%.9g %.9g %.9g\n" % tuple(p) for p in points.tolist())
        file.writelines("%d %s\n" % (len(f), " ".join(map(str, f))) for f in faces.tolist())


def value_file_of(mesh, epsilon):
    """The command line's value file for `mesh` (a path in a writable folder), as bytes."""
    subprocess.run([BINARY, str(mesh), str(epsilon)], check=True, timeout=120)
    return Path(str(mesh).rsplit(".", 1)[0] + "_labels.lb").read_bytes()


def as_value_file(values):
    """The module's float32 values printed as the value file prints them."""
    return "".join("%f \n" % v for v in values.tolist()).encode()


@pytest.fixture(scope="session")
def meshes(tmp_path_factory):
    """The bunny and the generated mesh as files, by name."""
    folder = tmp_path_factory.mktemp("meshes")
    points, faces = bumpy_grid()
    write_obj(folder / "grid.obj", points, faces)
    write_off(folder / "grid.off", points, faces)
    for name in ("bunny.off", "bunny.obj"):
        (folder / name).write_bytes((DATA_DIR / name).read_bytes())
    return folder


KINDS = {
    "unit": "the module's own behaviour, in this process, no program run: seconds",
    "e2e": "runs a program, an example or the module on files, against the command line",
    "package": "the package as pip installs it, and its type stub",
}


def pytest_configure(config):
    for kind, meaning in KINDS.items():
        config.addinivalue_line("markers", "%s: %s" % (kind, meaning))
    config.addinivalue_line("markers", "slow: takes more than about 10 s")


def pytest_collection_modifyitems(config, items):
    """Every test carries exactly one kind, so that every selection by marks is complete."""
    unmarked = ["%s (%s)" % (item.nodeid, ", ".join(sorted(kinds)) or "none")
                for item in items
                for kinds in [{mark.name for mark in item.iter_markers()} & KINDS.keys()]
                if len(kinds) != 1]
    if unmarked:
        raise pytest.UsageError("tests need exactly one of the marks %s: %s"
                                % (", ".join(KINDS), "; ".join(unmarked)))
