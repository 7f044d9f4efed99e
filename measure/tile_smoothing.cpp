#include "measure/tile_smoothing.h"

#include <cstdint>
#include <utility>

#include "roughness/copy_smoothing.h"
#include "roughness/surface_view.h"

namespace meshprobe {

SmoothedCopies smooth_copies(const TileGeometry& geometry, HalfedgeOrders&& orders,
                             const std::vector<Epsilon>& epsilons, const Progress& progress) {
  SmoothedCopies smoothed;
  const std::vector<Vec3f>& points = geometry.surface().points;
  const std::size_t n = points.size();
  // The whole mesh's halfedge orders, gathered from the tiles' cores into one flat view whose
  // vertices go along a space-filling curve, as the whole mesh's run numbers them: walks then
  // touch memory that lies close together. No result depends on the numbering.
  SurfaceView view;
  view.mesh_place = locality_order(points);
  view.view_place.resize(n);
  for (std::uint32_t v = 0; v < n; ++v)
    view.view_place[view.mesh_place[v]] = v;
  view.first_incoming.assign(n + 1, 0);
  std::vector<std::uint32_t> first;
  std::vector<std::uint32_t> source;
  for (std::size_t t = 0; t < geometry.tile_count(); ++t) {
    const std::vector<std::uint32_t>& core = geometry.core(t);
    smoothed.status = orders.read(t, core.size(), first, source);
    if (!smoothed.status.ok) return smoothed;
    for (std::size_t k = 0; k < core.size(); ++k)
      view.first_incoming[view.view_place[core[k]] + 1] = first[k + 1] - first[k];
  }
  for (std::size_t v = 0; v < n; ++v)
    view.first_incoming[v + 1] += view.first_incoming[v];
  view.source.resize(view.first_incoming[n]);
  for (std::size_t t = 0; t < geometry.tile_count(); ++t) {
    const std::vector<std::uint32_t>& core = geometry.core(t);
    smoothed.status = orders.read(t, core.size(), first, source);
    if (!smoothed.status.ok) return smoothed;
    for (std::size_t k = 0; k < core.size(); ++k) {
      std::uint32_t slot = view.first_incoming[view.view_place[core[k]]];
      for (std::uint32_t s = first[k]; s < first[k + 1]; ++s)
        view.source[slot++] = view.view_place[source[s]];
    }
  }
  orders = HalfedgeOrders();
  first = std::vector<std::uint32_t>();
  source = std::vector<std::uint32_t>();
  for (std::size_t e = 0; e < epsilons.size(); ++e) {
    view.positions.resize(n);
    for (std::uint32_t v = 0; v < n; ++v)
      view.positions[v] = points[view.mesh_place[v]];
    const Progress part =
        !progress ? Progress() : Progress([&](std::size_t done, std::size_t total) {
          progress(e * total + done, epsilons.size() * total);
        });
    smooth_copy(view, static_cast<double>(epsilons[e].value), part);
    std::vector<Vec3f> copy(n);
    for (std::uint32_t v = 0; v < n; ++v)
      copy[view.mesh_place[v]] = view.positions[v];
    smoothed.copies.push_back(std::move(copy));
  }
  return smoothed;
}

}  // namespace meshprobe
