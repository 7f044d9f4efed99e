// Builds a Mesh from a list of points and a list of polygons (corner indices counted from 0)
// through CGAL's incremental builder: vertices in list order, facets in list order, corners in
// the order given, which fixes each facet's orientation.
#pragma once

#include <cstdint>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe {

using Polygon = std::vector<std::uint32_t>;

// Appends the surface to the empty `mesh`. Vertices that no polygon uses are kept at their
// places. Returns false, leaving the mesh empty, when the builder rejects the polygons (an index
// out of range, fewer than 3 corners, a facet that would make the surface non-manifold).
bool build_from_polygons(Mesh& mesh, const std::vector<Vec3f>& points,
                         const std::vector<Polygon>& polygons);

}  // namespace meshprobe
