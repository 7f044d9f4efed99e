// The length unit's mesh side: without a length, preparation is what it always was; with one,
// scaling the input and the length by the same power of two gives bit-identical roughness.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "measure/measurement.h"

namespace meshprobe {
namespace {

// The bunny's points and facets as the file holds them.
MeshMeasurement bunny_lists() {
  MeasureOptions options;
  options.keep_file_lists = true;
  return measure_mesh_file(MESHPROBE_DATA_DIR "/bunny.off", options);
}

MeasureOptions at_epsilon(float length, bool keep_surface) {
  MeasureOptions options;
  options.epsilons = {{"0.04", 0.04f}};
  options.length = length;
  options.keep_surface = keep_surface;
  return options;
}

TEST(Length, WithoutALengthTheLargestSideIsUsedAsBefore) {
  const MeshMeasurement by_default =
      measure_mesh_file(MESHPROBE_DATA_DIR "/bunny.off", at_epsilon(0.0f, /*keep_surface=*/true));
  ASSERT_TRUE(by_default.status.ok) << by_default.status.error;
  // The bunny's box is widest along x.
  const float side = by_default.bbox_max.x - by_default.bbox_min.x;
  EXPECT_EQ(by_default.length, side);
  const MeshMeasurement by_side =
      measure_mesh_file(MESHPROBE_DATA_DIR "/bunny.off", at_epsilon(side, /*keep_surface=*/true));
  EXPECT_EQ(by_side.length, side);
  EXPECT_EQ(by_side.positions, by_default.positions);
  EXPECT_EQ(by_side.epsilons.at(0).roughness, by_default.epsilons.at(0).roughness);
}

TEST(Length, PowerOfTwoScalingOfInputAndLengthGivesIdenticalValues) {
  constexpr float kLength = 0.0371f;  // about a quarter of the bunny's largest side
  const MeshMeasurement file = bunny_lists();
  ASSERT_TRUE(file.status.ok) << file.status.error;
  const MeshMeasurement reference =
      measure_mesh_lists(file.file_points, file.file_facets, at_epsilon(kLength, true));
  ASSERT_TRUE(reference.status.ok) << reference.status.error;
  EXPECT_EQ(reference.length, kLength);
  const std::vector<float> expected = reference.in_file_order(reference.epsilons.at(0).roughness);
  // The file's own reading measures the same surface to the same values.
  const MeshMeasurement read = measure_mesh_file(MESHPROBE_DATA_DIR "/bunny.off",
                                                 at_epsilon(kLength, /*keep_surface=*/false));
  const std::vector<float> from_file = read.in_file_order(read.epsilons.at(0).roughness);
  EXPECT_EQ(std::memcmp(from_file.data(), expected.data(), expected.size() * sizeof(float)), 0);
  for (const float factor : {0.125f, 2.0f, 1024.0f}) {
    std::vector<Vec3f> scaled = file.file_points;
    for (Vec3f& p : scaled)
      p = {p.x * factor, p.y * factor, p.z * factor};
    const MeshMeasurement m =
        measure_mesh_lists(scaled, file.file_facets, at_epsilon(kLength * factor, true));
    ASSERT_TRUE(m.status.ok) << m.status.error;
    EXPECT_EQ(m.positions, reference.positions) << factor;
    EXPECT_EQ(m.epsilons.at(0).roughness, reference.epsilons.at(0).roughness) << factor;
  }
  // The values are not all 0, so the comparison says something.
  const std::vector<float>& values = reference.epsilons.at(0).roughness;
  EXPECT_GT(*std::max_element(values.begin(), values.end()), 0.0f);
}

}  // namespace
}  // namespace meshprobe
