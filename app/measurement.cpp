#include "app/measurement.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <utility>

#include "app/driver.h"
#include "app/roughness_statistics.h"
#include "app/statistics_output.h"
#include "io/mesh_file.h"
#include "mesh/mesh_properties.h"
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
  if (options.keep_file_lists && result.file_points.empty()) {
    for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
      result.file_points.push_back(to_vec3f(v->point()));
    for (const Polygon& polygon : facet_polygons(mesh)) {
      for (std::uint32_t corner : polygon)
        result.file_facets.corners.push_back(corner);
      result.file_facets.end_facet();
    }
  }
  if (options.keep_surface) result.surface_polygons = facet_polygons(mesh);
  result.length = prepare_mesh(mesh, options.length);
  result.bbox_min = mesh.bbox_min;
  result.bbox_max = mesh.bbox_max;
  // A given length far smaller than the mesh scales coordinates beyond single precision.
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || !std::isfinite(p.z())) {
      result.status = ReadStatus::failure(
          "the length " + shortest_float_text(result.length) +
          " is too small for this mesh: its coordinates divided by it leave single precision");
      return;
    }
  }
  if (options.keep_fields || options.keep_surface) {
    for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
      result.positions.push_back(to_vec3f(v->point()));
  }
  // What does not depend on epsilon (the flat view, the input's curvature) is done once; each
  // epsilon's result is bit for bit that of a run at that epsilon alone.
  if (options.epsilons.empty()) return;  // read and prepared only
  report(options, "smoothing", 0.0);
  SurfaceAnalyzer analyzer(mesh, options.keep_fields);
  const double shared_seconds = seconds_since(start);
  const char* stage = "";
  const Progress show = [&](std::size_t done, std::size_t total) {
    report(options, stage, total == 0 ? 1.0 : static_cast<double>(done) / total);
  };
  for (const Epsilon& epsilon : options.epsilons) {
    const Clock::time_point epsilon_start = Clock::now();
    // Epsilon is widened before doubling, so the averaging radius is exactly twice it.
    const double radius = static_cast<double>(epsilon.value);
    stage = "smoothing";
    analyzer.smooth_copy(radius, show);
    stage = "curvature";
    analyzer.curvature(show);
    stage = "averaging";
    analyzer.average(2.0 * radius, show);
    RoughnessResult run = analyzer.difference();
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

MeshMeasurement measure_mesh_file(const std::string& path, const MeasureOptions& options) {
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

MeshMeasurement measure_mesh_lists(const std::vector<Vec3f>& points, const FacetList& facets,
                                   const MeasureOptions& options) {
  const Clock::time_point start = Clock::now();
  MeshMeasurement result;
  result.format = "arrays";
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
  result.vertices_in_file = points.size();
  result.facets_in_file = facets.size();
  result.mesh_vertex.resize(points.size());
  for (std::size_t i = 0; i < points.size(); ++i)
    result.mesh_vertex[i] = static_cast<std::uint32_t>(i);
  if (options.keep_file_lists) {
    result.file_points = points;
    result.file_facets = facets;
  }
  measure_read_mesh(*mesh, options, start, result);
  return result;
}

}  // namespace meshprobe
