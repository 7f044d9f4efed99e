// Argument checks, the value-file name and the choice of reader.
#include <gtest/gtest.h>

#include "app/driver.h"

namespace meshprobe {
namespace {

TEST(OutputName, CutsAtTheLastDotAnywhereInThePath) {
  EXPECT_EQ(derive_output_name("models/dino.obj"), "models/dino_labels.lb");
  EXPECT_EQ(derive_output_name("scan.raw.off"), "scan.raw_labels.lb");
  EXPECT_EQ(derive_output_name("a.b.off"), "a.b_labels.lb");
  EXPECT_EQ(derive_output_name("./meshes/torus"), "_labels.lb");
  EXPECT_EQ(derive_output_name("../data/mesh"), "._labels.lb");
  EXPECT_EQ(derive_output_name("torus"), "_labels.lb");
  const std::string long_path(5000, 'x');
  EXPECT_EQ(derive_output_name(long_path + ".off"), long_path + "_labels.lb");
}

TEST(ReaderChoice, LooksAtTheLastThreeCharactersOnly) {
  EXPECT_TRUE(reads_as_obj("x.obj"));
  EXPECT_TRUE(reads_as_obj("x.OBJ"));
  EXPECT_TRUE(reads_as_obj("x.Obj"));
  EXPECT_TRUE(reads_as_obj("meshobj"));
  EXPECT_TRUE(reads_as_obj("obj"));
  EXPECT_FALSE(reads_as_obj("x.off"));
  EXPECT_FALSE(reads_as_obj("x.OFF"));
  EXPECT_FALSE(reads_as_obj("x.ply"));
  EXPECT_FALSE(reads_as_obj("x"));
  EXPECT_FALSE(reads_as_obj("bj"));
  EXPECT_FALSE(reads_as_obj("x.obj.off"));
}

TEST(Epsilon, ParsedAsPercentFAndAcceptedOnlyWhenPositiveAndAtMostOne) {
  float epsilon = -1.0f;
  EXPECT_TRUE(parse_epsilon("0.01", epsilon));
  EXPECT_EQ(epsilon, 0.01f);
  EXPECT_TRUE(parse_epsilon("  0.02xyz", epsilon));
  EXPECT_EQ(epsilon, 0.02f);
  EXPECT_TRUE(parse_epsilon("1e-3", epsilon));
  EXPECT_EQ(epsilon, 0.001f);
  EXPECT_TRUE(parse_epsilon("1", epsilon));
  EXPECT_EQ(epsilon, 1.0f);
  EXPECT_TRUE(parse_epsilon("1e-30", epsilon));
  EXPECT_EQ(epsilon, 1e-30f);
  // The smallest single-precision number above 0, below the normal range.
  EXPECT_TRUE(parse_epsilon("1.5e-45", epsilon));
  EXPECT_GT(epsilon, 0.0f);
  for (const char* bad : {"", "abc", "x0.01", "0", "-0.01", "0.0", "inf", "nan", "1e400", "1.0001",
                          "2", "1e6", "1e30", "1e-50"}) {
    epsilon = 5.0f;
    EXPECT_FALSE(parse_epsilon(bad, epsilon)) << bad;
    EXPECT_EQ(epsilon, 5.0f) << bad;
  }
}

}  // namespace
}  // namespace meshprobe
