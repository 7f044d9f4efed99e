#include "measure/measurement.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "io/mesh_file.h"
#include "io/surface_from_lists.h"
#include "measure/roughness_statistics.h"
#include "measure/rules.h"
#include "measure/threads.h"
#include "measure/tile_loop.h"
#include "measure/tile_run.h"
#include "mesh/mesh_properties.h"
#include "mesh/normals.h"
#include "mesh/tolerant_builder.h"
#include "roughness/progress.h"
#include "roughness/surface_analyzer.h"

namespace meshprobe {

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void report(const MeasureOptions& options, const char* stage, double fraction) {
  if (options.progress) options.progress(stage, fraction);
}

// Normalises the points of a mesh that was read (centred, then scaled by 1 / length, `length` in
// the file's units, or by 1 / (largest bounding-box side) when length is <= 0; the original box
// kept in bbox_min / bbox_max) and computes the facet normals. Returns the length used, for the
// statistics to record.
float prepare_mesh(Mesh& mesh, float length) {
  const float used = normalize(mesh, length);
  compute_normals(mesh);
  return used;
}

// Which vertices of the mesh a facet of the surface uses: only these are measured.
std::vector<bool> vertices_with_facets(const Mesh& mesh, std::size_t& count) {
  std::vector<bool> measured;
  measured.reserve(mesh.size_of_vertices());
  count = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const bool used = v->halfedge() != Mesh::Halfedge_handle();
    measured.push_back(used);
    if (used) ++count;
  }
  return measured;
}

// Everything after reading: preparation, then every epsilon in turn.
void measure_read_mesh(Mesh& mesh, const MeasureOptions& options, Clock::time_point start,
                       MeshMeasurement& result) {
  result.measured = vertices_with_facets(mesh, result.vertices_measured);
  if (options.keep_surface) result.surface_polygons = facet_polygons(mesh);
  if (options.length > 0.0f) {
    // Only a refusal replaces the status: an accepted length keeps the count of facets left out.
    const ReadStatus length = check_length(options.length, bounding_box_extent(mesh));
    if (!length.ok) {
      result.status = length;
      result.read = true;
      return;
    }
  }
  result.length = prepare_mesh(mesh, options.length);
  result.length_given = options.length > 0.0f;
  result.bbox_min = mesh.bbox_min;
  result.bbox_max = mesh.bbox_max;
  if (options.keep_fields || options.keep_surface) {
    for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
      result.positions.push_back(to_vec3f(v->point()));
  }
  // What does not depend on epsilon (the flat view, the input's curvature) is done once; each
  // epsilon's result is bit for bit that of a run at that epsilon alone.
  if (options.epsilons.empty()) return;  // read and prepared only
  std::string thread_error;
  const int threads = startable_threads(options.threads, thread_error);
  if (threads == 0) {
    result.status = ReadStatus::failure(thread_error);
    result.read = true;
    return;
  }
  const ThreadScope thread_scope(threads);
  report(options, "smoothing", 0.0);
  SurfaceAnalyzer analyzer(mesh, options.keep_fields);
  const double shared_seconds = seconds_since(start);
  StepProgress show;
  if (options.progress) {
    show = [&options](const char* step, std::size_t done, std::size_t total) {
      report(options, step, total == 0 ? 1.0 : static_cast<double>(done) / total);
    };
  }
  for (const Epsilon& epsilon : options.epsilons) {
    const Clock::time_point epsilon_start = Clock::now();
    RoughnessResult run = analyzer.measure(static_cast<double>(epsilon.value), show);
    EpsilonMeasurement measured;
    measured.epsilon = epsilon;
    measured.roughness = std::move(run.roughness);
    if (options.keep_fields) {
      measured.fields = std::move(run.fields);
      if (result.kmin.empty()) {
        result.kmin = std::move(measured.fields.kmin);
        result.kmax = std::move(measured.fields.kmax);
      }
      measured.fields.kmin = {};
      measured.fields.kmax = {};
    }
    measured.statistics = roughness_statistics(measured.roughness, result.measured);
    measured.seconds = shared_seconds + seconds_since(epsilon_start);
    result.epsilons.push_back(std::move(measured));
  }
}

}  // namespace

// The largest side of the mesh in units of the length may lie between these, powers of two so
// that scaling a mesh and its length by a power of two keeps the verdict. Above 2^12 the scaled
// coordinates reach 2^11, where single precision steps by 2^-12, a twentieth of the curvature
// radius 0.005; a little further, points within that radius round together and every value is 0.
// Below 2^-24 a side of the mesh is about 6e-8 and the products of edge lengths that the normals
// and curvature tensors form come near the smallest normal single-precision numbers.
constexpr double kLargestScaledSide = 4096.0;
constexpr double kSmallestScaledSide = 1.0 / 16777216.0;

ReadStatus check_length(float length, float side) {
  const double scaled = static_cast<double>(side) / static_cast<double>(length);
  if (scaled > kLargestScaledSide) {
    return ReadStatus::failure(
        "the length " + shortest_float_text(length) + " is too small for this mesh: with its " +
        "largest side " + shortest_float_text(side) + " the length must be at least side/4096 (" +
        shortest_float_text(static_cast<float>(side / kLargestScaledSide)) +
        "), or the scaled coordinates are too coarse for the curvature radius");
  }
  if (scaled < kSmallestScaledSide) {
    return ReadStatus::failure(
        "the length " + shortest_float_text(length) + " is too large for this mesh: with its " +
        "largest side " + shortest_float_text(side) + " the length must be at most side*2^24 (" +
        shortest_float_text(static_cast<float>(side / kSmallestScaledSide)) +
        "), or the scaled mesh is too small for single precision");
  }
  return ReadStatus{};
}

ReadStatus check_facet_list(const FacetList& facets, std::size_t vertex_count) {
  for (std::size_t f = 0; f < facets.size(); ++f) {
    const std::size_t degree = facets.degree(f);
    if (degree < 3) {
      return ReadStatus::failure("facet " + std::to_string(f) + " has " + std::to_string(degree) +
                                 " corners, fewer than 3");
    }
    for (std::size_t c = 0; c < degree; ++c) {
      const std::size_t index = facets.corners[facets.starts[f] + c];
      if (index >= vertex_count) {
        return ReadStatus::failure("facet " + std::to_string(f) + ", corner " + std::to_string(c) +
                                   ": vertex index " + std::to_string(index) +
                                   " is out of range (" + std::to_string(vertex_count) +
                                   " vertices)");
      }
    }
  }
  std::size_t vertex = 0;
  const std::size_t repeating = find_facet_repeating_a_vertex(facets, vertex_count, vertex);
  if (repeating < facets.size()) {
    return names_a_vertex_twice(repeating, vertex);
  }
  return ReadStatus{};
}

namespace {

// The tiles' rule holds for every caller: a count no front end checked fails the measurement.
bool refuse_tiles(const MeasureOptions& options, MeshMeasurement& result) {
  if (tiles_allowed(static_cast<double>(options.tiles))) return false;
  result.status = ReadStatus::failure(tiles_refusal("tiles", std::to_string(options.tiles)));
  return true;
}

}  // namespace

MeshMeasurement measure_mesh_file(const std::string& path, const MeasureOptions& options) {
  MeshMeasurement refused;
  refused.path = path;
  if (refuse_tiles(options, refused)) return refused;
  if (options.tiles > 1) return measure_file_in_tiles(path, options);
  const Clock::time_point start = Clock::now();
  MeshMeasurement result;
  result.path = path;
  report(options, "reading", 0.0);
  auto mesh = std::make_unique<Mesh>();
  FileLayout layout;
  result.status = read_mesh_file(path, *mesh, layout, options.keep_file_lists);
  result.format = format_name(layout.format);
  if (!result.status.ok) return result;
  result.vertices_in_file = layout.vertices_in_file;
  result.facets_in_file = layout.facets_in_file;
  result.mesh_vertex = std::move(layout.mesh_vertex);
  result.file_points = std::move(layout.points);
  result.file_facets = std::move(layout.facets);
  report(options, "reading", 1.0);
  measure_read_mesh(*mesh, options, start, result);
  return result;
}

void take_list_layout(const std::vector<Vec3f>& points, const FacetList& facets,
                      const MeasureOptions& options, MeshMeasurement& result) {
  result.vertices_in_file = points.size();
  result.facets_in_file = facets.size();
  result.mesh_vertex.resize(points.size());
  for (std::size_t i = 0; i < points.size(); ++i)
    result.mesh_vertex[i] = static_cast<std::uint32_t>(i);
  if (options.keep_file_lists) {
    result.file_points = points;
    result.file_facets = facets;
  }
}

MeshMeasurement measure_mesh_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                                   const MeasureOptions& options) {
  MeshMeasurement refused;
  refused.format = "arrays";
  if (refuse_tiles(options, refused)) return refused;
  if (options.tiles > 1) return measure_lists_in_tiles(points, facets, options);
  const Clock::time_point start = Clock::now();
  MeshMeasurement result;
  result.format = "arrays";
  result.status = check_facet_list(facets, points.size());
  if (!result.status.ok) return result;
  auto mesh = std::make_unique<Mesh>();
  report(options, "reading", 0.0);
  const LeftOutFacets left_out = build_leaving_out_unfit_facets(*mesh, points, facets);
  report(options, "reading", 1.0);
  result.status.facets_left_out = left_out.count;
  result.status.first_left_out = left_out.first;
  const ReadStatus geometry = check_geometry(*mesh);
  if (!geometry.ok) {
    result.status = geometry;
    return result;
  }
  take_list_layout(points, facets, options, result);
  measure_read_mesh(*mesh, options, start, result);
  return result;
}

}  // namespace meshprobe
