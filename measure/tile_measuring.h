// The measuring stage of a tiled run: per tile, with a halo of what the curvature and averaging
// walks reach, the values of the core, each proven exact or the tile cut again with a wider halo.
#pragma once

#include <cstddef>
#include <vector>

#include "measure/measurement.h"
#include "measure/tile_partition.h"
#include "roughness/surface_analyzer.h"
#include "roughness/tile_analyzer.h"

namespace meshprobe {

// One tile's result: its core at every epsilon, in their order.
struct TileMeasurement {
  TileKey key;  // the tile's, as it came
  bool facets_fit = true;
  std::vector<TileRoughness> epsilons;
  std::size_t inexact = 0;  // core values, over all epsilons, that may not be the whole mesh's
};

// Builds the tile's surface and measures its core at every epsilon (the tile carries the
// copies). Reports as SurfaceAnalyzer::measure does.
TileMeasurement measure_tile(const TileLists& tile, const std::vector<Epsilon>& epsilons,
                             bool keep_fields, const StepProgress& progress = {});

// Whether a complete result (facets fit, every value exact) holds `epsilons` values, and the
// fields when `keep_fields`, for each vertex of a core of `core_size`: results may come from
// elsewhere (a cluster's worker).
bool measurement_fits(const TileMeasurement& measured, std::size_t core_size, std::size_t epsilons,
                      bool keep_fields);

}  // namespace meshprobe
