// PLY input, ASCII or binary of either byte order, through CGAL's own PLY reader. The header is
// parsed and checked, and the data walked, before that reader runs (see ply_header.h and
// ply_layout.h), because it trusts what it is given. Then every facet's corners are checked, the
// vertices that no facet of the file names are removed (the others keep the file's order), and
// the facets go to CGAL's incremental builder in file order, leaving out those the surface cannot
// hold. Only the coordinates x, y, z of the vertex element and the index list of the face
// element are used: other vertex properties (normals, colours, confidence) and other elements
// are read past. Coordinates declared float are read straight to single precision; those
// declared double are read as double, then rounded to single precision.
#pragma once

#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the PLY file at `path` into the empty `mesh`.
ReadStatus read_ply_file(const std::string& path, Mesh& mesh);

// Reads PLY content held in memory into the empty `mesh`. Refused, leaving the mesh empty: a
// header or data that the checks refuse, a number beyond the range of its type, a facet of fewer
// than 3 corners, a corner that names no vertex of the file, or a facet that names one vertex
// twice. A file without facets gives an empty mesh, as the OFF reader does. Facets the surface
// cannot hold (an edge that would border three facets, a vertex where two fans would meet) are
// left out and counted in the status, facets counted from 0 in file order; a vertex whose facets
// were all left out keeps its place, without neighbours.
ReadStatus read_ply_content(const std::string& content, Mesh& mesh);

// True when the file at `path` begins with the PLY magic line ("ply" and a line end); false too
// when it cannot be read.
bool file_begins_with_ply_magic(const std::string& path);

}  // namespace meshprobe
