"""Per-vertex roughness of polygon meshes, as the meshprobe command line measures it.

Lengths are in normalised units: the mesh is centred and scaled so that the largest side of its
bounding box is 1; epsilon 0.01 is recommended.

Every call that takes ``vertices, faces`` also takes one mesh object in their place: a meshio
``Mesh`` (its points and polygon cell blocks), an Open3D ``TriangleMesh`` (vertices, triangles) or
any object with ``vertices`` and ``faces`` arrays (trimesh and the like). The objects are
recognised by their attributes; none of those packages is imported.
"""

from collections.abc import Mapping
from typing import Any

import numpy as np

from meshprobe import _core
from meshprobe._cluster import DASHBOARD_PORT, local_cluster_options, terminal_progress
from meshprobe._tiles import measure_file_in_tiles, run_tile_plan
from meshprobe._core import (
    OUTPUT_ENDINGS,
    MAX_TILES,
    SUMMARY_HEADER,
    FacetsLeftOutWarning,
    TilePlan,
    __version__,
    connect_tile,
    derived_name,
    measure_tile,
    parse_epsilons,
    read,
    summary_failure_row,
    write_file,
    write_html_index,
)

__all__ = [
    "DASHBOARD_PORT",
    "MAX_TILES",
    "OUTPUT_ENDINGS",
    "SUMMARY_HEADER",
    "FacetsLeftOutWarning",
    "TilePlan",
    "__version__",
    "connect_tile",
    "derived_name",
    "fields",
    "local_cluster_options",
    "measure_file",
    "measure_file_in_tiles",
    "measure_tile",
    "parse_epsilons",
    "plan_outputs",
    "read",
    "roughness",
    "roughness_of_file",
    "run_tile_plan",
    "summary_failure_row",
    "terminal_progress",
    "write_file",
    "write_html_index",
    "write_outputs",
]

# meshio's names of the cell blocks that are polygons; the others (lines, vertices, volumes)
# are not part of a surface and are passed over.
_POLYGON_CELLS = ("triangle", "quad", "polygon")


def _cell_blocks(cells: Any) -> list[tuple[Any, Any]]:
    """(type, data) of each cell block: meshio's CellBlock objects, or the dict of data by type
    that older meshio versions keep."""
    if isinstance(cells, Mapping):
        return list(cells.items())
    blocks = []
    for block in cells:
        for attribute in ("type", "data"):
            if not hasattr(block, attribute):
                raise TypeError(
                    f"a cell block of the meshio mesh has no attribute {attribute!r} "
                    f"({type(block).__name__}): expected meshio's CellBlock or a dict of cells"
                )
        blocks.append((block.type, block.data))
    return blocks


def _meshio_faces(cells: Any) -> Any:
    blocks = [
        np.asarray(data)
        for kind, data in _cell_blocks(cells)
        if str(kind) in _POLYGON_CELLS or str(kind).startswith("polygon")
    ]
    if not blocks:
        raise ValueError("the meshio mesh has no polygon cells (triangle, quad, polygon)")
    if len(blocks) == 1:
        return blocks[0]
    # Blocks of different sizes become one facet list in block order, as meshio keeps them.
    return [row for block in blocks for row in block]


def _mesh_arrays(mesh: Any) -> tuple[Any, Any]:
    """The (vertices, faces) of a mesh object, or TypeError for an object of no known kind."""
    if hasattr(mesh, "points") and hasattr(mesh, "cells"):
        return np.asarray(mesh.points), _meshio_faces(mesh.cells)
    # faces before triangles: trimesh's triangles are corner coordinates, not indices.
    if hasattr(mesh, "vertices") and hasattr(mesh, "faces"):
        return np.asarray(mesh.vertices), mesh.faces
    if hasattr(mesh, "vertices") and hasattr(mesh, "triangles"):
        return np.asarray(mesh.vertices), np.asarray(mesh.triangles)
    raise TypeError(
        "expected vertices and faces, or a mesh object (meshio Mesh, Open3D TriangleMesh, or "
        f"one with vertices and faces), not {type(mesh).__name__}"
    )


def _arguments(vertices: Any, faces: Any, epsilon: Any) -> tuple[Any, Any, Any]:
    # With a mesh object the call's second argument is the epsilon, f(mesh, epsilon), or it is
    # given by name, f(mesh, epsilon=e).
    if faces is None or epsilon is None:
        if faces is None and epsilon is None:
            raise TypeError("missing the argument epsilon")
        points, facets = _mesh_arrays(vertices)
        return points, facets, faces if epsilon is None else epsilon
    return vertices, faces, epsilon


def roughness(
    vertices: Any,
    faces: Any = None,
    epsilon: Any = None,
    *,
    length: Any = None,
    threads: Any = None,
    progress: Any = None,
) -> Any:
    points, facets, eps = _arguments(vertices, faces, epsilon)
    return _core.roughness(points, facets, eps, length=length, threads=threads, progress=progress)


def fields(
    vertices: Any,
    faces: Any = None,
    epsilon: Any = None,
    *,
    length: Any = None,
    threads: Any = None,
    progress: Any = None,
) -> Any:
    points, facets, eps = _arguments(vertices, faces, epsilon)
    return _core.fields(points, facets, eps, length=length, threads=threads, progress=progress)


def write_outputs(
    vertices: Any,
    faces: Any = None,
    epsilon: Any = None,
    *,
    length: Any = None,
    threads: Any = None,
    values: Any = None,
    ply: Any = None,
    png: Any = None,
    csv: Any = None,
    stats: Any = None,
    range: Any = None,  # noqa: A002 - the command line's option is --range
    size: Any = None,
    name: str = "",
    html: Any = None,
    dpi: Any = None,
    progress: Any = None,
) -> Any:
    points, facets, eps = _arguments(vertices, faces, epsilon)
    return _core.write_outputs(
        points,
        facets,
        eps,
        length=length,
        threads=threads,
        values=values,
        ply=ply,
        png=png,
        csv=csv,
        stats=stats,
        range=range,
        size=size,
        name=name,
        html=html,
        dpi=dpi,
        progress=progress,
    )


# The calls that take keywords are Python functions, so that a misspelt keyword gets Python's own
# message ("unexpected keyword argument 'rnage'") rather than a list of the overloads.


def roughness_of_file(
    path: Any,
    epsilon: Any,
    *,
    length: Any = None,
    threads: Any = None,
    tiles: Any = None,
    progress: Any = None,
) -> Any:
    return _core.roughness_of_file(
        path, epsilon, length=length, threads=threads, tiles=tiles, progress=progress
    )


def measure_file(
    path: Any,
    epsilon: Any,
    *,
    length: Any = None,
    threads: Any = None,
    tiles: Any = None,
    values: Any = None,
    ply: Any = None,
    png: Any = None,
    csv: Any = None,
    stats: Any = None,
    range: Any = None,  # noqa: A002 - the command line's option is --range
    size: Any = None,
    html: Any = None,
    dpi: Any = None,
    progress: Any = None,
) -> Any:
    return _core.measure_file(
        path,
        epsilon,
        length=length,
        threads=threads,
        tiles=tiles,
        values=values,
        ply=ply,
        png=png,
        csv=csv,
        stats=stats,
        range=range,
        size=size,
        html=html,
        dpi=dpi,
        progress=progress,
    )


def plan_outputs(
    meshes: Any,
    epsilons: Any,
    *,
    output_dir: Any = None,
    values: Any = True,
    png: Any = None,
    stats: Any = None,
    ply: Any = None,
    csv: Any = None,
    html: Any = None,
    summary: Any = None,
    index: Any = None,
    length: Any = None,
    threads: Any = None,
    tiles: Any = None,
    range: Any = None,  # noqa: A002 - the command line's option is --range
    size: Any = None,
    dpi: Any = None,
) -> Any:
    return _core.plan_outputs(
        meshes,
        epsilons,
        output_dir=output_dir,
        values=values,
        png=png,
        stats=stats,
        ply=ply,
        csv=csv,
        html=html,
        summary=summary,
        index=index,
        length=length,
        threads=threads,
        tiles=tiles,
        range=range,
        size=size,
        dpi=dpi,
    )


roughness_of_file.__doc__ = _core.roughness_of_file.__doc__
measure_file.__doc__ = _core.measure_file.__doc__
plan_outputs.__doc__ = _core.plan_outputs.__doc__
roughness.__doc__ = _core.roughness.__doc__
fields.__doc__ = _core.fields.__doc__
write_outputs.__doc__ = _core.write_outputs.__doc__
