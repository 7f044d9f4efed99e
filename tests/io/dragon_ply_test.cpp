// The Stanford dragon and its three decimations read from PLY when bench/fetch-dragon.sh has put
// them in bench/data (skipped otherwise): one mesh vertex per vertex some facet of the file uses;
// the full model builds whole, the crudely decimated ones need facets left out.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

struct DragonFile {
  const char* name;
  bool decimated;
};

// Counts, with a parser of its own, the vertices that some facet of an ASCII PLY file of
// triangles names: the header's vertex and face counts, one vertex per line, then one
// "3 a b c" facet per line.
std::size_t count_used_vertices(const std::string& text) {
  std::istringstream header(text);
  std::size_t vertices = 0;
  std::size_t faces = 0;
  for (std::string line; std::getline(header, line) && line != "end_header";) {
    std::istringstream words(line);
    std::string keyword, element;
    std::size_t count = 0;
    if (words >> keyword >> element >> count && keyword == "element") {
      if (element == "vertex") vertices = count;
      if (element == "face") faces = count;
    }
  }
  // A stream, not strchr and strtol: under AddressSanitizer those measure the rest of the text
  // at every call, which makes the count quadratic in the file's size.
  std::istringstream body(text);
  body.seekg(header.tellg());
  std::string line;
  for (std::size_t v = 0; v < vertices; ++v)
    std::getline(body, line);
  std::vector<bool> used(vertices, false);
  std::size_t count = 0;
  for (std::size_t f = 0; f < faces; ++f) {
    std::size_t corners = 0;
    body >> corners;
    for (std::size_t k = 0; k < corners; ++k) {
      std::size_t index = 0;
      body >> index;
      if (!used.at(index)) {
        used[index] = true;
        ++count;
      }
    }
  }
  return count;
}

void PrintTo(const DragonFile& file, std::ostream* out) {
  *out << file.name;
}

class DragonPly : public ::testing::TestWithParam<DragonFile> {};

TEST_P(DragonPly, HoldsOneVertexPerUsedVertexOfTheFile) {
  const std::string path = std::string(MESHPROBE_BENCH_DATA_DIR) + "/" + GetParam().name;
  if (!std::filesystem::exists(path)) {
    GTEST_SKIP() << path << " is absent (bench/fetch-dragon.sh fetches it)";
  }
  Mesh mesh;
  FileLayout layout;
  const ReadStatus status = read_mesh_file(path, mesh, layout, false);
  ASSERT_TRUE(status.ok) << status.error;
  EXPECT_EQ(mesh.size_of_vertices(), count_used_vertices(testing::read_file(path)));
  if (GetParam().decimated) {
    EXPECT_GT(status.facets_left_out, 0u);
  } else {
    EXPECT_EQ(status.facets_left_out, 0u);
  }
  std::size_t without_neighbours = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    without_neighbours += v->halfedge() == Mesh::Halfedge_handle();
  RecordProperty("facets_left_out", std::to_string(status.facets_left_out));
  RecordProperty("first_left_out", std::to_string(status.first_left_out));
  RecordProperty("vertices_without_neighbours", std::to_string(without_neighbours));
  RecordProperty("vertices", std::to_string(mesh.size_of_vertices()));
}

INSTANTIATE_TEST_SUITE_P(Models, DragonPly,
                         ::testing::Values(DragonFile{"dragon_vrip.ply", false},
                                           DragonFile{"dragon_vrip_res2.ply", true},
                                           DragonFile{"dragon_vrip_res3.ply", true},
                                           DragonFile{"dragon_vrip_res4.ply", true}),
                         [](const ::testing::TestParamInfo<DragonFile>& model) {
                           const std::string name = model.param.name;
                           return name.substr(0, name.size() - 4);
                         });

}  // namespace
}  // namespace meshprobe
