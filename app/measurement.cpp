#include "app/measurement.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <utility>

#include "app/driver.h"
#include "app/roughness_statistics.h"
#include "mesh/mesh_properties.h"
#include "mesh/tolerant_builder.h"

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
  result.length = bounding_box_extent(mesh);
  prepare_mesh(mesh);
  result.bbox_min = mesh.bbox_min;
  result.bbox_max = mesh.bbox_max;
  if (options.keep_fields || options.keep_surface) {
    for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
      result.positions.push_back(to_vec3f(v->point()));
  }
  const double shared_seconds = seconds_since(start);
  for (std::size_t e = 0; e < options.epsilons.size(); ++e) {
    const Clock::time_point epsilon_start = Clock::now();
    report(options, "measuring", static_cast<double>(e) / options.epsilons.size());
    EpsilonMeasurement measured;
    measured.epsilon = options.epsilons[e];
    RoughnessDetails details;
    measure_roughness(mesh, measured.epsilon.value, options.keep_fields ? &details : nullptr);
    measured.roughness.reserve(mesh.size_of_vertices());
    for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
      measured.roughness.push_back(v->roughness);
    if (options.keep_fields) {
      if (e == 0) {
        for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
          result.kmin.push_back(v->kmin);
          result.kmax.push_back(v->kmax);
        }
      }
      for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
        measured.local_curvature.push_back(v->local_curvature);
      measured.smoothed_positions = std::move(details.smoothed_positions);
      measured.smoothed_kmin = std::move(details.smoothed_kmin);
      measured.smoothed_kmax = std::move(details.smoothed_kmax);
      measured.smoothed_local_curvature = std::move(details.smoothed_local_curvature);
    }
    measured.statistics = roughness_statistics(measured.roughness, result.measured);
    measured.seconds = shared_seconds + seconds_since(epsilon_start);
    result.epsilons.push_back(std::move(measured));
  }
  report(options, "measuring", 1.0);
}

}  // namespace

MeshMeasurement measure_mesh_file(const std::string& path, const MeasureOptions& options) {
  const Clock::time_point start = Clock::now();
  MeshMeasurement result;
  result.path = path;
  report(options, "reading", 0.0);
  auto mesh = std::make_unique<Mesh>();
  result.status = load_mesh(path, *mesh);
  result.format = format_name(choose_format(path));
  if (!result.status.ok) return result;
  result.vertices_in_file = mesh->size_of_vertices();
  result.facets_in_file = mesh->size_of_facets() + result.status.facets_left_out;
  result.mesh_vertex.resize(result.vertices_in_file);
  for (std::size_t i = 0; i < result.vertices_in_file; ++i)
    result.mesh_vertex[i] = static_cast<std::uint32_t>(i);
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
  const LeftOutFacets left_out = build_leaving_out_unfit_facets(*mesh, points, facets);
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
