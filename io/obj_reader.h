// OBJ input, in two passes over the text: the vertex lines counted, then every vertex and face
// line parsed and checked (every corner's index), so that a file with any fault is refused with
// the number of the line at fault before anything is built; the lists then go to the one building
// step of every reader (io/surface_from_lists.h). Vertices keep the file's order, also those that
// no face uses; faces keep the line order and each face its corner order, which fixes its
// orientation. A face that the surface cannot hold next to the faces before it is left out there
// and counted.
//
// What is read: `v x y z [w]` (w ignored) and `f` lines of corners `i`, `i/t`, `i/t/n` or `i//n`,
// of which only the vertex index i counts. Every other line (normals, texture coordinates,
// comments, groups, materials, lines, points) is skipped.
#pragma once

#include <vector>

#include "io/facet_sink.h"
#include "io/file_window.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads an OBJ file's vertices into the empty `points` and its faces, each with its line, to
// `facets`, in file order. Fails at the first faulty line in file order, naming it: a vertex line
// without three numbers, a face with fewer than 3 corners, a corner whose vertex index is not a
// whole number, is 0, is too large to represent, is not a vertex (a positive index counts from 1
// over all vertices of the file; a negative one counts back from the last vertex read before its
// line, -1 being that vertex), or names a vertex that the face already uses. Also refused: a file
// without any vertex, and a file that changed while it was read. Memory: the points, and the
// facets where `facets` keeps them.
ReadStatus read_obj(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets);

}  // namespace meshprobe
