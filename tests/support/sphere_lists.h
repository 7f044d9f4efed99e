// The icosphere's points and triangles, without a test framework, so that the benchmarks build
// the very mesh the tests build.
#pragma once

#include <vector>

#include "mesh/mesh.h"
#include "mesh/polygon_builder.h"

namespace meshprobe::testing {

struct PolygonLists {
  std::vector<Vec3f> points;
  std::vector<Polygon> polygons;
};

// Icosahedron subdivided `levels` times, every vertex projected on the sphere of the given
// radius about the origin; outward triangles. levels = 4 gives 2562 vertices.
PolygonLists icosphere_lists(int levels, float radius);

}  // namespace meshprobe::testing
