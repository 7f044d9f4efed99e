// The last step of every reader: a file's points and facets in, the mesh and the file's layout
// out. Either every vertex of the file is kept (OBJ, STL) or those no facet names are dropped
// (OFF, PLY), the others keeping their order; facets the surface cannot hold are left out and
// counted. For OFF and PLY a facet that names one vertex twice refuses the file.
#pragma once

#include <cstdint>
#include <vector>

#include "io/file_layout.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

enum class UnusedVertices { kKeep, kDrop };

// The refusal of a file (OFF, PLY) whose `facet` names `vertex` twice.
ReadStatus names_a_vertex_twice(std::uint64_t facet, std::uint64_t vertex);

// The part of build_from_file_lists before the mesh: fills `layout` as it does and renumbers the
// lists to the mesh's vertices (dropping, with kDrop, the vertices no facet names). Fails for a
// facet that names one vertex twice with kDrop.
ReadStatus number_as_mesh(std::vector<Vec3f>& points, FacetList& facets, UnusedVertices unused,
                          FileLayout& layout, bool keep_lists);

// Builds `points` and `facets` (corners counted from 0, each below points.size()) into the empty
// `mesh` and fills `layout`'s counts, vertex map and, with keep_lists, its lists (the format is
// the caller's to set). Consumes the lists. The status counts the facets left out and names the
// first, in file order; a vertex whose facets were all left out keeps its place. With kKeep, a
// facet that names one vertex twice is left out too.
ReadStatus build_from_file_lists(std::vector<Vec3f>& points, FacetList& facets,
                                 UnusedVertices unused, Mesh& mesh, FileLayout& layout,
                                 bool keep_lists);

}  // namespace meshprobe
