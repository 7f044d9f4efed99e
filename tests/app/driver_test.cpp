// Argument checks, the value-file name, the choice of reader, loading in two steps and the words
// of the warning about facets left out.
#include <gtest/gtest.h>

#include <tuple>

#include "app/driver.h"
#include "tests/support/shapes.h"

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

TEST(ReaderChoice, ObjByTheNameThenPlyByTheFirstLineThenOff) {
  const std::vector<std::tuple<std::string, std::string, MeshFormat>> cases = {
      {"scan.off", "ply\nformat ascii 1.0\n", MeshFormat::kPly},
      {"scan", "ply\r\n", MeshFormat::kPly},
      {"scan.PLY", "ply\n", MeshFormat::kPly},
      {"scan.obj", "ply\n", MeshFormat::kObj},
      {"scanOBJ", "OFF\n", MeshFormat::kObj},
      {"mesh.ply", "OFF\n3 1 0\n", MeshFormat::kOff},
      {"short.ply", "ply", MeshFormat::kOff},
      {"spaced.ply", "ply \n", MeshFormat::kOff},
      {"upper.ply", "PLY\n", MeshFormat::kOff},
      {"empty.ply", "", MeshFormat::kOff}};
  for (const auto& [name, content, format] : cases) {
    EXPECT_EQ(choose_format(name, content), format) << name;
  }
}

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
       {"", "abc", "x0.01", "0", "-0.01", "0.0", "inf", "nan", "1e400", "1e-50"}) {
    epsilon = 5.0f;
    EXPECT_FALSE(parse_epsilon(bad, epsilon)) << bad;
    EXPECT_EQ(epsilon, 5.0f) << bad;
  }
}

TEST(Loading, KeepsTheFileCoordinatesUntilPreparedAndPreparesAsInOneStep) {
  const std::string folder = testing::scratch_folder("driver-loading");
  const std::string path = folder + "/shifted.off";
  testing::write_file(path,
                      "OFF\n4 2 0\n100 20 3.5\n104 20 3.5\n104 22 3.5\n100 22 4.5\n"
                      "3 0 1 2\n3 0 2 3\n");
  Mesh loaded;
  ASSERT_TRUE(load_mesh(path, loaded).ok);
  const std::vector<Vec3f> file_points = {
      {100, 20, 3.5f}, {104, 20, 3.5f}, {104, 22, 3.5f}, {100, 22, 4.5f}};
  EXPECT_EQ(testing::points_of(loaded), file_points);

  prepare_mesh(loaded);
  Mesh at_once;
  ASSERT_TRUE(load_prepared_mesh(path, at_once).ok);
  const auto prepared = testing::points_of(loaded);
  EXPECT_EQ(prepared, testing::points_of(at_once));
  // Centred on the box and scaled by its largest side, 4: x runs from -0.5 to 0.5.
  EXPECT_EQ(prepared[0].x, -0.5f);
  EXPECT_EQ(prepared[1].x, 0.5f);
  EXPECT_EQ(loaded.bbox_min, (Vec3f{100, 20, 3.5f}));
  EXPECT_EQ(loaded.bbox_max, (Vec3f{104, 22, 4.5f}));
  EXPECT_TRUE(loaded.is_triangle_mesh);
  auto v = loaded.vertices_begin();
  auto w = at_once.vertices_begin();
  for (; v != loaded.vertices_end(); ++v, ++w)
    EXPECT_EQ(v->normal, w->normal);

  Mesh refused;
  testing::write_file(folder + "/point.off", "OFF\n3 1 0\n1 1 1\n1 1 1\n1 1 1\n3 0 1 2\n");
  EXPECT_FALSE(load_mesh(folder + "/point.off", refused).ok);
}

}  // namespace
}  // namespace meshprobe
