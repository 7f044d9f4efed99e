"""Meshes measured in tiles, in this process and on a two-worker Dask cluster: every value the
untiled run's, every output the command line's bytes, and every tile or result that does not fit
refused with ValueError."""

import os
import subprocess
import sys
import warnings

import numpy as np
import pytest

import meshprobe
from conftest import BINARY, EXAMPLES_DIR, bumpy_grid, value_file_of, write_off

pytestmark = pytest.mark.e2e


def same_bits(a, b):
    return np.asarray(a).tobytes() == np.asarray(b).tobytes()


@pytest.fixture(scope="module")
def finned(tmp_path_factory):
    """A grid with a third facet on some edges: the surface leaves facets out."""
    points, faces = bumpy_grid(size=30, unused=0)
    extra = [points[f[:2]].mean(axis=0) + [0, 0, 0.2] for f in faces[5::97]]
    fins = [[f[0], f[1], len(points) + k] for k, f in enumerate(faces[5::97])]
    path = tmp_path_factory.mktemp("finned") / "finned.off"
    write_off(path, np.vstack([points, extra]).astype(np.float32), np.vstack([faces, fins]))
    return path


@pytest.mark.parametrize("name, tiles, length", [
    ("grid.obj", 3, None),     # vertices no facet uses
    ("grid.off", 7, 2.5),      # a given length
    ("bunny.off", 1, None),
    pytest.param("bunny.obj", 40, None, marks=pytest.mark.slow),  # more than are worth cutting
])
def test_tiles_give_the_untiled_values(meshes, name, tiles, length):
    whole = meshprobe.roughness_of_file(meshes / name, [0.01, 0.03], length=length)
    tiled = meshprobe.roughness_of_file(meshes / name, [0.01, 0.03], length=length, tiles=tiles)
    assert same_bits(whole, tiled)


def test_facets_left_out_are_the_whole_meshs(finned):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        whole = meshprobe.measure_file(finned, 0.02)
        tiled = meshprobe.measure_file_in_tiles(finned, 0.02, tiles=4)
    assert [str(w.message) for w in caught[:1]] == [str(w.message) for w in caught[1:]]
    assert "left out" in str(caught[0].message)
    assert same_bits(whole["values"], tiled["values"])
    assert whole["summary_row"].split(",")[:-3] == tiled["summary_row"].split(",")[:-3]


def test_outputs_are_the_command_lines_bytes(meshes, tmp_path):
    (tmp_path / "grid.obj").write_bytes((meshes / "grid.obj").read_bytes())
    cli = value_file_of(tmp_path / "grid.obj", 0.01)
    subprocess.run([BINARY, "-q", "--png=%s" % (tmp_path / "cli.png"), "-o", str(tmp_path / "x.lb"),
                    str(tmp_path / "grid.obj"), "0.01"], check=True, timeout=120)
    meshprobe.measure_file_in_tiles(tmp_path / "grid.obj", 0.01, tiles=5,
                                    values=tmp_path / "t.lb", png=tmp_path / "t.png")
    assert (tmp_path / "t.lb").read_bytes() == cli
    assert (tmp_path / "t.png").read_bytes() == (tmp_path / "cli.png").read_bytes()


@pytest.mark.parametrize("entry", [meshprobe.measure_file, meshprobe.measure_file_in_tiles])
def test_a_scratch_folder_that_cannot_be_used_is_named_and_nothing_is_written(
        meshes, tmp_path, monkeypatch, entry):
    missing = tmp_path / "missing"
    monkeypatch.setenv("TMPDIR", str(missing))
    with pytest.raises(ValueError, match="cannot create a scratch file in %s" % missing):
        entry(meshes / "grid.off", 0.01, tiles=3, values=tmp_path / "v.lb")
    assert not (tmp_path / "v.lb").exists()
    # The untiled run needs no scratch file.
    assert len(meshprobe.measure_file(meshes / "grid.off", 0.01)["values"]) > 0


@pytest.mark.slow
def test_a_two_worker_cluster_gives_the_command_lines_values(meshes, finned):
    from dask.distributed import Client, LocalCluster

    with LocalCluster(n_workers=2, threads_per_worker=1,
                      **meshprobe.local_cluster_options()) as cluster, Client(cluster) as client:
        for mesh, tiles in ((meshes / "bunny.off", 4), (finned, 3)):
            with warnings.catch_warnings():
                warnings.simplefilter("ignore", meshprobe.FacetsLeftOutWarning)
                whole = meshprobe.measure_file(mesh, 0.01)
                tiled = meshprobe.measure_file_in_tiles(mesh, 0.01, tiles=tiles, client=client,
                                                        threads=1)
            assert same_bits(whole["values"], tiled["values"]), mesh


class HeldTiles:
    """A handler as a cluster is one: up to `room` tiles in flight, results handed back last sent
    first or first sent first; `fail_after` results in, next_result raises."""

    def __init__(self, room, last_first, fail_after=None):
        self.room_, self.last_first, self.fail_after = room, last_first, fail_after
        self.held, self.stages, self.handed = [], [], 0

    def room(self):
        return self.room_ - len(self.held)

    def send(self, t, tile, stage):
        self.stages.append(stage)
        self.held.append((t, tile, stage))

    def busy(self):
        return bool(self.held)

    def next_result(self):
        if self.handed == self.fail_after:
            raise RuntimeError("the worker died")
        self.handed += 1
        t, tile, stage = self.held.pop(-1 if self.last_first else 0)
        work = meshprobe.connect_tile if stage == "connecting" else meshprobe.measure_tile
        return t, work(tile)

    def cancel(self):
        self.held.clear()


@pytest.mark.parametrize("mesh, tiles, room, last_first", [
    ("bunny.off", 4, 1, False),
    ("bunny.off", 5, 3, True),
    ("finned", 4, 8, True),   # the plan starts connecting over: the tiles in flight are dropped
])
def test_the_plans_loop_takes_results_in_any_order(meshes, finned, mesh, tiles, room, last_first):
    path = finned if mesh == "finned" else meshes / mesh
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", meshprobe.FacetsLeftOutWarning)
        whole = meshprobe.measure_file(path, [0.01, 0.02])
        plan = meshprobe.TilePlan(path, [0.01, 0.02], tiles=tiles)
        shown = []
        handler = HeldTiles(room, last_first)
        tiled = meshprobe._core._run_tile_stages(plan, handler, progress=lambda stage, share:
                                                 shown.append(stage))
    for w, t in zip(whole, tiled):
        assert same_bits(w["values"], t["values"])
    assert [s for k, s in enumerate(shown) if k == 0 or shown[k - 1] != s] == [
        "connecting", "smoothing", "measuring"]
    assert set(handler.stages) == {"connecting", "measuring"}
    if mesh == "finned":  # every tile connected again once the facets are decided whole
        assert handler.stages.count("connecting") >= 2 * plan.tile_count
    assert plan.stage == "done"


def test_what_a_handler_raises_reaches_the_caller_and_a_plan_runs_once(meshes):
    plan = meshprobe.TilePlan(meshes / "bunny.off", 0.01, tiles=2)
    with pytest.raises(RuntimeError, match="the worker died"):
        meshprobe._core._run_tile_stages(plan, HeldTiles(2, False, fail_after=3))
    assert plan.stage == "measuring"
    with pytest.raises(ValueError, match="from its first stage, not while measuring"):
        meshprobe.run_tile_plan(plan)


def run_example(*arguments):
    return subprocess.run([sys.executable, str(EXAMPLES_DIR / "roughness_tiles_dask.py"),
                           *arguments], capture_output=True, text=True, timeout=300,
                          env=dict(os.environ))


@pytest.mark.slow
def test_example_writes_the_command_lines_value_file(meshes, tmp_path):
    (tmp_path / "grid.off").write_bytes((meshes / "grid.off").read_bytes())
    cli = value_file_of(tmp_path / "grid.off", 0.02)
    run = run_example(str(tmp_path / "grid.off"), "0.02", "--tiles", "4", "--workers", "2",
                      "-o", str(tmp_path / "tiles.lb"))
    assert run.returncode == 0, run.stderr
    assert (tmp_path / "tiles.lb").read_bytes() == cli


@pytest.mark.parametrize("arguments, status, words", [
    (["MESH", "abc", "--tiles", "2"], 2, 'epsilon must be a number greater than 0, not "abc"'),
    (["MESH", "0.01", "--tiles", "0"], 2, 'tiles must be a whole number from 1 to 4096, not "0"'),
    (["MESH", "0.01", "--tiles", "2", "--workers", "0"], 2, "--workers must be at least 1"),
    (["MISSING", "0.01", "--tiles", "2"], 1, "No such file or directory"),
])
def test_example_refuses_before_any_cluster_starts(meshes, tmp_path, arguments, status, words):
    paths = {"MESH": str(meshes / "grid.off"), "MISSING": str(tmp_path / "missing.off")}
    run = run_example(*[paths.get(a, a) for a in arguments], "-o", str(tmp_path / "out.lb"))
    assert run.returncode == status
    assert words in run.stderr and run.stderr.count("\n") == 1
    assert not (tmp_path / "out.lb").exists()


@pytest.mark.parametrize("key, spoil", [
    ("corners", lambda tile: tile["corners"] + 10**6),
    ("starts", lambda tile: tile["starts"][:-1]),
    ("core", lambda tile: np.append(tile["core"], len(tile["points"]))),
    ("facets_in_whole", lambda tile: tile["facets_in_whole"][1:]),
    ("epsilons", lambda tile: [("0", 0.0)]),
    ("points", None),
])
def test_a_tile_that_does_not_fit_is_refused(meshes, key, spoil):
    plan = meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=3)
    tile = plan.tile(0)
    if spoil is None:
        del tile[key]
    else:
        tile[key] = spoil(tile)
    with pytest.raises(ValueError):
        meshprobe.connect_tile(tile)


def test_the_plan_refuses_what_comes_out_of_order(meshes):
    plan = meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2)
    for call in (plan.smooth, plan.finish):
        with pytest.raises(ValueError, match="not while connecting"):
            call()
    result = meshprobe.connect_tile(plan.tile(0))
    result["first_incoming"] = result["first_incoming"][:-1]
    with pytest.raises(ValueError, match="does not match the tile"):
        plan.accept(0, result)


def test_tiles_smaller_than_their_margin_are_fewer_with_a_warning(meshes):
    with pytest.warns(UserWarning, match=r"bunny.off: \d+ tiles used of the 4096 asked"):
        tiled = meshprobe.roughness_of_file(meshes / "bunny.off", 0.01, tiles=4096)
    assert same_bits(tiled, meshprobe.roughness_of_file(meshes / "bunny.off", 0.01))
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        meshprobe.roughness_of_file(meshes / "bunny.off", 0.01, tiles=2)


def connected_plan(meshes):
    plan = meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2)
    for t in plan.tiles_to_do():
        assert plan.accept(t, meshprobe.connect_tile(plan.tile(t))) == "accepted"
    plan.smooth()
    return plan


# What a scheduler may mix up: tile 0's result handed over as tile 1's (the two cores are of one
# size, so every list fits), another plan's result for the same tile of the same file, a result
# of the stage before, one whose key is gone or altered.
MIX_UPS = {
    "connecting: tile 0 as tile 1": (
        lambda meshes: meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2),
        lambda plan, other: meshprobe.connect_tile(plan.tile(0)), "of tile 0, not of tile 1"),
    "connecting: another plan's": (
        lambda meshes: meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2),
        lambda plan, other: meshprobe.connect_tile(other.tile(1)), "another plan"),
    "connecting: no key": (
        lambda meshes: meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2),
        lambda plan, other: {k: v for k, v in meshprobe.connect_tile(plan.tile(1)).items()
                             if k != "key"}, 'no "key"'),
    "measuring: tile 0 as tile 1": (
        connected_plan, lambda plan, other: meshprobe.measure_tile(plan.tile(0)),
        "of tile 0, not of tile 1"),
    "measuring: another plan's": (
        connected_plan, lambda plan, other: meshprobe.measure_tile(other.tile(1)),
        "another plan"),
    "measuring: a connecting result": (
        connected_plan, lambda plan, other: meshprobe.connect_tile(plan.tile(1)), 'no "inexact"'),
    "measuring: the vertex count altered": (
        connected_plan,
        lambda plan, other: dict(meshprobe.measure_tile(plan.tile(1)),
                                 key=plan.tile(1)["key"] + np.array([0, 0, 0, 1], np.uint64)),
        "vertices, not"),
}


@pytest.mark.parametrize("make_plan, mixed_up, message", MIX_UPS.values(), ids=MIX_UPS.keys())
def test_a_result_that_is_not_the_awaited_one_is_refused(meshes, make_plan, mixed_up, message):
    plan, other = make_plan(meshes), make_plan(meshes)
    result = mixed_up(plan, other)
    before = plan.tile(1)
    assert len(before["core"]) == len(plan.tile(0)["core"])
    with pytest.raises(ValueError, match=message):
        plan.accept(1, result)
    with pytest.raises(ValueError):
        plan.finish()


def test_plan_results_carry_the_tiles_key_through_pickling(meshes):
    import pickle

    plan = meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2)
    for t in plan.tiles_to_do():
        result = pickle.loads(pickle.dumps(meshprobe.connect_tile(pickle.loads(
            pickle.dumps(plan.tile(t))))))
        assert same_bits(result["key"], plan.tile(t)["key"])
        assert plan.accept(t, result) == "accepted"


@pytest.mark.parametrize("tiles", [0, 4097, True, 2.5, "3", np.int64(0), np.float64(2)])
def test_tiles_must_be_a_whole_number_in_range(meshes, tiles):
    with pytest.raises(ValueError, match="tiles must be a whole number from 1 to 4096"):
        meshprobe.measure_file(meshes / "bunny.off", 0.01, tiles=tiles)


def unaligned(array):
    """The same values in a buffer one byte off any alignment, as an unpickled array may lie."""
    raw = np.zeros(array.nbytes + 1, dtype=np.uint8)
    raw[1:] = np.frombuffer(np.ascontiguousarray(array).tobytes(), dtype=np.uint8)
    return np.frombuffer(raw.data, dtype=array.dtype, offset=1).reshape(array.shape)


def test_arrays_at_any_address_are_read_as_aligned_ones(meshes):
    plan = meshprobe.TilePlan(meshes / "grid.off", 0.01, tiles=2)
    tile = plan.tile(0)
    moved = {k: unaligned(v) if isinstance(v, np.ndarray) else v for k, v in tile.items()}
    assert not moved["points"].flags.aligned
    expected = meshprobe.connect_tile(tile)
    result = meshprobe.connect_tile(moved)
    assert all(same_bits(result[k], expected[k]) for k in ("first_incoming", "source"))
    points, faces = bumpy_grid()
    assert same_bits(meshprobe.roughness(unaligned(points), unaligned(faces), 0.01),
                     meshprobe.roughness(points, faces, 0.01))
