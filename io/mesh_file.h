// A mesh file read as every run reads it: the path opened once and its bytes read once, the
// format chosen from the path and those bytes (io/mesh_format.h), a gzip file decompressed and
// its bytes read as the file named by the path without ".gz", the file parsed into its lists and
// built into a Mesh in the file's coordinates, the geometry checked; beside the mesh, the file's
// layout (io/file_layout.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "io/file_layout.h"
#include "io/mesh_format.h"
#include "io/read_status.h"
#include "io/stored_lists.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Reads the file at `path` into the empty `mesh` and fills `layout` (its lists only with
// keep_lists; its format is that of the bytes inside a gzip file). Fails, with one line saying
// why and the mesh empty, when the file cannot be opened or read, is a folder, is refused by
// choose_format (empty, VTK, no format read here), is gzip that cannot be decompressed, cannot
// be parsed, holds vertices and no facet (a point cloud), holds no vertex, has a coordinate that
// is not a finite number, has all its vertices at one point, or lies so far apart that single
// precision cannot hold its bounding box's size. On success the status tells of facets left out.
ReadStatus read_mesh_file(const std::string& path, Mesh& mesh, FileLayout& layout, bool keep_lists);

// A file's vertices and facets as lists, with each facet's line for OBJ (empty otherwise).
struct FileLists {
  std::vector<Vec3f> points;
  FacetList facets;
  std::vector<std::size_t> face_lines;
};

// read_mesh_file without the surface: the lists numbered as the mesh numbers its vertices (those
// OFF and PLY drop are dropped), in the file's coordinates, and the layout. Fails as
// read_mesh_file does up to the building; the geometry is the caller's to check.
ReadStatus read_mesh_lists(const std::string& path, FileLists& lists, FileLayout& layout,
                           bool keep_lists);

// read_mesh_lists for a tiled run, without the file or its facets in memory: a regular OBJ or
// STL file, and a regular PLY file whose header lies in its first megabyte, are read in passes,
// the facets going to a scratch file (`lists.facets`, created here) and for OBJ each facet's
// line to another (`lists.face_lines`); `in_passes` says whether it was. A regular gzip file is
// decompressed into a scratch file first, and what it holds is read so (a failure to decompress
// it is reported with `in_passes` true). Any other file (OFF, one choose_format refuses or
// cannot tell from its first bytes, also inside gzip) is left to read_mesh_lists, as is a PLY
// header this refuses (with `in_passes` false and an ok status). A failure to open the file is
// the one read_mesh_lists reports. The layout holds no lists.
ReadStatus read_mesh_in_passes(const std::string& path, StoredLists& lists, FileLayout& layout,
                               bool& in_passes);

// The checks of read_mesh_file on a built mesh: no vertex, no facet, a coordinate that is not
// finite, a bounding box of no extent or of an extent beyond single precision. Sets the bounding
// box.
ReadStatus check_geometry(Mesh& mesh);

// check_geometry for a mesh given as its points (its vertex list) and its count of facets.
ReadStatus check_list_geometry(const std::vector<Vec3f>& points, std::size_t facets);

}  // namespace meshprobe
