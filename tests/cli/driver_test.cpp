// Argument checks, reading and preparing a file, and the words of the warning about facets left
// out.
#include <gtest/gtest.h>

#include <tuple>

#include "cli/driver.h"
#include "measure/measurement.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

TEST(LeftOutWarning, GivesTheCountAndTheFirstFacet) {
  ReadStatus status;
  EXPECT_EQ(left_out_warning(status), "");
  status.facets_left_out = 12;
  status.first_left_out = 3051;
  EXPECT_EQ(left_out_warning(status),
            "12 facets the surface cannot hold were left out (the first is facet 3051)");
  status.first_left_out_line = 3060;
  EXPECT_EQ(left_out_warning(status),
            "12 facets the surface cannot hold were left out (the first is facet 3051, line "
            "3060)");
  status.facets_left_out = 1;
  EXPECT_EQ(left_out_warning(status),
            "1 facet the surface cannot hold was left out (facet 3051, line 3060)");
}

TEST(Epsilon, ParsedAsPercentFAndAcceptedOnlyWhenPositiveAndFinite) {
  float epsilon = -1.0f;
  EXPECT_TRUE(parse_epsilon("0.01", epsilon));
  EXPECT_EQ(epsilon, 0.01f);
  EXPECT_TRUE(parse_epsilon("  0.02xyz", epsilon));
  EXPECT_EQ(epsilon, 0.02f);
  EXPECT_TRUE(parse_epsilon("1e-3", epsilon));
  EXPECT_EQ(epsilon, 0.001f);
  // Radii beyond the model's size are accepted: the spheres then hold the whole model.
  EXPECT_TRUE(parse_epsilon("2", epsilon));
  EXPECT_EQ(epsilon, 2.0f);
  EXPECT_TRUE(parse_epsilon("1e30", epsilon));
  EXPECT_EQ(epsilon, 1e30f);
  EXPECT_TRUE(parse_epsilon("1e-30", epsilon));
  EXPECT_EQ(epsilon, 1e-30f);
  // The smallest single-precision number above 0, below the normal range.
  EXPECT_TRUE(parse_epsilon("1.5e-45", epsilon));
  EXPECT_GT(epsilon, 0.0f);
  for (const char* bad :
       {"", "abc", "x0.01", "0", "-0.01", "0.0", "inf", "nan", "1e400", "1e-50", "1%", "1 %"}) {
    epsilon = 5.0f;
    EXPECT_FALSE(parse_epsilon(bad, epsilon)) << bad;
    EXPECT_EQ(epsilon, 5.0f) << bad;
  }
}

TEST(Loading, KeepsTheFileCoordinatesAndMeasuresTheNormalisedSurface) {
  const std::string folder = testing::scratch_folder("driver-loading");
  const std::string path = folder + "/shifted.off";
  testing::write_file(path,
                      "OFF\n4 2 0\n100 20 3.5\n104 20 3.5\n104 22 3.5\n100 22 4.5\n"
                      "3 0 1 2\n3 0 2 3\n");
  MeasureOptions options;
  options.keep_file_lists = true;
  options.keep_surface = true;
  const MeshMeasurement m = measure_mesh_file(path, options);
  ASSERT_TRUE(m.status.ok) << m.status.error;
  const std::vector<Vec3f> file_points = {
      {100, 20, 3.5f}, {104, 20, 3.5f}, {104, 22, 3.5f}, {100, 22, 4.5f}};
  EXPECT_EQ(m.file_points, file_points);
  // Centred on the box and scaled by its largest side, 4: x runs from -0.5 to 0.5.
  ASSERT_EQ(m.positions.size(), 4u);
  EXPECT_EQ(m.positions[0].x, -0.5f);
  EXPECT_EQ(m.positions[1].x, 0.5f);
  EXPECT_EQ(m.length, 4.0f);
  EXPECT_EQ(m.bbox_min, (Vec3f{100, 20, 3.5f}));
  EXPECT_EQ(m.bbox_max, (Vec3f{104, 22, 4.5f}));

  testing::write_file(folder + "/point.off", "OFF\n3 1 0\n1 1 1\n1 1 1\n1 1 1\n3 0 1 2\n");
  const MeshMeasurement refused = measure_mesh_file(folder + "/point.off", options);
  EXPECT_FALSE(refused.status.ok);
  EXPECT_EQ(refused.status.error, "all vertices lie at one point (the bounding box has no extent)");
}

}  // namespace
}  // namespace meshprobe
