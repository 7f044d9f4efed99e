// One mesh measured at one or several epsilons, with its results lined up with the input file:
// what every front end calls (the command line, the Python module, the installed C++ header).
// In: a mesh file's path (or points and facets given as lists) and the epsilons. Out: the
// roughness of every measured vertex per epsilon, the intermediate fields when asked, the
// file's layout and the statistics of each epsilon.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "io/file_layout.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/facet_polygons.h"
#include "mesh/mesh.h"
#include "meshprobe/meshprobe.h"
#include "roughness/surface_analyzer.h"

namespace meshprobe {

// The place in the mesh of a vertex of the file that the reader dropped.
constexpr std::uint32_t kNotInMesh = FileLayout::kNotInMesh;

// An epsilon as the user wrote it (names of outputs and columns carry this text) and its value.
struct Epsilon {
  std::string text;
  float value = 0.0f;
};

// Told the stage a run is in ("reading", "smoothing", "curvature", "averaging", "writing") and
// how far the stage has come, from 0 to 1. Called on the calling thread only.
using ProgressReport = std::function<void(const char* stage, double fraction)>;

struct MeasureOptions {
  std::vector<Epsilon> epsilons;
  // Greater than 0: lengths are fractions of this length (in the input's units) instead of the
  // largest side of the bounding box.
  float length = 0.0f;
  // Keep every intermediate field of every vertex (the CSV output's columns); they cost memory.
  bool keep_fields = false;
  // Keep the file's own points and facets (the PLY output repeats them).
  bool keep_file_lists = false;
  // Keep the measured surface: normalised positions and facets (the picture draws them).
  bool keep_surface = false;
  // Threads of the passes over the vertices (0: the OpenMP default), cut to the processors
  // (measure/threads.h). The values do not depend on it.
  int threads = 0;
  // More than 1: the mesh is measured in that many spatial tiles, one after the other, each with
  // a margin of its neighbours, every value bit for bit the untiled run's (measure/tiles.h).
  std::size_t tiles = 1;
  // Cut exactly `tiles` cores (fewer only when fewer vertices are measured), even where they are
  // too small to pay for their margins; by default such cores are merged (measure/tiles.h). For
  // checks of exactness on small meshes.
  bool every_tile_asked = false;
  ProgressReport progress;  // may be empty
};

// Order statistics of the roughness over the measured vertices; NaN when none was measured.
// The installed header's Statistics: one type from the measurement to every front end.
using RoughnessStatistics = Statistics;

// The results of one epsilon. Per-vertex arrays follow the mesh's vertex list (the value file's
// order); MeshMeasurement::in_file_order lines them up with the file.
struct EpsilonMeasurement {
  Epsilon epsilon;
  std::vector<float> roughness;
  // Only with keep_fields: the run's intermediate fields, without kmin and kmax, which do not
  // depend on epsilon and are kept once in MeshMeasurement.
  RoughnessFields fields;
  RoughnessStatistics statistics;
  double seconds = 0.0;  // reading and preparation included, shared equally between epsilons
};

struct MeshMeasurement {
  std::string path;    // as given; empty for lists
  std::string format;  // "obj", "ply", "stl", "off", or "arrays" for lists
  ReadStatus status;   // the reader's: ok, or why the mesh was refused; facets left out
  // With a failed status: true when the mesh was read and the measurement could not be made (a
  // length out of range, threads that cannot start), false when the mesh was refused.
  bool read = false;
  std::size_t vertices_in_file = 0;
  std::size_t facets_in_file = 0;
  std::size_t vertices_measured = 0;  // vertices of the surface with at least one facet
  // In tiles: the count of tiles the mesh was cut into, which may be fewer than asked (see
  // measure/tiles.h); 0 when measured whole.
  std::size_t tiles = 0;
  // Per vertex of the file in file order: its place in the mesh's vertex list, or kNotInMesh.
  std::vector<std::uint32_t> mesh_vertex;
  // Per vertex of the mesh: whether a facet of the surface uses it (only these are measured).
  std::vector<bool> measured;
  Vec3f bbox_min;  // the bounding box in the input's units
  Vec3f bbox_max;
  float length = 0.0f;        // the length that was scaled to 1: the given one or the largest side
  bool length_given = false;  // the length is MeasureOptions::length, not the largest side
  // Only with keep_file_lists: the file's points (input units) and every facet of the file, those
  // left out of the surface too, with corners counted from 0 over the file's vertices.
  std::vector<Vec3f> file_points;
  FacetList file_facets;
  // Only with keep_fields or keep_surface, per vertex of the mesh: the normalised position.
  std::vector<Vec3f> positions;
  // Only with keep_surface: the surface's facets, corners counted over the mesh's vertices.
  std::vector<Polygon> surface_polygons;
  // Only with keep_fields, per vertex of the mesh: the input's principal curvatures.
  std::vector<double> kmin;
  std::vector<double> kmax;
  std::vector<EpsilonMeasurement> epsilons;  // in the order asked

  // Values given per vertex of the mesh, per vertex of the file: NaN for a vertex that is not
  // in the mesh or that no facet of the surface uses.
  template <class T>
  std::vector<T> in_file_order(const std::vector<T>& per_mesh_vertex) const {
    std::vector<T> values(mesh_vertex.size(), std::numeric_limits<T>::quiet_NaN());
    for (std::size_t i = 0; i < mesh_vertex.size(); ++i) {
      const std::uint32_t v = mesh_vertex[i];
      if (v != kNotInMesh && measured[v]) values[i] = per_mesh_vertex[v];
    }
    return values;
  }
};

// Reads the mesh file at `path` as the command line does (reader chosen by the path's ending and
// the content), prepares it and measures it at every epsilon of `options` (with none, it only
// reads and prepares, for the file's lists and counts). Fails, the status saying why, when the
// file cannot be read or is refused, or when the threads cannot be started; the epsilons must be
// finite and > 0.
MeshMeasurement measure_mesh_file(const std::string& path, const MeasureOptions& options);

// Fails, saying why, when a mesh whose bounding box's largest side is `side` cannot be measured
// with `length` (both in the input's units) as the length scaled to 1.
ReadStatus check_length(float length, float side);

// Fails, naming the first facet at fault, when a facet has fewer than 3 corners, a corner that is
// not below `vertex_count`, or names a vertex twice.
ReadStatus check_facet_list(const FacetList& facets, std::size_t vertex_count);

// The file side of a mesh given as lists, whole or in tiles: every point is the vertex of its
// index, the counts are the lists' and, with options.keep_file_lists, the lists are kept.
void take_list_layout(const std::vector<Vec3f>& points, const FacetList& facets,
                      const MeasureOptions& options, MeshMeasurement& result);

// Measures a mesh given as points (input units) and facets (corners counted from 0): every point
// is a vertex of the mesh, as OBJ input keeps them; facets the surface cannot hold are left out
// and counted in the status. Fails when check_facet_list refuses the facets, a coordinate is not
// finite or every point lies at one place.
MeshMeasurement measure_mesh_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                                   const MeasureOptions& options);

// One column of the per-vertex table: a name as the CSV header and the Python module give it,
// and a value per vertex of the file in file order (NaN where the vertex was not measured).
struct FieldColumn {
  enum class Type { kIndex, kFloat, kDouble };  // printed exactly as uint32, float or double
  std::string name;
  Type type = Type::kDouble;
  std::vector<double> values;
};

// The table of a measurement made with keep_fields, in the columns vertex, x, y, z, sx, sy, sz,
// kmin, kmax, kmin_s, kmax_s, local_curvature, local_curvature_s, roughness (x, y, z and sx, sy,
// sz normalised). With several epsilons, each column that depends on epsilon (all from sx on but
// kmin and kmax) stands in its place once per epsilon, named with "_eps" and the epsilon as
// written appended: sx_eps0.01, sx_eps0.02, sy_eps0.01, ...
std::vector<FieldColumn> field_columns(const MeshMeasurement& measurement);

}  // namespace meshprobe
