#include "roughness/walk_reach.h"

#include <algorithm>

namespace meshprobe {

namespace {

// The box is widened a little beyond the radius: whether a walk goes on from a vertex is decided
// by a rounded quadratic, which may take a vertex a few units in the last place outside the
// sphere for one inside it.
constexpr double kRoundingAllowance = 1e-6;

}  // namespace

std::vector<std::uint32_t> vertices_walks_can_read(const SurfaceView& view,
                                                   const std::vector<std::uint32_t>& starts,
                                                   double radius) {
  std::vector<std::uint32_t> read;
  if (starts.empty()) return read;
  const std::uint32_t n = view.vertex_count();
  double low[3] = {view.positions[starts.front()].x, view.positions[starts.front()].y,
                   view.positions[starts.front()].z};
  double high[3] = {low[0], low[1], low[2]};
  for (const std::uint32_t v : starts) {
    const double p[3] = {view.positions[v].x, view.positions[v].y, view.positions[v].z};
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], p[axis]);
      high[axis] = std::max(high[axis], p[axis]);
    }
  }
  const double margin = radius * (1.0 + kRoundingAllowance) + kRoundingAllowance;
  std::vector<std::uint8_t> marked(n, 0);
  for (std::uint32_t v = 0; v < n; ++v) {
    const double p[3] = {view.positions[v].x, view.positions[v].y, view.positions[v].z};
    bool inside = true;
    for (int axis = 0; axis < 3; ++axis)
      inside = inside && p[axis] >= low[axis] - margin && p[axis] <= high[axis] + margin;
    if (!inside) continue;
    marked[v] = 1;
    for (std::uint32_t slot = view.first_incoming[v]; slot < view.first_incoming[v + 1]; ++slot)
      marked[view.source[slot]] = 1;
  }
  for (std::uint32_t v = 0; v < n; ++v)
    if (marked[v] != 0) read.push_back(v);
  return read;
}

}  // namespace meshprobe
