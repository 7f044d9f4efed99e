#include "measure/tile_merging.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "measure/roughness_statistics.h"

namespace meshprobe {

void start_values(MeshMeasurement& result, const TilingSurface& surface,
                  const MeasureOptions& options, const std::vector<std::vector<Vec3f>>& copies) {
  const std::size_t n = surface.points.size();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (options.keep_fields || options.keep_surface) result.positions = surface.points;
  if (options.keep_fields) {
    result.kmin.assign(n, 0.0);
    result.kmax.assign(n, 0.0);
  }
  result.epsilons.clear();
  for (std::size_t e = 0; e < options.epsilons.size(); ++e) {
    EpsilonMeasurement measured;
    measured.epsilon = options.epsilons[e];
    measured.roughness.assign(n, 0.0f);
    if (options.keep_fields) {
      measured.fields.local_curvature.assign(n, nan);
      measured.fields.smoothed_positions = copies[e];
      measured.fields.smoothed_kmin.assign(n, 0.0);
      measured.fields.smoothed_kmax.assign(n, 0.0);
      measured.fields.smoothed_local_curvature.assign(n, nan);
    }
    result.epsilons.push_back(std::move(measured));
  }
}

void merge_tile(MeshMeasurement& result, const std::vector<std::uint32_t>& core,
                const TileMeasurement& measured, bool keep_fields) {
  for (std::size_t e = 0; e < measured.epsilons.size(); ++e) {
    const TileRoughness& tile = measured.epsilons[e];
    EpsilonMeasurement& whole = result.epsilons[e];
    for (std::size_t k = 0; k < core.size(); ++k)
      whole.roughness[core[k]] = tile.roughness[k];
    if (!keep_fields) continue;
    const RoughnessFields& from = tile.fields;
    RoughnessFields& to = whole.fields;
    for (std::size_t k = 0; k < core.size(); ++k) {
      const std::uint32_t v = core[k];
      if (e == 0) {
        result.kmin[v] = from.kmin[k];
        result.kmax[v] = from.kmax[k];
      }
      to.local_curvature[v] = from.local_curvature[k];
      to.smoothed_kmin[v] = from.smoothed_kmin[k];
      to.smoothed_kmax[v] = from.smoothed_kmax[k];
      to.smoothed_local_curvature[v] = from.smoothed_local_curvature[k];
    }
  }
}

void finish_values(MeshMeasurement& result, const TilingSurface& surface,
                   const MeasureOptions& options, std::chrono::steady_clock::time_point started) {
  if (result.status.ok && options.keep_surface) {
    result.surface_polygons.reserve(surface.facets.size());
    const ReadStatus status =
        surface.facets.for_each([&](std::size_t, const VertexIndex* corners, std::size_t degree) {
          result.surface_polygons.emplace_back(corners, corners + degree);
        });
    if (!status.ok) {
      result.status = status;
      result.read = true;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() /
      static_cast<double>(std::max<std::size_t>(1, result.epsilons.size()));
  for (EpsilonMeasurement& e : result.epsilons) {
    e.statistics = roughness_statistics(e.roughness, result.measured);
    e.seconds = seconds;
  }
}

}  // namespace meshprobe
