// The last step of every reader: a file's points and facets in, the mesh and the file's layout
// out. Either every vertex of the file is kept (OBJ, STL) or those no facet names are dropped
// (OFF, PLY), the others keeping their order; facets the surface cannot hold are left out and
// counted. For OFF and PLY a facet that names one vertex twice refuses the file.
#pragma once

#include <vector>

#include "io/file_layout.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

enum class UnusedVertices { kKeep, kDrop };

// Builds `points` and `facets` (corners counted from 0, each below points.size()) into the empty
// `mesh` and fills `layout`'s counts, vertex map and, with keep_lists, its lists (the format is
// the caller's to set). Consumes the lists. The status counts the facets left out and names the
// first, in file order; a vertex whose facets were all left out keeps its place. With kKeep, a
// facet that names one vertex twice is left out too.
ReadStatus build_from_file_lists(std::vector<Vec3f>& points, FacetList& facets,
                                 UnusedVertices unused, Mesh& mesh, FileLayout& layout,
                                 bool keep_lists);

}  // namespace meshprobe
