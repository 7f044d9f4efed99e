// Benchmarks of the per-vertex passes on a generated surface: a bumpy sphere of 163,842 vertices,
// walked with radii at which a walk examines as many halfedges as on the 437,645-vertex Stanford
// dragon at epsilon 0.01: about 287 for the smoothing radius, 1131 for the averaging radius and
// 76 for the fixed curvature radius.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "mesh/mesh_properties.h"
#include "mesh/normals.h"
#include "roughness/curvature_averaging.h"
#include "roughness/curvature_tensor.h"
#include "roughness/sphere_smoothing.h"
#include "roughness/sphere_walk.h"
#include "roughness/surface_view.h"
#include "roughness/umbrella_smoothing.h"
#include "tests/support/sphere_lists.h"

namespace meshprobe {
namespace {

struct Surface {
  std::unique_ptr<Mesh> mesh;
  SurfaceView view;
  double smoothing_radius = 0;
  double averaging_radius = 0;
  double curvature_radius = 0;
};

// Mean number of halfedges a walk of radius r examines, over a sample of start vertices.
double halfedges_per_walk(const SurfaceView& view, double r, std::uint32_t stride) {
  SphereWalker walker(view);
  double examined = 0;
  int walks = 0;
  for (std::uint32_t v = 0; v < view.vertex_count(); v += stride, ++walks) {
    walker.walk_sphere(v, r, true, [&](const SphereEdge&) { ++examined; });
  }
  return examined / walks;
}

// The radius at which walks examine `target` halfedges on average, by bisection.
double radius_for(const SurfaceView& view, double target) {
  double low = 0;
  double high = 0.2;
  for (int round = 0; round < 30; ++round) {
    const double middle = (low + high) / 2;
    (halfedges_per_walk(view, middle, 997) < target ? low : high) = middle;
  }
  return (low + high) / 2;
}

Surface& bumpy_sphere() {
  static Surface surface = [] {
    Surface s;
    const testing::PolygonLists sphere = testing::icosphere_lists(7, 0.5f);
    s.mesh = std::make_unique<Mesh>();
    if (!build_from_polygons(*s.mesh, sphere.points, sphere.polygons)) std::abort();
    std::mt19937 random(1);
    std::uniform_real_distribution<float> bump(-0.001f, 0.001f);
    for (auto v = s.mesh->vertices_begin(); v != s.mesh->vertices_end(); ++v) {
      const Point& p = v->point();
      const float scale = 1 + bump(random);
      v->point() = Point(p.x() * scale, p.y() * scale, p.z() * scale);
    }
    normalize(*s.mesh);
    compute_normals(*s.mesh);
    s.view = make_surface_view(*s.mesh);
    s.smoothing_radius = radius_for(s.view, 287);
    s.averaging_radius = radius_for(s.view, 1131);
    s.curvature_radius = radius_for(s.view, 76);
    return s;
  }();
  return surface;
}

void BM_SphereSmoothingStep(benchmark::State& state) {
  Surface& s = bumpy_sphere();
  for (auto _ : state) {
    SurfaceView view = s.view;
    sphere_taubin_step(view, s.smoothing_radius);
    benchmark::DoNotOptimize(view.positions.data());
  }
  state.counters["halfedges_per_walk"] = halfedges_per_walk(s.view, s.smoothing_radius, 97);
  state.SetItemsProcessed(state.iterations() * s.view.vertex_count());
}
BENCHMARK(BM_SphereSmoothingStep)->Unit(benchmark::kMillisecond);

void BM_UmbrellaSmoothingStep(benchmark::State& state) {
  Surface& s = bumpy_sphere();
  SurfaceView view = s.view;
  for (auto _ : state)
    umbrella_taubin_step(view);
  state.SetItemsProcessed(state.iterations() * s.view.vertex_count());
}
BENCHMARK(BM_UmbrellaSmoothingStep)->Unit(benchmark::kMillisecond);

void BM_CurvaturePass(benchmark::State& state) {
  Surface& s = bumpy_sphere();
  CurvatureField field;
  const std::uint32_t n = s.view.vertex_count();
  field.kmin.assign(n, 0);
  field.kmax.assign(n, 0);
  field.dir_kmin.assign(n, Vec3f{});
  field.dir_kmax.assign(n, Vec3f{});
  for (auto _ : state)
    estimate_curvature(s.view, s.curvature_radius, field);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CurvaturePass)->Unit(benchmark::kMillisecond);

void BM_AveragingPass(benchmark::State& state) {
  Surface& s = bumpy_sphere();
  std::vector<double> kmax(s.view.vertex_count());
  std::mt19937 random(2);
  std::uniform_real_distribution<double> curvature(0, 50);
  for (double& k : kmax)
    k = curvature(random);
  std::vector<double> local;
  for (auto _ : state)
    average_curvature(s.view, kmax, s.averaging_radius, local);
  state.counters["halfedges_per_walk"] = halfedges_per_walk(s.view, s.averaging_radius, 97);
  state.SetItemsProcessed(state.iterations() * s.view.vertex_count());
}
BENCHMARK(BM_AveragingPass)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace meshprobe

BENCHMARK_MAIN();
