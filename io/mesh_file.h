// A mesh file read as every run reads it: a path in; out, the file's lists to a facet sink (in
// memory, or in a scratch file for a tiled run), or the mesh built from them and the file's
// layout (io/file_layout.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "io/facet_sink.h"
#include "io/file_layout.h"
#include "io/mesh_format.h"
#include "io/read_status.h"
#include "io/surface_from_lists.h"
#include "mesh/mesh.h"

namespace meshprobe {

// The one reading of a mesh file, whatever is made of it: the file at `path` opened once, the
// format chosen (choose_format) from the path, the first bytes and the size, a gzip file
// decompressed and read as the file named by the path without ".gz", and the reader of the
// format handing the file's vertices to `points` (emptied first) and its facets to `facets`,
// every one in file order, nothing dropped or built yet. A regular file is read through a window
// (io/file_window.h), in passes; a FIFO or pipe, read once, is held whole; gzip is decompressed
// into memory where `facets` keeps them in memory, into a scratch file otherwise. Fails, with
// one line saying why and `points` empty, when the file cannot be opened or read, is a folder,
// is refused by choose_format (empty, VTK, no format read here), is gzip that cannot be
// decompressed, cannot be parsed, holds vertices and no facet (a point cloud), or holds no
// vertex. `format` is the format read (inside gzip).
ReadStatus read_mesh_lists(const std::string& path, std::vector<Vec3f>& points, FacetSink& facets,
                           MeshFormat& format);

// The numbering of the lists as the mesh numbers its vertices: OBJ and STL keep every vertex at
// its place; OFF and PLY drop those no facet names.
UnusedVertices unused_vertices_of(MeshFormat format);

// read_mesh_lists into memory, the lists then built into the empty `mesh` in the file's
// coordinates (io/surface_from_lists.h) and the geometry checked; beside the mesh, the file's
// layout (its lists only with keep_lists; its format is that of the bytes inside a gzip file).
// Fails as read_mesh_lists does, with the mesh empty, and when a coordinate is not a finite
// number, all vertices lie at one point, or they lie so far apart that single precision cannot
// hold the bounding box's size. On success the status tells of facets left out.
ReadStatus read_mesh_file(const std::string& path, Mesh& mesh, FileLayout& layout, bool keep_lists);

// The checks of read_mesh_file on a built mesh: no vertex, no facet, a coordinate that is not
// finite, a bounding box of no extent or of an extent beyond single precision. Sets the bounding
// box.
ReadStatus check_geometry(Mesh& mesh);

// check_geometry for a mesh given as its points (its vertex list) and its count of facets.
ReadStatus check_list_geometry(const std::vector<Vec3f>& points, std::size_t facets);

}  // namespace meshprobe
