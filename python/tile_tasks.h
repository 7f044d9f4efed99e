// The Python module's tiles: meshprobe._core.TilePlan reads a mesh file and cuts it into tiles on
// the client, connect_tile and measure_tile handle one tile anywhere (a Dask worker, say), and
// the plan takes their results and writes the outputs. Tiles and results travel as dicts of
// numpy arrays, which pickle; every one that comes back is checked before it is used.
#pragma once

#include <pybind11/pybind11.h>

namespace meshprobe {

// Adds TilePlan, connect_tile and measure_tile to the module, and _run_tile_stages, which takes a
// plan through the core's one loop (measure/tile_loop.h) with the tiles handled here or by a
// Python handler (the package's Dask one).
void add_tile_tasks(pybind11::module_& module);

}  // namespace meshprobe
