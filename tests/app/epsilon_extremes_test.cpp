// The smallest neighbourhoods: with epsilon far below every edge length, each vertex's averaging
// sphere holds only the vertex itself, so its roughness is the difference of its own curvatures
// on the input and on the smoothed copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>

#include "app/driver.h"
#include "tests/support/random_meshes.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

TEST(EpsilonExtremes, TinyEpsilonGivesEachVertexTheDifferenceOfItsOwnCurvatures) {
  const std::string folder = testing::scratch_folder("tiny-epsilon");
  std::mt19937 random(11);
  const testing::PolygonSoup soup = testing::perturbed_icosphere(random, 2);
  testing::write_file(folder + "/sphere.obj", testing::to_obj(random, soup, 0));
  // 1e-30, and the smallest single-precision number above 0.
  for (float epsilon : {1e-30f, std::numeric_limits<float>::denorm_min()}) {
    SCOPED_TRACE(epsilon);
    auto mesh = std::make_unique<Mesh>();
    ASSERT_TRUE(load_prepared_mesh(folder + "/sphere.obj", *mesh).ok);
    const RoughnessResult result = measure_roughness(*mesh, epsilon, true);
    // Each sample of the averaging walk lies within epsilon of the vertex and takes the vertex's
    // own kmax, up to a part in 1e30 of its neighbour's.
    std::size_t i = 0;
    int rough = 0;
    for (; i < mesh->size_of_vertices(); ++i) {
      const double expected = std::max(0.0, result.fields.kmax[i] - result.fields.smoothed_kmax[i]);
      EXPECT_NEAR(result.roughness[i], expected, 1e-6 * (1 + expected)) << "vertex " << i;
      rough += expected > 1e-3;
    }
    // The bumps make about half the vertices more curved than on the smoothed copy.
    EXPECT_GT(rough, static_cast<int>(i) / 4);
  }
}

}  // namespace
}  // namespace meshprobe
