// The mesh's connectivity as plain index lists: for every facet, in facet-list order, the places
// in the vertex list of its corners. Goes in: a Mesh. Comes out: one Polygon per facet, the form
// that build_from_polygons takes, so building from the lists and listing again gives them back.
#pragma once

#include <vector>

#include "mesh/mesh.h"
#include "mesh/polygon_builder.h"

namespace meshprobe {

// One polygon per facet, corners in boundary order (halfedge to next, which keeps the facet's
// orientation), starting at the corner the facet was given first when the builder made it.
std::vector<Polygon> facet_polygons(const Mesh& mesh);

}  // namespace meshprobe
