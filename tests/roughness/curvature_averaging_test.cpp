// Gaussian-weighted averaging of kmax over sphere-bounded neighbourhoods.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "roughness/curvature_averaging.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

// The averages of `kmax` (in vertex order) over spheres of `radius`, in vertex order.
std::vector<double> averages(Mesh& mesh, const std::vector<double>& kmax, double radius) {
  const SurfaceView view = make_surface_view(mesh);
  std::vector<double> local_curvature;
  average_curvature(view, kmax, radius, local_curvature);
  return local_curvature;
}

std::vector<double> constant(const Mesh& mesh, double k) {
  return std::vector<double>(mesh.size_of_vertices(), k);
}

TEST(CurvatureAveraging, ConstantCurvatureAveragesToItself) {
  auto mesh = testing::icosphere(3, 0.5f);
  for (const double radius : {0.0, 0.02, 0.1, 0.3}) {
    for (const double local : averages(*mesh, constant(*mesh, 2.75), radius))
      EXPECT_NEAR(local, 2.75, 1e-12) << radius;
  }
}

TEST(CurvatureAveraging, VertexWithoutEdgesHasNoSamples) {
  auto mesh = testing::make_mesh({{0, 0, 0}, {0.01f, 0, 0}, {0, 0.01f, 0}, {0.5f, 0.5f, 0.5f}},
                                 {{0, 1, 2}});
  const std::vector<double> local = averages(*mesh, constant(*mesh, 1.0), 0.02);
  EXPECT_NEAR(local[0], 1.0, 1e-12);
  EXPECT_TRUE(std::isnan(local[3]));
}

TEST(CurvatureAveraging, SamplesTooFarForTheirWeightsCountAsNone) {
  // Found by fuzzing a whole run: a coarse mesh where a vertex's only samples lie 0.305 away
  // (38 deviations). Their weights, about 1e-314 each, sum to a number whose reciprocal
  // overflows, and the mean came out infinite, and so did the roughness.
  auto mesh = testing::make_mesh({{0, 0, 0}, {0.305f, 0, 0}, {0, 0.305f, 0}}, {{0, 1, 2}});
  EXPECT_TRUE(std::isnan(averages(*mesh, constant(*mesh, 1.0), 0.5)[0]));
  // A little closer, the weights are small but their mean is the samples' value.
  auto closer = testing::make_mesh({{0, 0, 0}, {0.29f, 0, 0}, {0, 0.29f, 0}}, {{0, 1, 2}});
  EXPECT_NEAR(averages(*closer, constant(*closer, 1.0), 0.5)[0], 1.0, 1e-12);
}

TEST(CurvatureAveraging, RadiusZeroSamplesOneHundredthAlongTheCentresEdges) {
  // Every edge out of the centre crosses at t = 0.01, so every sample is
  // 0.99 * the centre's kmax + 0.01 * the neighbour's, whatever its weight.
  auto mesh = testing::flat_grid(4, 4, 0.01f);
  std::vector<double> kmax = constant(*mesh, 1.0);
  kmax[12] = 3.0;  // vertex (2, 2) is the centre
  const std::vector<double> local = averages(*mesh, kmax, 0.0);
  EXPECT_NEAR(local[12], 0.99 * 3.0 + 0.01 * 1.0, 1e-6);
  // A neighbour samples towards the centre on one of its edges only.
  EXPECT_GT(local[11], 1.0);
  EXPECT_LT(local[11], 1.01);
}

TEST(CurvatureAveraging, LinearFieldAveragesToTheCentreValueOnASymmetricGrid) {
  // kmax grows linearly along x. Away from the border every vertex's samples lie symmetrically
  // about it with symmetric weights, so their mean is the vertex's own value.
  auto mesh = testing::flat_grid(20, 20, 0.005f);
  std::vector<double> kmax;
  for (auto v = mesh->vertices_begin(); v != mesh->vertices_end(); ++v)
    kmax.push_back(10.0 * v->point().x());
  // A radius that is no grid distance, so that no vertex lies on the sphere up to rounding.
  const std::vector<double> local = averages(*mesh, kmax, 0.0213);
  double previous = -1;
  for (int i = 5; i <= 15; ++i) {
    const int v = 10 * 21 + i;
    // Symmetric neighbourhood of a linear field: the mean is the centre's value.
    EXPECT_NEAR(local[v], kmax[v], 1e-6);
    EXPECT_GT(local[v], previous);
    previous = local[v];
  }
}

}  // namespace
}  // namespace meshprobe
