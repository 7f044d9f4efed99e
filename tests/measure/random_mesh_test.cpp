// Invariants of a whole run over seeded random meshes read from OBJ and OFF files, with
// coincident vertices, degenerate and sliver facets, borders, several components and vertices
// that no facet uses: for any epsilon in [0.001, 0.1] every roughness is a finite number >= 0,
// the value file has one line per vertex holding it, and a second run writes the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "outputs/value_file.h"
#include "tests/support/random_meshes.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using testing::Flaws;
using testing::PolygonSoup;

std::size_t count_lines(const std::string& text) {
  std::size_t lines = 0;
  for (char c : text)
    lines += c == '\n';
  return lines;
}

// Measures `file` (a path ending in .obj or .off) at `epsilon` as the command line does, writes
// its value file and checks every invariant of one run; returns the value file's bytes.
std::string run_and_check(const std::string& file, float epsilon, std::size_t expected_vertices) {
  MeasureOptions options;
  options.epsilons = {{std::to_string(epsilon), epsilon}};
  const MeshMeasurement m = measure_mesh_file(file, options);
  EXPECT_TRUE(m.status.ok) << m.status.error;
  if (!m.status.ok) return "";
  EXPECT_EQ(m.measured.size(), expected_vertices);
  const std::vector<float>& roughness = m.epsilons.at(0).roughness;
  std::string expected_text;
  EXPECT_EQ(roughness.size(), expected_vertices);
  for (const float value : roughness) {
    EXPECT_TRUE(std::isfinite(value) && value >= 0.0f) << value;
    char line[64];
    std::snprintf(line, sizeof line, "%f \n", static_cast<double>(value));
    expected_text += line;
  }
  const std::string values = file + "_labels.lb";
  EXPECT_TRUE(write_value_file(roughness, values));
  const std::string text = testing::read_file(values);
  EXPECT_EQ(count_lines(text), expected_vertices);
  EXPECT_EQ(text, expected_text);
  std::remove(values.c_str());
  return text;
}

// Writes the soup as OBJ (with `isolated` unused vertices) and as OFF, and runs each twice.
void check_soup(std::mt19937& random, const PolygonSoup& soup, int isolated,
                const std::string& folder) {
  const float epsilon = std::uniform_real_distribution<float>(0.001f, 0.1f)(random);
  SCOPED_TRACE("epsilon " + std::to_string(epsilon));
  const std::string obj = folder + "/mesh.obj";
  testing::write_file(obj, testing::to_obj(random, soup, isolated));
  const std::string first_obj = run_and_check(obj, epsilon, soup.points.size() + isolated);
  EXPECT_EQ(run_and_check(obj, epsilon, soup.points.size() + isolated), first_obj);
  // OFF input drops unused vertices; every soup vertex here is used by a facet.
  const std::string off = folder + "/mesh.off";
  testing::write_file(off, testing::to_off(soup));
  const std::string first_off = run_and_check(off, epsilon, soup.points.size());
  EXPECT_EQ(run_and_check(off, epsilon, soup.points.size()), first_off);
  // Both files describe one surface: the OBJ file's values, without the unused vertices' lines,
  // are the OFF file's. Unused vertices take part in neither normalisation nor roughness but
  // widen the OBJ file's bounding box, so this holds only when there are none.
  if (isolated == 0) {
    EXPECT_EQ(first_obj, first_off);
  }
}

TEST(RandomMeshes, PerturbedGridsWithFlaws) {
  const std::string folder = testing::scratch_folder("random-grids");
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Flaws flaws;
    flaws.mixed_polygons = seed % 2 == 0;
    flaws.coincident = static_cast<int>(seed % 3);
    flaws.slivers = static_cast<int>((seed / 2) % 3);
    flaws.components = 1 + static_cast<int>(seed % 2);
    const PolygonSoup soup =
        with_flaws(random, testing::perturbed_grid(random, 8, 6, flaws.mixed_polygons), flaws);
    check_soup(random, soup, static_cast<int>(seed % 4), folder);
  }
}

TEST(RandomMeshes, PerturbedIcospheresWithFlaws) {
  const std::string folder = testing::scratch_folder("random-spheres");
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    Flaws flaws;
    flaws.coincident = static_cast<int>(seed % 4);
    flaws.slivers = static_cast<int>(seed % 3);
    flaws.components = 1 + static_cast<int>(seed % 3);
    const PolygonSoup soup = with_flaws(random, testing::perturbed_icosphere(random, 2), flaws);
    check_soup(random, soup, static_cast<int>(seed % 3), folder);
  }
}

}  // namespace
}  // namespace meshprobe
