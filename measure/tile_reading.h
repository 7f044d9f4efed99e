// The first step of a tiled run: the mesh read into what the tiles are cut from. In: a mesh file
// (its facets read into a scratch store, or into memory when its lists are kept) or lists, and the
// options. Out: the measurement's header (status, the file's layout, length, box) and the whole
// surface, its points normalised, its facets in a scratch store in the order the whole mesh is
// built and counted per vertex; with what deciding the facets for the whole mesh needs.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "io/scratch_file.h"
#include "measure/measurement.h"
#include "measure/tile_partition.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// What a build of the whole mesh needs to decide which facets it leaves out, kept until the
// tiles have shown that the mesh leaves none out (or it has been decided).
struct FacetChoice {
  bool decided = false;                 // the facets are the whole mesh's choice already
  ScratchFile file_points;              // per mesh vertex, in input units
  std::vector<std::size_t> face_lines;  // OBJ read into memory: each facet's line
  ScratchFile face_lines_file;          // OBJ read into the store: the same
};

struct TilesRead {
  std::chrono::steady_clock::time_point started;
  MeshMeasurement result;  // its status says whether reading succeeded
  TilingSurface surface;   // when it did
  FacetChoice choice;
};

// Reads the file and checks its geometry as measure_mesh_file does; the length is checked too.
TilesRead read_tiles_of_file(const std::string& path, const MeasureOptions& options);
// The same for points (input units) and facets, as measure_mesh_lists takes them.
TilesRead read_tiles_of_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                              const MeasureOptions& options);

// Decides with a build of the whole mesh which facets it leaves out and in which order it adds
// the others, rewriting the surface's facets and counts and the status's count of facets left
// out. Fails (the status says why) when the scratch files fail or no facet is left.
void decide_facets_whole(TilingSurface& surface, FacetChoice& choice, MeshMeasurement& result);

}  // namespace meshprobe
