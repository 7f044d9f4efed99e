// The STL reader: binary and ASCII files of the same two triangles read to the same lists, with
// corners merged in order of first appearance; every refusal names what is wrong.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "io/stl_reader.h"
#include "tests/support/read_as_file.h"
#include "tests/support/shapes.h"
#include "tests/support/stl_text.h"

namespace meshprobe {
namespace {

using testing::ascii_stl;
using testing::binary_stl;
using Triangle = testing::Triangle;

// Two triangles sharing the edge (1,0,0)-(0,1,0), the second with a -0 that merges with 0, and
// a third whose corners merge into two vertices.
const std::vector<Triangle> kTriangles = {
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
    {{1, 0, 0}, {1, 1, -0.0f}, {0, 1, 0}},
    {{0.5f, 0.25f, 3}, {0.5f, 0.25f, 3}, {0, 0, 0}},
};
const std::vector<Vec3f> kMerged = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0.5f, 0.25f, 3}};
const std::vector<VertexIndex> kCorners = {0, 1, 2, 1, 3, 2, 4, 4, 0};

TEST(StlReader, BinaryAndAsciiGiveTheSameMergedLists) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"binary", binary_stl(kTriangles)},
      {"binary with a solid header", binary_stl(kTriangles, "solid part")},
      {"ascii", ascii_stl(kTriangles)},
      {"ascii with CR LF", ascii_stl(kTriangles, "\r\n")},
  };
  for (const auto& [name, content] : files) {
    std::vector<Vec3f> points;
    FacetsInMemory facets;
    const ReadStatus status = testing::read_lists_as_file("part.stl", content, points, facets);
    ASSERT_TRUE(status.ok) << name << ": " << status.error;
    EXPECT_EQ(points, kMerged) << name;
    EXPECT_EQ(facets.list.corners, kCorners) << name;
    EXPECT_EQ(facets.list.starts, (std::vector<std::size_t>{0, 3, 6, 9})) << name;

    // Read as STL by its bytes whatever its name, and built, the merged triangle is left out
    // like a facet the surface cannot hold, and its vertex stays; the layout lists it among the
    // file's facets.
    Mesh mesh;
    FileLayout layout;
    const ReadStatus built = testing::read_as_file("part.off", content, mesh, layout, true);
    ASSERT_TRUE(built.ok) << name << ": " << built.error;
    EXPECT_EQ(layout.format, MeshFormat::kStl) << name;
    EXPECT_EQ(built.facets_left_out, 1u);
    EXPECT_EQ(built.first_left_out, 2u);
    EXPECT_EQ(mesh.size_of_facets(), 2u);
    EXPECT_EQ(testing::points_of(mesh), kMerged);
    EXPECT_EQ(layout.vertices_in_file, 5u);
    EXPECT_EQ(layout.facets_in_file, 3u);
    EXPECT_EQ(layout.mesh_vertex, (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(layout.facets.corners, kCorners);
  }
}

TEST(StlReader, RefusesWithOneLineSayingWhy) {
  const Triangle one = kTriangles[0];
  std::string cut = binary_stl({one, one});
  cut.resize(cut.size() - 7);
  const std::string nan_text =
      "solid\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
      "vertex nan 0 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {binary_stl({one}, "", 2000000000),
       "not an OFF, PLY or ASCII STL file, and as binary STL its count of 2000000000 triangles "
       "needs 100000000084 bytes where the file has 134"},
      {cut,
       "not an OFF, PLY or ASCII STL file, and as binary STL its count of 2 triangles needs 184 "
       "bytes where the file has 177"},
      {binary_stl({{{0, 0, 0}, {1e38f * 10, 0, 0}, {0, 1, 0}}}),
       "STL triangle 0 has a coordinate that is not a finite number"},
      {nan_text, "STL line 5: \"nan\" is not a finite number"},
      {"solid\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1e39 0 0\n",
       "STL line 5: \"1e39\" is not a finite number"},
      {"solid\nfacet normal 0 0 1\nouter loop\nvertex 0 0\nvertex 1 0 0\n",
       "STL line 5: \"vertex\" is not a finite number"},
      {"solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
       "endfacet\n",
       "STL line 7: \"endfacet\" where \"endloop\" should be"},
      {"solid x\nfacet normal 0 0 1\r\nouter\r\n", "the STL file ends where \"loop\" should be"},
      {"solid x\n", "the STL file ends where \"facet\" or \"endsolid\" should be"},
      {"solid x\nfacet normal 0 0", "the STL file ends where a number should be"},
      {"solid x\nendsolid x\ntrailing\n",
       "STL line 3: \"trailing\" where \"solid\" or the end of the file should be"},
      {"solid x\nfacet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0x endloop",
       "STL line 2: \"0x\" is not a finite number"},
  };
  for (const auto& [content, message] : cases) {
    Mesh mesh;
    FileLayout layout;
    const ReadStatus status = testing::read_as_file("part.stl", content, mesh, layout, true);
    EXPECT_FALSE(status.ok) << message;
    EXPECT_EQ(status.error, message);
    EXPECT_EQ(mesh.size_of_vertices(), 0u);
  }
}

}  // namespace
}  // namespace meshprobe
