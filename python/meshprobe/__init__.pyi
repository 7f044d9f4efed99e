"""Per-vertex roughness of polygon meshes, as the meshprobe command line measures it."""

import os
from typing import Any, Callable, Mapping, Optional, Protocol, Sequence, Union, overload

import numpy as np
import numpy.typing as npt

__version__: str
SUMMARY_HEADER: str
OUTPUT_ENDINGS: dict[str, str]
MAX_TILES: int

class FacetsLeftOutWarning(UserWarning):
    """Facets the surface cannot hold were left out of the measurement."""

class _VerticesFaces(Protocol):
    @property
    def vertices(self) -> Any: ...
    @property
    def faces(self) -> Any: ...

class _Open3dLike(Protocol):
    @property
    def vertices(self) -> Any: ...
    @property
    def triangles(self) -> Any: ...

class _MeshioLike(Protocol):
    @property
    def points(self) -> Any: ...
    @property
    def cells(self) -> Any: ...

_Mesh = Union[_VerticesFaces, _Open3dLike, _MeshioLike]
_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
_Faces = Union[npt.ArrayLike, Sequence[npt.ArrayLike]]
_Epsilons = Union[Sequence[float], npt.NDArray[np.floating[Any]]]
_Pair = tuple[float, float]
# Called with the stage ("reading", "smoothing", ...) and the fraction of it done.
_Progress = Optional[Callable[[str, float], object]]
# An output: its path, True for the command line's derived name, None or False for none.
_Output = Union[_Path, bool, None]
# An output made per epsilon may also be given one path per epsilon.
_PerEpsilon = Union[_Output, Sequence[_Path | None]]

def read(
    path: _Path,
) -> tuple[npt.NDArray[np.float32], Union[npt.NDArray[np.int32], list[npt.NDArray[np.int32]]]]: ...
@overload
def roughness(
    vertices: _Mesh, faces: float | _Epsilons, epsilon: None = None, *, length: float | None = None, threads: int | None = None, progress: _Progress = None
) -> npt.NDArray[np.float32]: ...
@overload
def roughness(
    vertices: _Mesh, faces: None = None, *, epsilon: float | _Epsilons, length: float | None = None, threads: int | None = None, progress: _Progress = None
) -> npt.NDArray[np.float32]: ...
@overload
def roughness(
    vertices: npt.ArrayLike, faces: _Faces, epsilon: float | _Epsilons, *, length: float | None = None, threads: int | None = None, progress: _Progress = None
) -> npt.NDArray[np.float32]: ...
@overload
def fields(
    vertices: _Mesh, faces: float | _Epsilons, epsilon: None = None, *, length: float | None = None, threads: int | None = None, progress: _Progress = None
) -> dict[str, npt.NDArray[Any]]: ...
@overload
def fields(
    vertices: _Mesh, faces: None = None, *, epsilon: float | _Epsilons, length: float | None = None, threads: int | None = None, progress: _Progress = None
) -> dict[str, npt.NDArray[Any]]: ...
@overload
def fields(
    vertices: npt.ArrayLike, faces: _Faces, epsilon: float | _Epsilons, *, length: float | None = None, threads: int | None = None, progress: _Progress = None
) -> dict[str, npt.NDArray[Any]]: ...
def parse_epsilons(text: str) -> list[tuple[str, float]]: ...
def derived_name(mesh: str, folder: str, epsilon: str, ending: str) -> str: ...
def summary_failure_row(mesh: str, epsilon: str, status: str) -> str: ...
def write_file(path: _Path, data: bytes) -> None: ...
def write_html_index(
    path: _Path, epsilons: Sequence[str], entries: Sequence[Mapping[str, Any]]
) -> None: ...
def roughness_of_file(
    path: _Path,
    epsilon: float | _Epsilons,
    *,
    length: float | None = None,
    threads: int | None = None,
    tiles: int | None = None,
    progress: _Progress = None,
) -> npt.NDArray[np.float32]: ...
@overload
def measure_file(
    path: _Path,
    epsilon: float,
    *,
    length: float | None = None,
    threads: int | None = None,
    tiles: int | None = None,
    values: _PerEpsilon = None,
    ply: _Output = None,
    png: _PerEpsilon = None,
    csv: _Output = None,
    stats: _PerEpsilon = None,
    range: _Pair | None = None,
    size: tuple[int, int] | None = None,
    html: _Output = None,
    dpi: int | None = None,
    progress: _Progress = None,
) -> dict[str, Any]: ...
@overload
def measure_file(
    path: _Path,
    epsilon: _Epsilons,
    *,
    length: float | None = None,
    threads: int | None = None,
    tiles: int | None = None,
    values: _PerEpsilon = None,
    ply: _Output = None,
    png: _PerEpsilon = None,
    csv: _Output = None,
    stats: _PerEpsilon = None,
    range: _Pair | None = None,
    size: tuple[int, int] | None = None,
    html: _Output = None,
    dpi: int | None = None,
    progress: _Progress = None,
) -> list[dict[str, Any]]: ...
def plan_outputs(
    meshes: Sequence[_Path],
    epsilons: Sequence[str],
    *,
    output_dir: _Path | None = None,
    values: _Output = True,
    png: _Output = None,
    stats: _Output = None,
    ply: _Output = None,
    csv: _Output = None,
    html: _Output = None,
    summary: _Path | None = None,
    index: _Path | None = None,
    length: float | None = None,
    threads: int | None = None,
    tiles: int | None = None,
    range: _Pair | None = None,
    size: tuple[int, int] | None = None,
    dpi: int | None = None,
) -> list[dict[str, Any]]: ...
@overload
def write_outputs(
    vertices: _Mesh,
    faces: float | None = None,
    epsilon: float | None = None,
    *,
    length: float | None = None,
    threads: int | None = None,
    values: _Path | None = None,
    ply: _Path | None = None,
    png: _Path | None = None,
    csv: _Path | None = None,
    stats: _Path | None = None,
    range: _Pair | None = None,
    size: tuple[int, int] | None = None,
    name: str = "",
    html: _Path | None = None,
    dpi: int | None = None,
    progress: _Progress = None,
) -> dict[str, Any]: ...
@overload
def write_outputs(
    vertices: npt.ArrayLike,
    faces: _Faces,
    epsilon: float | _Epsilons,
    *,
    length: float | None = None,
    threads: int | None = None,
    values: _Path | None = None,
    ply: _Path | None = None,
    png: _Path | None = None,
    csv: _Path | None = None,
    stats: _Path | None = None,
    range: _Pair | None = None,
    size: tuple[int, int] | None = None,
    name: str = "",
    html: _Path | None = None,
    dpi: int | None = None,
    progress: _Progress = None,
) -> Any: ...
def measure_file_in_tiles(
    path: _Path,
    epsilon: float | _Epsilons,
    *,
    tiles: int,
    client: Any = None,
    length: float | None = None,
    threads: int | None = None,
    values: _Path | None = None,
    ply: _Path | None = None,
    png: _Path | None = None,
    csv: _Path | None = None,
    stats: _Path | None = None,
    range: _Pair | None = None,
    size: tuple[int, int] | None = None,
    dpi: int | None = None,
    html: _Output = None,
    progress: _Progress = None,
) -> Any: ...

DASHBOARD_PORT: int
def local_cluster_options(dashboard: bool = False) -> dict[str, Any]: ...
def terminal_progress(program: str, stream: Any = None) -> Callable[..., None]: ...
def run_tile_plan(
    plan: TilePlan, *, client: Any = None, threads: int | None = None, progress: _Progress = None
) -> Any: ...

class TilePlan:
    def __init__(
        self,
        path: _Path,
        epsilon: float | _Epsilons,
        *,
        tiles: int,
        length: float | None = None,
        threads: int | None = None,
        values: _Path | None = None,
        ply: _Path | None = None,
        png: _Path | None = None,
        csv: _Path | None = None,
        stats: _Path | None = None,
        range: _Pair | None = None,
        size: tuple[int, int] | None = None,
        dpi: int | None = None,
        html: _Output = None,
    ) -> None: ...
    @property
    def stage(self) -> str: ...
    @property
    def tile_count(self) -> int: ...
    def tiles_to_do(self) -> list[int]: ...
    def tile(self, t: int) -> dict[str, Any]: ...
    def accept(self, t: int, result: dict[str, Any]) -> str: ...
    def smooth(self) -> None: ...
    def finish(self) -> Any: ...

def connect_tile(tile: dict[str, Any], *, threads: int | None = None) -> dict[str, Any]: ...
def measure_tile(tile: dict[str, Any], *, threads: int | None = None) -> dict[str, Any]: ...
