// The length unit's mesh side: without a length, preparation is what it always was; with one,
// scaling the input and the length by the same power of two gives bit-identical roughness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/driver.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

void scale_points(Mesh& mesh, float factor) {
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const Point& p = v->point();
    v->point() = Point(p.x() * factor, p.y() * factor, p.z() * factor);
  }
}

TEST(Length, WithoutALengthTheLargestSideIsUsedAsBefore) {
  Mesh by_default;
  Mesh by_side;
  ASSERT_TRUE(load_mesh(MESHPROBE_DATA_DIR "/bunny.off", by_default).ok);
  ASSERT_TRUE(load_mesh(MESHPROBE_DATA_DIR "/bunny.off", by_side).ok);
  const float side = prepare_mesh(by_default);
  // The bunny's box is widest along x.
  EXPECT_EQ(side, by_default.bbox_max.x - by_default.bbox_min.x);
  EXPECT_EQ(prepare_mesh(by_side, side), side);
  EXPECT_EQ(testing::points_of(by_side), testing::points_of(by_default));
}

TEST(Length, PowerOfTwoScalingOfInputAndLengthGivesIdenticalValues) {
  constexpr float kLength = 0.0371f;  // about a quarter of the bunny's largest side
  Mesh reference;
  ASSERT_TRUE(load_mesh(MESHPROBE_DATA_DIR "/bunny.off", reference).ok);
  EXPECT_EQ(prepare_mesh(reference, kLength), kLength);
  const std::vector<float> expected = measure_roughness(reference, 0.04f).roughness;
  for (const float factor : {0.125f, 2.0f, 1024.0f}) {
    Mesh scaled;
    ASSERT_TRUE(load_mesh(MESHPROBE_DATA_DIR "/bunny.off", scaled).ok);
    scale_points(scaled, factor);
    prepare_mesh(scaled, kLength * factor);
    EXPECT_EQ(testing::points_of(scaled), testing::points_of(reference)) << factor;
    EXPECT_EQ(measure_roughness(scaled, 0.04f).roughness, expected) << factor;
  }
  // The values are not all 0, so the comparison says something.
  EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 0.0f);
}

}  // namespace
}  // namespace meshprobe
