// The last step of a tiled run: every tile's values placed at its core's vertices, in the
// measurement that measure_mesh_file gives for the whole mesh, and the statistics over them.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "measure/measurement.h"
#include "measure/tile_measuring.h"
#include "measure/tile_partition.h"

namespace meshprobe {

// Makes the per-vertex arrays of every epsilon, each vertex starting as a vertex without facets
// ends in the whole mesh's run: no samples, so no average (NaN) and a roughness of 0, no
// curvature; the smoothed positions are the copies (per epsilon, per mesh vertex).
void start_values(MeshMeasurement& result, const TilingSurface& surface,
                  const MeasureOptions& options, const std::vector<std::vector<Vec3f>>& copies);

// Places a tile's values (complete and fitting its core) at the core's vertices (mesh places).
void merge_tile(MeshMeasurement& result, const std::vector<std::uint32_t>& core,
                const TileMeasurement& measured, bool keep_fields);

// Once every tile is merged: the surface's polygons when options.keep_surface, and per epsilon
// the statistics and the seconds, the run since `started` shared equally between the epsilons
// as an untiled run shares them. Fails (the status says so) when the facets cannot be read back.
void finish_values(MeshMeasurement& result, const TilingSurface& surface,
                   const MeasureOptions& options, std::chrono::steady_clock::time_point started);

}  // namespace meshprobe
