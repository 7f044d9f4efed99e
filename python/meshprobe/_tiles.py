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


def _run_here(plan: Any, work: Any, threads: Any, to_do: list[int], progress: Any) -> None:
    stage = plan.stage
    for t in to_do:
        verdict = plan.accept(t, work(plan.tile(t), threads))
        _report(plan, stage, progress)
        if verdict == "all again":
            return


def _run_on(
    client: Any, plan: Any, work: Any, threads: Any, to_do: list[int], progress: Any
) -> None:
    from dask.distributed import as_completed

    client.wait_for_workers(1)
    workers = len(client.scheduler_info().get("workers", {}))
    limit = max(1, _TILES_IN_FLIGHT_PER_WORKER * workers)
    waiting = list(to_do)
    running: dict[str, int] = {}
    done = as_completed()

    def send() -> None:
        while waiting and len(running) < limit:
            t = waiting.pop(0)
            # Scattered first: a tile is large, and the task graph should not carry it. In a list:
            # a dict given alone would be scattered entry by entry, under the entries' keys.
            [tile] = client.scatter([plan.tile(t)], hash=False)
            future = client.submit(work, tile, threads, pure=False)
            running[future.key] = t
            done.add(future)

    stage = plan.stage
    send()
    for future in done:
        t = running.pop(future.key)
        verdict = plan.accept(t, future.result())
        future.release()
        _report(plan, stage, progress)
        if verdict == "all again":
            for other in list(done.futures):
                other.cancel()
            return
        if verdict == "cut again":
            waiting.append(t)
        send()


def _run_stage(plan: Any, work: Any, client: Any, threads: Any, progress: Any) -> None:
    # Until every tile of the stage is accepted: a tile cut again, or every tile again after the
    # plan decided the facets for the whole mesh, comes back in tiles_to_do().
    stage = plan.stage
    _report(plan, stage, progress)
    while plan.stage == stage and plan.tiles_to_do():
        if client is None:
            _run_here(plan, work, threads, plan.tiles_to_do(), progress)
        else:
            _run_on(client, plan, work, threads, plan.tiles_to_do(), progress)


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
