#include <chrono>
#include <memory>

#include "mesh/normals.h"
#include "roughness/curvature_averaging.h"
#include "roughness/curvature_tensor.h"
#include "roughness/sphere_smoothing.h"
#include "roughness/surface_analyzer.h"
#include "roughness/umbrella_smoothing.h"

namespace meshprobe {

namespace {

// How hard the copy is smoothed: sphere-bounded steps first, then umbrella steps.
constexpr int kSphereSteps = 5;
constexpr int kUmbrellaSteps = 70;
// Curvature is measured over spheres of this fixed radius, whatever epsilon is.
constexpr double kCurvatureRadius = 0.005;
// The roughness range starts beyond any value so that the first difference replaces it.
constexpr double kRoughnessRangeStart = 10000.0;

class StageClock {
 public:
  explicit StageClock(RoughnessDetails* details) : details_(details) {}
  void finish(const char* stage) {
    const auto now = std::chrono::steady_clock::now();
    if (details_ != nullptr) {
      details_->stage_seconds.emplace_back(stage,
                                           std::chrono::duration<double>(now - start_).count());
    }
    start_ = now;
  }

 private:
  RoughnessDetails* details_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The mesh's curvature fields, in the view's vertex order.
CurvatureField curvature_of(const SurfaceView& view, const Mesh& mesh) {
  const std::size_t n = mesh.size_of_vertices();
  CurvatureField field{std::vector<double>(n), std::vector<double>(n), std::vector<Vec3f>(n),
                       std::vector<Vec3f>(n)};
  std::size_t k = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++k) {
    const std::uint32_t place = view.view_place[k];
    field.kmin[place] = v->kmin;
    field.kmax[place] = v->kmax;
    field.dir_kmin[place] = v->dir_kmin;
    field.dir_kmax[place] = v->dir_kmax;
  }
  return field;
}

void store_curvature(const SurfaceView& view, const CurvatureField& field,
                     const CurvatureRanges& ranges, Mesh& mesh) {
  std::size_t k = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++k) {
    const std::uint32_t place = view.view_place[k];
    v->kmin = field.kmin[place];
    v->kmax = field.kmax[place];
    v->dir_kmin = field.dir_kmin[place];
    v->dir_kmax = field.dir_kmax[place];
  }
  mesh.kmin_min = ranges.kmin_min;
  mesh.kmin_max = ranges.kmin_max;
  mesh.kmax_min = ranges.kmax_min;
  mesh.kmax_max = ranges.kmax_max;
}

void store_local_curvature(const SurfaceView& view, const std::vector<double>& local_curvature,
                           Mesh& mesh) {
  std::size_t k = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++k) {
    v->local_curvature = local_curvature[view.view_place[k]];
  }
}

// Points the view at `mesh`'s points and facet normals: the input and its copy share the view's
// connectivity, since the copy keeps every list in order.
void load_surface(SurfaceView& view, const Mesh& mesh) {
  load_positions(view, mesh);
  load_facet_normals(view, mesh);
}

void curvature_pass(SurfaceView& view, Mesh& mesh, CurvatureField& field) {
  load_surface(view, mesh);
  field = curvature_of(view, mesh);
  const CurvatureRanges ranges =
      estimate_curvature(view, /*use_sphere=*/true, kCurvatureRadius, field);
  store_curvature(view, field, ranges, mesh);
}

void averaging_pass(SurfaceView& view, Mesh& mesh, const CurvatureField& field, double radius,
                    std::vector<double>& local_curvature) {
  load_surface(view, mesh);
  average_curvature(view, field.kmax, radius, local_curvature);
  store_local_curvature(view, local_curvature, mesh);
}

}  // namespace

void SurfaceAnalyzer::compute_roughness(double averaging_radius, double smoothing_radius,
                                        RoughnessDetails* details) {
  Mesh& input = *mesh_;
  StageClock clock(details);
  // The smoothed copy belongs to this call and is released on every way out.
  const auto copy = std::make_unique<Mesh>(input);
  input.roughness_min = kRoughnessRangeStart;
  input.roughness_max = -kRoughnessRangeStart;
  // Walks examine vertices near each other in space; numbered along a space-filling curve, they
  // lie near each other in memory too.
  SurfaceView view = make_surface_view(*copy, VertexOrder::kLocality);
  clock.finish("copy");

  for (int step = 0; step < kSphereSteps; ++step) {
    meshprobe::sphere_taubin_step(view, smoothing_radius);
  }
  clock.finish("sphere smoothing");
  for (int step = 0; step < kUmbrellaSteps; ++step)
    meshprobe::umbrella_taubin_step(view);
  store_positions(view, *copy);
  clock.finish("umbrella smoothing");
  compute_normals(*copy);
  clock.finish("normals");

  CurvatureField copy_curvature;
  CurvatureField input_curvature;
  curvature_pass(view, *copy, copy_curvature);
  curvature_pass(view, input, input_curvature);
  clock.finish("curvature");

  std::vector<double> copy_local;
  std::vector<double> input_local;
  averaging_pass(view, *copy, copy_curvature, averaging_radius, copy_local);
  averaging_pass(view, input, input_curvature, averaging_radius, input_local);
  clock.finish("averaging");

  // The one-sided difference, pairing the k-th vertices of the input and its copy: 0 where the
  // input is not more curved, or where either average is not a number. The range follows the
  // differences before they are narrowed to single precision.
  auto s = copy->vertices_begin();
  for (auto o = input.vertices_begin(); o != input.vertices_end(); ++o, ++s) {
    const double c = o->local_curvature;
    const double d = s->local_curvature;
    const double difference = c > d ? c - d : 0.0;
    o->roughness = static_cast<float>(difference);
    if (difference < input.roughness_min) input.roughness_min = difference;
    if (difference > input.roughness_max) input.roughness_max = difference;
  }
  clock.finish("differences");

  if (details != nullptr) {
    for (auto v = copy->vertices_begin(); v != copy->vertices_end(); ++v) {
      details->smoothed_positions.push_back(to_vec3f(v->point()));
      details->smoothed_kmin.push_back(v->kmin);
      details->smoothed_kmax.push_back(v->kmax);
      details->smoothed_local_curvature.push_back(v->local_curvature);
    }
  }
}

void SurfaceAnalyzer::umbrella_taubin_step(Mesh& mesh) {
  SurfaceView view = make_surface_view(mesh, VertexOrder::kLocality);
  meshprobe::umbrella_taubin_step(view);
  store_positions(view, mesh);
}

void SurfaceAnalyzer::sphere_taubin_step(Mesh& mesh, double r) {
  SurfaceView view = make_surface_view(mesh, VertexOrder::kLocality);
  meshprobe::sphere_taubin_step(view, r);
  store_positions(view, mesh);
}

void SurfaceAnalyzer::estimate_curvature(Mesh& mesh, bool use_sphere, double radius) {
  const SurfaceView view = make_surface_view(mesh, VertexOrder::kLocality);
  CurvatureField field = curvature_of(view, mesh);
  const CurvatureRanges ranges = meshprobe::estimate_curvature(view, use_sphere, radius, field);
  store_curvature(view, field, ranges, mesh);
}

void SurfaceAnalyzer::average_curvature(Mesh& mesh, double radius) {
  const SurfaceView view = make_surface_view(mesh, VertexOrder::kLocality);
  std::vector<double> local_curvature;
  meshprobe::average_curvature(view, curvature_of(view, mesh).kmax, radius, local_curvature);
  store_local_curvature(view, local_curvature, mesh);
}

}  // namespace meshprobe
