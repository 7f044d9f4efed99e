#include "measure/tile_partition.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace meshprobe {

namespace {

struct Box {
  Vec3f low;
  Vec3f high;
};

template <class Vertices>
Box box_of(const std::vector<Vec3f>& points, const Vertices& vertices) {
  Box box{points[vertices.front()], points[vertices.front()]};
  for (const std::uint32_t v : vertices) {
    const Vec3f& p = points[v];
    box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
    box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y), std::max(box.high.z, p.z)};
  }
  return box;
}

float coordinate(const Vec3f& p, int axis) {
  return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

bool inside(const Vec3f& p, const Box& box, double margin) {
  for (int axis = 0; axis < 3; ++axis) {
    const double c = coordinate(p, axis);
    if (c < coordinate(box.low, axis) - margin || c > coordinate(box.high, axis) + margin)
      return false;
  }
  return true;
}

}  // namespace

ReadStatus count_facets(TilingSurface& surface) {
  surface.facets_at.assign(surface.points.size(), 0);
  double length = 0.0;
  std::size_t sides = 0;
  const ReadStatus status =
      surface.facets.for_each([&](std::size_t, const VertexIndex* corners, std::size_t degree) {
        for (std::size_t k = 0; k < degree; ++k) {
          const VertexIndex a = corners[k];
          const VertexIndex b = corners[(k + 1) % degree];
          ++surface.facets_at[a];
          const Vec3f& p = surface.points[a];
          const Vec3f& q = surface.points[b];
          const double dx = static_cast<double>(p.x) - q.x;
          const double dy = static_cast<double>(p.y) - q.y;
          const double dz = static_cast<double>(p.z) - q.z;
          length += std::sqrt(dx * dx + dy * dy + dz * dz);
          ++sides;
        }
      });
  surface.mean_edge = sides == 0 ? 0.0 : length / static_cast<double>(sides);
  return status;
}

std::vector<std::vector<std::uint32_t>> split_into_cores(const TilingSurface& surface,
                                                         std::size_t tiles) {
  std::vector<std::uint32_t> used;
  for (std::uint32_t v = 0; v < surface.facets_at.size(); ++v)
    if (surface.facets_at[v] > 0) used.push_back(v);
  std::vector<std::vector<std::uint32_t>> cores;
  if (used.empty()) return cores;
  tiles = std::max<std::size_t>(1, std::min(tiles, used.size()));
  const std::vector<Vec3f>& points = surface.points;
  // Halves [first, last) into `parts` cores: the longest side of its box is cut where the
  // share of the parts on the lower side falls, ties by vertex place so the cut is repeatable.
  const std::function<void(std::size_t, std::size_t, std::size_t)> split =
      [&](std::size_t first, std::size_t last, std::size_t parts) {
        if (parts == 1) {
          std::vector<std::uint32_t> core(used.begin() + static_cast<std::ptrdiff_t>(first),
                                          used.begin() + static_cast<std::ptrdiff_t>(last));
          std::sort(core.begin(), core.end());
          cores.push_back(std::move(core));
          return;
        }
        const Box box = box_of(
            points, std::vector<std::uint32_t>(used.begin() + static_cast<std::ptrdiff_t>(first),
                                               used.begin() + static_cast<std::ptrdiff_t>(last)));
        int axis = 0;
        for (int a = 1; a < 3; ++a) {
          if (coordinate(box.high, a) - coordinate(box.low, a) >
              coordinate(box.high, axis) - coordinate(box.low, axis))
            axis = a;
        }
        const std::size_t lower = parts / 2;
        const std::size_t middle = first + (last - first) * lower / parts;
        std::nth_element(used.begin() + static_cast<std::ptrdiff_t>(first),
                         used.begin() + static_cast<std::ptrdiff_t>(middle),
                         used.begin() + static_cast<std::ptrdiff_t>(last),
                         [&](std::uint32_t a, std::uint32_t b) {
                           const float ca = coordinate(points[a], axis);
                           const float cb = coordinate(points[b], axis);
                           return ca < cb || (ca == cb && a < b);
                         });
        split(first, middle, lower);
        split(middle, last, parts - lower);
      };
  split(0, used.size(), tiles);
  return cores;
}

ReadStatus cut_tile(const TilingSurface& surface, const std::vector<std::uint32_t>& core,
                    double halo, std::vector<std::uint32_t>& scratch, TileLists& tile,
                    const std::vector<std::vector<Vec3f>>& copies) {
  tile = TileLists{};
  if (core.empty()) return ReadStatus{};
  const Box box = box_of(surface.points, core);
  // The copies' walks go as far about the core's copied positions.
  std::vector<Box> copy_boxes;
  for (const std::vector<Vec3f>& copy : copies)
    copy_boxes.push_back(box_of(copy, core));
  const auto near_core = [&](VertexIndex v) {
    if (inside(surface.points[v], box, halo)) return true;
    for (std::size_t k = 0; k < copies.size(); ++k)
      if (inside(copies[k][v], copy_boxes[k], halo)) return true;
    return false;
  };
  // The core's own facets always belong to the tile, whatever the halo.
  constexpr std::uint32_t kCore = 1;
  constexpr std::uint32_t kInTile = 0;
  for (const std::uint32_t v : core)
    scratch[v] = kCore;
  // A facet belongs to the tile when a corner lies in the halo; its other corners come with it.
  // Its corners are kept as mesh places until the tile's vertices are numbered.
  const ReadStatus status =
      surface.facets.for_each([&](std::size_t, const VertexIndex* corners, std::size_t degree) {
        bool taken = false;
        for (std::size_t c = 0; c < degree && !taken; ++c)
          taken = scratch[corners[c]] == kCore || near_core(corners[c]);
        if (!taken) return;
        for (std::size_t c = 0; c < degree; ++c) {
          if (scratch[corners[c]] != kCore) scratch[corners[c]] = kInTile;
          tile.facets.corners.push_back(corners[c]);
        }
        tile.facets.end_facet();
      });
  for (std::uint32_t v = 0; v < scratch.size(); ++v) {
    if (scratch[v] == kNoTileVertex) continue;
    scratch[v] = static_cast<std::uint32_t>(tile.mesh_vertex.size());
    tile.mesh_vertex.push_back(v);
    tile.points.push_back(surface.points[v]);
    tile.facets_in_whole.push_back(surface.facets_at[v]);
  }
  for (VertexIndex& c : tile.facets.corners)
    c = scratch[c];
  tile.core.reserve(core.size());
  for (const std::uint32_t v : core)
    tile.core.push_back(scratch[v]);
  for (const std::uint32_t v : tile.mesh_vertex)
    scratch[v] = kNoTileVertex;
  if (!status.ok) tile = TileLists{};
  return status;
}

bool tile_holds_everything(const TilingSurface& surface, const std::vector<std::uint32_t>& core,
                           double halo) {
  if (core.empty()) return true;
  const Box box = box_of(surface.points, core);
  for (const Vec3f& p : surface.points)
    if (!inside(p, box, halo)) return false;
  return true;
}

}  // namespace meshprobe
