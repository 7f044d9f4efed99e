#include "measure/tile_geometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "roughness/curvature_tensor.h"
#include "roughness/roughness_steps.h"

namespace meshprobe {

namespace {

// The connecting stage's halo, in mean facet sides: a core vertex's facets all come with the tile
// anyway; the margin keeps the builder from leaving one of them out for a neighbour's partial fan.
constexpr double kConnectingSides = 3.0;
// The measuring stage's halo beyond the averaging and curvature radii, in mean facet sides: the
// walks' last edges reach one side past their spheres, and the facets read there one more.
constexpr double kMeasuringSides = 4.0;
// A tile that fell short is cut again with its halo this many times wider, and at least this
// wide (normalised units), so that a halo of 0 (a mesh whose facets' sides all have length 0)
// grows too.
constexpr double kHaloGrowth = 2.0;
constexpr double kNarrowestGrownHalo = 1.0 / 1024.0;
// A tile pays for its margin when its core is at least this many times as wide as the measuring
// stage's halo: the tile then holds at most (1 + 2 / 2)^2 = 4 times its core's vertices on a
// surface. Asked for smaller tiles, the plan cuts fewer (a 23k-vertex mesh in 4096 tiles took a
// hundred times the untiled run, nearly all of it in the margins).
constexpr double kCoreWidthsPerHalo = 2.0;

}  // namespace

TileGeometry::TileGeometry(TilingSurface&& surface, const MeasureOptions& options)
    : surface_(std::move(surface)) {
  for (const Epsilon& epsilon : options.epsilons)
    largest_epsilon_ = std::max(largest_epsilon_, epsilon.value);
  cores_ = split_into_cores(surface_, tiles_worth_cutting(options.tiles, options.every_tile_asked));
  halos_.assign(cores_.size(), kConnectingSides * surface_.mean_edge);
  scratch_.assign(surface_.points.size(), kNoTileVertex);
}

double TileGeometry::measuring_halo() const {
  return averaging_radius(largest_epsilon_) + kCurvatureRadius +
         kMeasuringSides * surface_.mean_edge;
}

void TileGeometry::use_measuring_halos() {
  halos_.assign(cores_.size(), measuring_halo());
}

std::size_t TileGeometry::tiles_worth_cutting(std::size_t asked, bool every_tile_asked) const {
  asked = std::max<std::size_t>(1, asked);
  if (every_tile_asked || !(surface_.mean_edge > 0.0)) return asked;
  std::size_t used = 0;
  for (const std::uint32_t facets : surface_.facets_at)
    used += facets > 0 ? 1 : 0;
  // A core of k vertices on a surface spans about sqrt(k) facet sides.
  const double sides = kCoreWidthsPerHalo * measuring_halo() / surface_.mean_edge;
  const double least = std::max(1.0, sides * sides);
  const double worth = std::floor(static_cast<double>(used) / least);
  return worth < static_cast<double>(asked)
             ? std::max<std::size_t>(1, static_cast<std::size_t>(worth))
             : asked;
}

ReadStatus TileGeometry::cut(std::size_t t, const std::vector<std::vector<Vec3f>>& copies,
                             TileLists& tile) {
  const ReadStatus status = cut_tile(surface_, cores_[t], halos_[t], scratch_, tile, copies);
  if (!status.ok) return status;
  for (const std::vector<Vec3f>& copy : copies) {
    std::vector<Vec3f> at_tile;
    at_tile.reserve(tile.mesh_vertex.size());
    for (const std::uint32_t v : tile.mesh_vertex)
      at_tile.push_back(copy[v]);
    tile.copies.push_back(std::move(at_tile));
  }
  return status;
}

bool TileGeometry::widen(std::size_t t) {
  if (tile_holds_everything(surface_, cores_[t], halos_[t])) return false;
  halos_[t] = std::max(halos_[t] * kHaloGrowth, kNarrowestGrownHalo);
  return true;
}

}  // namespace meshprobe
