// The plan of a tiled run's geometry: which vertices each tile owns (its core), and the margin
// (halo) each tile is cut with, growing where a tile fell short. In: the whole surface (normalised
// points, its facets in a scratch store, counted per vertex) and the options. Out: each tile's
// lists at its halo. It knows nothing of stages or results; the run of the stages (tiles.h) asks
// it for tiles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/read_status.h"
#include "measure/measurement.h"
#include "measure/tile_partition.h"
#include "mesh/mesh.h"

namespace meshprobe {

class TileGeometry {
 public:
  // No tiles: the geometry of a run whose reading failed.
  TileGeometry() = default;

  // Splits the surface's used vertices into at most options.tiles cores, fewer where a core
  // would be narrower than twice the measuring margin (unless options.every_tile_asked); every
  // halo starts at the connecting margin, a few facet sides.
  TileGeometry(TilingSurface&& surface, const MeasureOptions& options);

  std::size_t tile_count() const { return cores_.size(); }
  const std::vector<std::uint32_t>& core(std::size_t t) const { return cores_[t]; }
  const TilingSurface& surface() const { return surface_; }
  // The surface, for a geometry cut anew from it (its facets decided for the whole mesh).
  TilingSurface take_surface() && { return std::move(surface_); }

  // Every halo to the measuring margin: what the averaging and curvature walks about a core
  // reach at the largest epsilon (normalised units), and a few facet sides more.
  void use_measuring_halos();

  // Tile t at its halo, carrying `copies` (per epsilon, per mesh vertex; empty while connecting)
  // for its vertices; the halo also reaches what the walks about the core reach in each copy.
  // Fails only when the facets cannot be read back.
  ReadStatus cut(std::size_t t, const std::vector<std::vector<Vec3f>>& copies, TileLists& tile);

  // Widens tile t's halo after it fell short; false when the halo already reached past the
  // mesh's box, so that no wider one can help.
  bool widen(std::size_t t);

 private:
  double measuring_halo() const;
  std::size_t tiles_worth_cutting(std::size_t asked, bool every_tile_asked) const;

  TilingSurface surface_;
  float largest_epsilon_ = 0.0f;
  std::vector<std::vector<std::uint32_t>> cores_;
  std::vector<double> halos_;
  std::vector<std::uint32_t> scratch_;  // per mesh vertex, kNoTileVertex between cuts
};

}  // namespace meshprobe
