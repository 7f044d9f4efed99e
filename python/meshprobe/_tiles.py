"""One mesh file measured in spatial tiles, in this process or as tasks of a Dask cluster.

The plan (meshprobe.TilePlan) stays with the caller: it reads the file, cuts the tiles and
takes their results. The tiles go to whoever handles them (this process, or the cluster's
workers, each holding one tile at a time) as dicts of numpy arrays.
"""

import importlib
from typing import Any

# The package, whose names are looked up when a function runs: it imports this module first.
import meshprobe

# The compiled module, which the package imports before this one; it has no stub of its own.
_core: Any = importlib.import_module("meshprobe._core")

# Tiles handed to a cluster at once, per worker: enough to keep each busy while the client cuts
# the next, few enough that the client never holds many tiles.
_TILES_IN_FLIGHT_PER_WORKER = 2


def _connect(tile: Any, threads: Any) -> Any:
    return meshprobe.connect_tile(tile, threads=threads)


def _measure(tile: Any, threads: Any) -> Any:
    return meshprobe.measure_tile(tile, threads=threads)


class _OnCluster:
    """The tiles as tasks of a Dask cluster, a few per worker in flight: the handler that the
    plan's one loop (meshprobe._core._run_tile_stages) sends tiles to and collects results from."""

    def __init__(self, client: Any, threads: Any) -> None:
        client.wait_for_workers(1)
        workers = len(client.scheduler_info().get("workers", {}))
        self.limit = max(1, _TILES_IN_FLIGHT_PER_WORKER * workers)
        self.client, self.threads = client, threads
        self._start()

    def _start(self) -> None:
        from dask.distributed import as_completed

        self.running: dict[str, int] = {}
        self.done = as_completed()
        self.results = iter(self.done)

    def room(self) -> int:
        return self.limit - len(self.running)

    def send(self, t: int, tile: Any, stage: str) -> None:
        # Scattered first: a tile is large, and the task graph should not carry it. In a list: a
        # dict given alone would be scattered entry by entry, under the entries' keys.
        [scattered] = self.client.scatter([tile], hash=False)
        work = _connect if stage == "connecting" else _measure
        future = self.client.submit(work, scattered, self.threads, pure=False)
        self.running[future.key] = t
        self.done.add(future)

    def busy(self) -> bool:
        return bool(self.running)

    def next_result(self) -> tuple[int, Any]:
        future = next(self.results)
        result = future.result()
        future.release()
        return self.running.pop(future.key), result

    def cancel(self) -> None:
        for other in list(self.done.futures):
            other.cancel()
        self._start()


def run_tile_plan(
    plan: Any, *, client: Any = None, threads: Any = None, progress: Any = None
) -> Any:
    """Handles every tile of a TilePlan fresh from its constructor: with a dask.distributed
    Client as tasks of its cluster (each worker holds one tile at a time; the workers need
    meshprobe, not the file), without one here, one after the other. threads: the threads of each
    tile's passes (default: every core of the machine that runs it). progress: called here with
    the stage ("connecting", "smoothing", "measuring") and the share of its tiles accepted.
    Returns plan.finish()."""
    handler = None if client is None else _OnCluster(client, threads)
    return _core._run_tile_stages(plan, handler, threads=threads, progress=progress)


def measure_file_in_tiles(
    path: Any,
    epsilon: Any,
    *,
    tiles: int,
    client: Any = None,
    length: Any = None,
    threads: Any = None,
    values: Any = None,
    ply: Any = None,
    png: Any = None,
    csv: Any = None,
    stats: Any = None,
    range: Any = None,  # noqa: A002 - the command line's option is --range
    size: Any = None,
    dpi: Any = None,
    html: Any = None,
    progress: Any = None,
) -> Any:
    """measure_file(path, epsilon, ...) with the mesh cut into `tiles` spatial tiles, every value
    bit for bit the untiled run's, the tiles handled as run_tile_plan says. The outputs are
    written here, as measure_file writes them; returns what measure_file returns."""
    plan = meshprobe.TilePlan(
        path,
        epsilon,
        tiles=tiles,
        length=length,
        threads=threads,
        values=values,
        ply=ply,
        png=png,
        csv=csv,
        stats=stats,
        range=range,
        size=size,
        dpi=dpi,
        html=html,
    )
    return run_tile_plan(plan, client=client, threads=threads, progress=progress)
