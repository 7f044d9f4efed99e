#include "measure/tile_measuring.h"

#include <memory>

#include "measure/tile_connecting.h"
#include "mesh/normals.h"

namespace meshprobe {

TileMeasurement measure_tile(const TileLists& tile, const std::vector<Epsilon>& epsilons,
                             bool keep_fields, const StepProgress& progress) {
  TileMeasurement measured;
  measured.key = tile.key;
  std::unique_ptr<TileAnalyzer> analyzer;
  {
    // The surface goes once the analyser has its flat view: it is the larger part of a tile.
    auto mesh = std::make_unique<Mesh>();
    measured.facets_fit = build_tile(tile, *mesh);
    if (!measured.facets_fit) return measured;
    compute_normals(*mesh);
    analyzer = std::make_unique<TileAnalyzer>(*mesh, tile.facets_in_whole, tile.core, keep_fields);
  }
  for (std::size_t e = 0; e < epsilons.size(); ++e) {
    measured.epsilons.push_back(
        analyzer->measure(static_cast<double>(epsilons[e].value), tile.copies[e], progress));
    measured.inexact += measured.epsilons.back().inexact;
  }
  return measured;
}

bool measurement_fits(const TileMeasurement& measured, std::size_t core_size, std::size_t epsilons,
                      bool keep_fields) {
  bool fits = measured.epsilons.size() == epsilons;
  for (const TileRoughness& r : measured.epsilons) {
    const RoughnessFields& f = r.fields;
    fits = fits && r.roughness.size() == core_size;
    if (!keep_fields) continue;
    for (const std::vector<double>* field : {&f.kmin, &f.kmax, &f.local_curvature, &f.smoothed_kmin,
                                             &f.smoothed_kmax, &f.smoothed_local_curvature})
      fits = fits && field->size() == core_size;
  }
  return fits;
}

}  // namespace meshprobe
