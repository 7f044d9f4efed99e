// PLY input, ASCII or binary of either byte order: a file's content in, its points and facets out.
// The header and the layout of the data are checked first (ply_header.h, ply_layout.h); then one
// walk over the data takes x, y, z of the vertex element and the face list, and reads every other
// property and element past.
#pragma once

#include <string>
#include <vector>

#include "io/file_window.h"
#include "io/read_status.h"
#include "io/stored_lists.h"
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

// read_ply_lists for a file read in passes through a window, the facets going to `facets` as
// they are read: memory for the points only. When the header does not lie in the file's first
// megabyte or is refused, `header_read` is false and nothing is read (the reader of whole files
// then names the fault). Refuses what read_ply_lists refuses, in its words, and a file that
// changed while it was read.
ReadStatus read_ply_in_passes(const FileWindow& file, std::vector<Vec3f>& points,
                              StoredFacets& facets, bool& header_read);

}  // namespace meshprobe
