// The smoothing stage of a tiled run, over the whole mesh at once: the smoothed copy needs nothing
// but the halfedge orders and the positions (about 80 bytes a vertex), and a tile could hold it
// exactly only with a margin of some 150 rings (an umbrella pass reads one ring, and there are
// 140).
#pragma once

#include <vector>

#include "io/read_status.h"
#include "measure/measurement.h"
#include "measure/tile_connecting.h"
#include "measure/tile_geometry.h"
#include "roughness/progress.h"

namespace meshprobe {

// What the smoothing gives the measuring stage: per epsilon, per mesh vertex, the copy's
// position (normalised units).
struct SmoothedCopies {
  ReadStatus status;  // fails when the orders could not be read back
  std::vector<std::vector<Vec3f>> copies;
};

// Gathers every core's halfedge orders (`orders`, which it empties) into one view of the whole
// mesh and smooths a copy of its points for each epsilon, as the whole mesh's run does. The
// progress is shared equally between the epsilons; what it throws goes on to the caller.
SmoothedCopies smooth_copies(const TileGeometry& geometry, HalfedgeOrders&& orders,
                             const std::vector<Epsilon>& epsilons, const Progress& progress);

}  // namespace meshprobe
