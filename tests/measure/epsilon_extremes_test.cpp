// The smallest neighbourhoods: with epsilon far below every edge length, each vertex's averaging
// sphere holds only the vertex itself, so its roughness is the difference of its own curvatures
// on the input and on the smoothed copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "measure/measurement.h"
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
    MeasureOptions options;
    options.epsilons = {{"tiny", epsilon}};
    options.keep_fields = true;
    const MeshMeasurement m = measure_mesh_file(folder + "/sphere.obj", options);
    ASSERT_TRUE(m.status.ok) << m.status.error;
    const EpsilonMeasurement& result = m.epsilons.at(0);
    // Each sample of the averaging walk lies within epsilon of the vertex and takes the vertex's
    // own kmax, up to a part in 1e30 of its neighbour's.
    std::size_t i = 0;
    int rough = 0;
    for (; i < m.measured.size(); ++i) {
      const double expected = std::max(0.0, m.kmax[i] - result.fields.smoothed_kmax[i]);
      EXPECT_NEAR(result.roughness[i], expected, 1e-6 * (1 + expected)) << "vertex " << i;
      rough += expected > 1e-3;
    }
    // The bumps make about half the vertices more curved than on the smoothed copy.
    EXPECT_GT(rough, static_cast<int>(i) / 4);
  }
}

}  // namespace
}  // namespace meshprobe
