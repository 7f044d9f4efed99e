// PLY input, ASCII or binary of either byte order, through CGAL's own PLY reader once the checks
// of ply_header.h and ply_layout.h have passed: a file or its content in, a Mesh out, without the
// vertices no facet uses and without the facets the surface cannot hold.
#pragma once

#include <string>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the PLY file at `path` into the empty `mesh`.
ReadStatus read_ply_file(const std::string& path, Mesh& mesh);

// Reads PLY content into the empty `mesh`: x, y, z of the vertex element (float as is, double
// rounded to float) and the face list, other properties and elements read past. Refused, the mesh
// left empty: what the checks refuse, a number beyond its type's range, a facet of fewer than 3
// corners, naming a vertex the file lacks or one vertex twice. No facet gives an empty mesh, as
// for OFF. Facets left out are counted in the status, from 0 in file order; their vertices stay.
ReadStatus read_ply_content(const std::string& content, Mesh& mesh);

// True when the file at `path` begins with the PLY magic line ("ply" and a line end); false too
// when it cannot be read.
bool file_begins_with_ply_magic(const std::string& path);

}  // namespace meshprobe
