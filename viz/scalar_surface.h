// A surface carrying one value per vertex, in the plain form the renderer draws: positions
// (normalised units), polygons as vertex indices, and one value per vertex, all in vertex order.
#pragma once

#include <vector>

#include "mesh/mesh.h"
#include "mesh/polygon_builder.h"

namespace meshprobe {

struct ScalarSurface {
  std::vector<Vec3f> points;      // per vertex
  std::vector<Polygon> polygons;  // per facet, corners in boundary order
  std::vector<float> values;      // per vertex
};

}  // namespace meshprobe
