// The last step of the OFF and PLY readers: a file's points and facets in, the mesh out. A facet
// that names one vertex twice refuses the file; the vertices that no facet names are dropped, the
// others keep their order; facets the surface cannot hold are left out and counted.
#pragma once

#include <vector>

#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Builds `points` and `facets` (corners counted from 0, each below points.size()) into the empty
// `mesh`. The status counts the facets left out and names the first, in file order; a vertex
// whose facets were all left out keeps its place.
ReadStatus build_without_unused_vertices(std::vector<Vec3f>& points, FacetList& facets, Mesh& mesh);

}  // namespace meshprobe
