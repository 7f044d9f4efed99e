// A surface carrying one value per vertex, in the plain form the renderer draws: positions,
// polygons as vertex indices, values. Goes in: a Mesh after the roughness run. Comes out: its
// points (normalised units), its facets as polygons and every vertex's roughness, in vertex order.
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

// The mesh's points and facets with `roughness`, one value per vertex in vertex order.
ScalarSurface roughness_surface(const Mesh& mesh, const std::vector<float>& roughness);

}  // namespace meshprobe
