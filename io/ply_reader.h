// PLY input, ASCII or binary of either byte order: a file's bytes in, its points and facets out.
// The header and the layout of the data are checked first (ply_header.h, ply_layout.h); then one
// walk over the data takes x, y, z of the vertex element and the face list, and reads every other
// property and element past.
#pragma once

#include <vector>

#include "io/facet_sink.h"
#include "io/file_window.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads a PLY file's vertices and facets, in file order: x, y, z as float (a double coordinate
// rounded to float) into the empty `points`, the face list's corners as written to `facets`.
// Refused, naming the item: what the checks refuse, a number beyond its type's range (1e39 for a
// float), a facet of fewer than 3 corners or naming a vertex the file lacks, more vertices than a
// mesh can number, and a file that changed while it was read. Memory: the points, 12 bytes a
// vertex, and the facets where `facets` keeps them, sized before they are filled; the whole file
// only for a header longer than its first megabyte.
ReadStatus read_ply(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets);

}  // namespace meshprobe
