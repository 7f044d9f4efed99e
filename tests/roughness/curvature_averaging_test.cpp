// Gaussian-weighted averaging of kmax over sphere-bounded neighbourhoods.
#include <gtest/gtest.h>

#include <cmath>

#include "roughness/surface_analyzer.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

void set_kmax(Mesh& mesh, double k) {
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    v->kmax = k;
}

TEST(CurvatureAveraging, ConstantCurvatureAveragesToItself) {
  auto mesh = testing::icosphere(3, 0.5f);
  set_kmax(*mesh, 2.75);
  SurfaceAnalyzer analyzer(mesh.get());
  for (const double radius : {0.0, 0.02, 0.1, 0.3}) {
    analyzer.average_curvature(*mesh, radius);
    for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
      EXPECT_NEAR(v->local_curvature, 2.75, 1e-12) << radius;
    }
  }
}

TEST(CurvatureAveraging, VertexWithoutEdgesHasNoSamples) {
  auto mesh = testing::make_mesh({{0, 0, 0}, {0.01f, 0, 0}, {0, 0.01f, 0}, {0.5f, 0.5f, 0.5f}},
                                 {{0, 1, 2}});
  set_kmax(*mesh, 1.0);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.average_curvature(*mesh, 0.02);
  auto v = mesh->vertices_begin();
  EXPECT_NEAR(v->local_curvature, 1.0, 1e-12);
  std::advance(v, 3);
  EXPECT_TRUE(std::isnan(v->local_curvature));
}

TEST(CurvatureAveraging, SamplesTooFarForTheirWeightsCountAsNone) {
  // Found by fuzzing a whole run: a coarse mesh where a vertex's only samples lie 0.305 away
  // (38 deviations). Their weights, about 1e-314 each, sum to a number whose reciprocal
  // overflows, and the mean came out infinite, and so did the roughness.
  auto mesh = testing::make_mesh({{0, 0, 0}, {0.305f, 0, 0}, {0, 0.305f, 0}}, {{0, 1, 2}});
  set_kmax(*mesh, 1.0);
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.average_curvature(*mesh, 0.5);
  EXPECT_TRUE(std::isnan(mesh->vertices_begin()->local_curvature));
  // A little closer, the weights are small but their mean is the samples' value.
  auto closer = testing::make_mesh({{0, 0, 0}, {0.29f, 0, 0}, {0, 0.29f, 0}}, {{0, 1, 2}});
  set_kmax(*closer, 1.0);
  analyzer.average_curvature(*closer, 0.5);
  EXPECT_NEAR(closer->vertices_begin()->local_curvature, 1.0, 1e-12);
}

TEST(CurvatureAveraging, RadiusZeroSamplesOneHundredthAlongTheCentresEdges) {
  // Every edge out of the centre crosses at t = 0.01, so every sample is
  // 0.99 * the centre's kmax + 0.01 * the neighbour's, whatever its weight.
  auto mesh = testing::flat_grid(4, 4, 0.01f);
  int k = 0;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v, ++k) {
    v->kmax = k == 12 ? 3.0 : 1.0;  // vertex (2, 2) is the centre
  }
  SurfaceAnalyzer analyzer(mesh.get());
  analyzer.average_curvature(*mesh, 0.0);
  auto centre = std::next(mesh->vertices_begin(), 12);
  EXPECT_NEAR(centre->local_curvature, 0.99 * 3.0 + 0.01 * 1.0, 1e-6);
  // A neighbour samples towards the centre on one of its edges only.
  auto neighbour = std::next(mesh->vertices_begin(), 11);
  EXPECT_GT(neighbour->local_curvature, 1.0);
  EXPECT_LT(neighbour->local_curvature, 1.01);
}

TEST(CurvatureAveraging, LinearFieldAveragesToTheCentreValueOnASymmetricGrid) {
  // kmax grows linearly along x. Away from the border every vertex's samples lie symmetrically
  // about it with symmetric weights, so their mean is the vertex's own value.
  auto mesh = testing::flat_grid(20, 20, 0.005f);
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v) {
    v->kmax = 10.0 * v->point().x();
  }
  SurfaceAnalyzer analyzer(mesh.get());
  // A radius that is no grid distance, so that no vertex lies on the sphere up to rounding.
  analyzer.average_curvature(*mesh, 0.0213);
  double previous = -1;
  for (int i = 5; i <= 15; ++i) {
    auto v = std::next(mesh->vertices_begin(), 10 * 21 + i);
    // Symmetric neighbourhood of a linear field: the mean is the centre's value.
    EXPECT_NEAR(v->local_curvature, v->kmax, 1e-6);
    EXPECT_GT(v->local_curvature, previous);
    previous = v->local_curvature;
  }
}

}  // namespace
}  // namespace meshprobe
