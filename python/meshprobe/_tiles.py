"""One mesh file measured in spatial tiles, in this process or as tasks of a Dask cluster.

The plan (meshprobe.TilePlan) stays with the caller: it reads the file, cuts the tiles and
takes their results. The tiles go to whoever handles them (this process, or the cluster's
workers, each holding one tile at a time) as dicts of numpy arrays.
"""

from typing import Any

# The package, whose names are looked up when a function runs: it imports this module first.
import meshprobe

# Tiles handed to a cluster at once, per worker: enough to keep each busy while the client cuts
# the next, few enough that the client never holds many tiles.
_TILES_IN_FLIGHT_PER_WORKER = 2


def _connect(tile: Any, threads: Any) -> Any:
    return meshprobe.connect_tile(tile, threads=threads)


def _measure(tile: Any, threads: Any) -> Any:
    return meshprobe.measure_tile(tile, threads=threads)


def _report(plan: Any, stage: str, progress: Any) -> None:
    # The share of the stage's tiles accepted so far; all of them once the plan has moved on.
    if progress is None or plan.tile_count == 0:
        return
    if plan.stage != stage:
        progress(stage, 1.0)
    else:
        progress(stage, 1.0 - len(plan.tiles_to_do()) / plan.tile_count)


class _Here:
    """Handles the tiles in this process, one at a time, when the loop asks for a result."""

    def __init__(self, plan: Any, work: Any, threads: Any) -> None:
        self.plan, self.work, self.threads = plan, work, threads
        self.queued: list[int] = []

    def room(self) -> int:
        return 1 - len(self.queued)

    def send(self, t: int) -> None:
        self.queued.append(t)

    def busy(self) -> bool:
        return bool(self.queued)

    def next_result(self) -> tuple[int, Any]:
        t = self.queued.pop()
        return t, self.work(self.plan.tile(t), self.threads)

    def cancel(self) -> None:
        self.queued.clear()


class _OnCluster:
    """Handles the tiles as tasks of a Dask cluster, a few per worker in flight."""

    def __init__(self, client: Any, plan: Any, work: Any, threads: Any) -> None:
        from dask.distributed import as_completed

        client.wait_for_workers(1)
        workers = len(client.scheduler_info().get("workers", {}))
        self.limit = max(1, _TILES_IN_FLIGHT_PER_WORKER * workers)
        self.client, self.plan, self.work, self.threads = client, plan, work, threads
        self.running: dict[str, int] = {}
        self.done = as_completed()
        self.results = iter(self.done)

    def room(self) -> int:
        return self.limit - len(self.running)

    def send(self, t: int) -> None:
        # Scattered first: a tile is large, and the task graph should not carry it. In a list: a
        # dict given alone would be scattered entry by entry, under the entries' keys.
        [tile] = self.client.scatter([self.plan.tile(t)], hash=False)
        future = self.client.submit(self.work, tile, self.threads, pure=False)
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


def _run_tiles(plan: Any, handler: Any, to_do: list[int], progress: Any) -> None:
    # The one loop over a stage's tiles, wherever they are handled: a tile cut again goes back to
    # the queue; "all again" ends the pass, and the stage's loop starts the tiles over.
    stage = plan.stage
    waiting = list(to_do)
    while waiting or handler.busy():
        while waiting and handler.room() > 0:
            handler.send(waiting.pop(0))
        t, result = handler.next_result()
        verdict = plan.accept(t, result)
        _report(plan, stage, progress)
        if verdict == "all again":
            handler.cancel()
            return
        if verdict == "cut again":
            waiting.append(t)


def _run_stage(plan: Any, work: Any, client: Any, threads: Any, progress: Any) -> None:
    # Until every tile of the stage is accepted: a tile cut again, or every tile again after the
    # plan decided the facets for the whole mesh, comes back in tiles_to_do().
    stage = plan.stage
    _report(plan, stage, progress)
    while plan.stage == stage and plan.tiles_to_do():
        handler = (_Here(plan, work, threads) if client is None
                   else _OnCluster(client, plan, work, threads))
        _run_tiles(plan, handler, plan.tiles_to_do(), progress)


def run_tile_plan(
    plan: Any, *, client: Any = None, threads: Any = None, progress: Any = None
) -> Any:
    """Handles every tile of a TilePlan fresh from its constructor: with a dask.distributed
    Client as tasks of its cluster (each worker holds one tile at a time; the workers need
    meshprobe, not the file), without one here, one after the other. threads: the threads of each
    tile's passes (default: every core of the machine that runs it). progress: called here with
    the stage ("connecting", "smoothing", "measuring") and the share of its tiles accepted.
    Returns plan.finish()."""
    _run_stage(plan, _connect, client, threads, progress)
    if progress is not None:
        progress("smoothing", 0.0)
    plan.smooth()
    _run_stage(plan, _measure, client, threads, progress)
    return plan.finish()


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
