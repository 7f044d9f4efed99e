"""Per-vertex roughness of polygon meshes, as the meshprobe command line measures it."""

import os
from typing import Any, Sequence, Union, overload

import numpy as np
import numpy.typing as npt

__version__: str

class FacetsLeftOutWarning(UserWarning):
    """Facets the surface cannot hold were left out of the measurement."""

_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
_Faces = Union[npt.ArrayLike, Sequence[npt.ArrayLike]]
_Epsilons = Union[Sequence[float], npt.NDArray[np.floating[Any]]]

def read(
    path: _Path,
) -> tuple[npt.NDArray[np.float32], Union[npt.NDArray[np.int32], list[npt.NDArray[np.int32]]]]: ...
@overload
def roughness(
    vertices: npt.ArrayLike, faces: _Faces, epsilon: float, *, length: float | None = None, threads: int | None = None
) -> npt.NDArray[np.float32]: ...
@overload
def roughness(
    vertices: npt.ArrayLike, faces: _Faces, epsilon: _Epsilons, *, length: float | None = None, threads: int | None = None
) -> npt.NDArray[np.float32]: ...
def fields(
    vertices: npt.ArrayLike,
    faces: _Faces,
    epsilon: float | _Epsilons,
    *,
    length: float | None = None,
    threads: int | None = None,
) -> dict[str, npt.NDArray[Any]]: ...
def roughness_of_file(
    path: _Path, epsilon: float | _Epsilons, *, length: float | None = None, threads: int | None = None
) -> npt.NDArray[np.float32]: ...
def measure_file(path: _Path, epsilon: float, *, length: float | None = None, threads: int | None = None) -> dict[str, Any]: ...
