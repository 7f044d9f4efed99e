// OBJ input, loaded in two stages. The whole text is parsed and checked first (vertex lines,
// face lines, every corner's index), so that a file with any fault is refused with the number of
// the line at fault before anything is built; the lists then go to the one building step of every
// reader (io/surface_from_lists.h). Vertices keep the file's order, also those that no face uses;
// faces keep the line order and each face its corner order, which fixes its orientation. A face
// that the surface cannot hold next to the faces before it is left out there and counted.
//
// What is read: `v x y z [w]` (w ignored) and `f` lines of corners `i`, `i/t`, `i/t/n` or `i//n`,
// of which only the vertex index i counts. Every other line (normals, texture coordinates,
// comments, groups, materials, lines, points) is skipped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "io/file_window.h"
#include "io/read_status.h"
#include "io/scratch_file.h"
#include "io/stored_lists.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// A face as read from its line: its corners are corners[first, first + size) of ObjContent.
struct ObjFace {
  std::size_t first = 0;
  std::size_t size = 0;
  std::size_t line = 0;  // line number in the file, counted from 1
};

// An OBJ file once parsed and checked: every corner index is a vertex index counted from 0, no
// face has fewer than 3 corners and no face names a vertex twice.
struct ObjContent {
  std::vector<Vec3f> points;         // the vertex positions in file order
  std::vector<VertexIndex> corners;  // the corners of every face, face after face
  std::vector<ObjFace> faces;        // in line order
};

// First stage: parses OBJ text into `parsed` and checks it. Fails at the first faulty line in
// file order, naming it: a vertex line without three numbers, a face with fewer than 3 corners,
// a corner whose vertex index is not a whole number, is 0, is too large to represent, is not a
// vertex (a positive index counts from 1 over all vertices of the file; a negative one counts
// back from the last vertex read before its line, -1 being that vertex), or names a vertex that
// the face already uses.
ReadStatus parse_obj(const std::string& content, ObjContent& parsed);

// The file's vertices and faces as lists, in file order, nothing built yet: parse_obj's result,
// with the line of each face in `face_lines`. A file without any vertex is refused too.
ReadStatus read_obj_lists(const std::string& content, std::vector<Vec3f>& points, FacetList& facets,
                          std::vector<std::size_t>& face_lines);

// read_obj_lists for a file read in passes through a window: the facets go to `facets` as they
// are read, each one's line (a 64-bit number) to `face_lines`; memory for the points only.
// Refuses what read_obj_lists refuses, in its words, and a file that changed while it was read.
ReadStatus read_obj_in_passes(const FileWindow& file, std::vector<Vec3f>& points,
                              StoredFacets& facets, ScratchFile& face_lines);

}  // namespace meshprobe
