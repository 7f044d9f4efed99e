// PLY input, ASCII or binary of either byte order: a file's content in, its points and facets out.
// The header and the layout of the data are checked first (ply_header.h, ply_layout.h); then one
// walk over the data takes x, y, z of the vertex element and the face list, and reads every other
// property and element past.
#pragma once

#include <string>
#include <vector>

#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the PLY content's vertices and facets, in file order, into the empty `points` and
// `facets`: x, y, z as float (a double coordinate rounded to float), the face list's corners as
// written. Refused, naming the item: what the checks refuse, a number beyond its type's range
// (1e39 for a float), a facet of fewer than 3 corners or naming a vertex the file lacks, and more
// vertices than a mesh can number. Memory: the lists, 12 bytes a vertex and 4 a corner, sized
// before they are filled.
ReadStatus read_ply_lists(const std::string& content, std::vector<Vec3f>& points,
                          FacetList& facets);

}  // namespace meshprobe
