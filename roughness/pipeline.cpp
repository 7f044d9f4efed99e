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

CurvatureField curvature_of(const Mesh& mesh) {
  CurvatureField field;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    field.kmin.push_back(v->kmin);
    field.kmax.push_back(v->kmax);
    field.dir_kmin.push_back(v->dir_kmin);
    field.dir_kmax.push_back(v->dir_kmax);
  }
  return field;
}

void store_curvature(const CurvatureField& field, const CurvatureRanges& ranges, Mesh& mesh) {
  std::size_t i = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++i) {
    v->kmin = field.kmin[i];
    v->kmax = field.kmax[i];
    v->dir_kmin = field.dir_kmin[i];
    v->dir_kmax = field.dir_kmax[i];
  }
  mesh.kmin_min = ranges.kmin_min;
  mesh.kmin_max = ranges.kmin_max;
  mesh.kmax_min = ranges.kmax_min;
  mesh.kmax_max = ranges.kmax_max;
}

void store_local_curvature(const std::vector<double>& local_curvature, Mesh& mesh) {
  std::size_t i = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++i) {
    v->local_curvature = local_curvature[i];
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
  field = curvature_of(mesh);
  const CurvatureRanges ranges =
      estimate_curvature(view, /*use_sphere=*/true, kCurvatureRadius, field);
  store_curvature(field, ranges, mesh);
}

void averaging_pass(SurfaceView& view, Mesh& mesh, const CurvatureField& field, double radius,
                    std::vector<double>& local_curvature) {
  load_surface(view, mesh);
  average_curvature(view, field.kmax, radius, local_curvature);
  store_local_curvature(local_curvature, mesh);
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
  SurfaceView view = make_surface_view(*copy);
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

  // The one-sided difference: 0 where the input is not more curved, or where either average is
  // not a number. The range follows the differences before they are narrowed to single precision.
  std::size_t i = 0;
  for (auto v = input.vertices_begin(); v != input.vertices_end(); ++v, ++i) {
    const double c = input_local[i];
    const double d = copy_local[i];
    const double difference = c > d ? c - d : 0.0;
    v->roughness = static_cast<float>(difference);
    if (difference < input.roughness_min) input.roughness_min = difference;
    if (difference > input.roughness_max) input.roughness_max = difference;
  }
  clock.finish("differences");

  if (details != nullptr) {
    load_positions(view, *copy);
    details->smoothed_positions = view.positions;
    details->smoothed_kmin = copy_curvature.kmin;
    details->smoothed_kmax = copy_curvature.kmax;
    details->smoothed_local_curvature = copy_local;
  }
}

void SurfaceAnalyzer::umbrella_taubin_step(Mesh& mesh) {
  SurfaceView view = make_surface_view(mesh);
  meshprobe::umbrella_taubin_step(view);
  store_positions(view, mesh);
}

void SurfaceAnalyzer::sphere_taubin_step(Mesh& mesh, double r) {
  SurfaceView view = make_surface_view(mesh);
  meshprobe::sphere_taubin_step(view, r);
  store_positions(view, mesh);
}

void SurfaceAnalyzer::estimate_curvature(Mesh& mesh, bool use_sphere, double radius) {
  const SurfaceView view = make_surface_view(mesh);
  CurvatureField field = curvature_of(mesh);
  const CurvatureRanges ranges = meshprobe::estimate_curvature(view, use_sphere, radius, field);
  store_curvature(field, ranges, mesh);
}

void SurfaceAnalyzer::average_curvature(Mesh& mesh, double radius) {
  const SurfaceView view = make_surface_view(mesh);
  std::vector<double> local_curvature;
  meshprobe::average_curvature(view, curvature_of(mesh).kmax, radius, local_curvature);
  store_local_curvature(local_curvature, mesh);
}

}  // namespace meshprobe
