// Reading a mesh file with its layout: the same six vertices and four facets written in every
// format, one vertex that no facet names and one facet the surface cannot hold; the layout maps
// each vertex of the file to its place in the mesh and keeps every facet as written.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "tests/support/ply_text.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using Faces = std::vector<std::vector<std::int64_t>>;
constexpr std::uint32_t kOut = FileLayout::kNotInMesh;

// Vertex 2 lies on no facet; facet 2 would be a third facet on the edge 0-1.
const std::vector<Vec3f> kPoints = {{0, 0, 0}, {1, 0, 0}, {9, 9, 9},
                                    {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
const Faces kFaces = {{0, 1, 3}, {1, 0, 4}, {0, 1, 5}, {3, 1, 4}};

std::string off_text() {
  std::string text = "OFF\n6 4 0\n0 0 0\n1 0 0\n9 9 9\n0 1 0\n0 0 1\n1 1 1\n";
  for (const auto& face : kFaces)
    text += "3 " + std::to_string(face[0]) + " " + std::to_string(face[1]) + " " +
            std::to_string(face[2]) + "\n";
  return text;
}

std::string obj_text() {
  std::string text = "v 0 0 0\nv 1 0 0\nv 9 9 9\nv 0 1 0\nv 0 0 1\nv 1 1 1\n";
  for (const auto& face : kFaces)
    text += "f " + std::to_string(face[0] + 1) + " " + std::to_string(face[1] + 1) + " " +
            std::to_string(face[2] + 1) + "\n";
  return text;
}

struct LayoutCase {
  std::string name;  // the file's name, which also chooses OBJ
  std::string content;
  MeshFormat format;
  std::vector<std::uint32_t> mesh_vertex;
  std::size_t left_out_line;  // the line of the facet left out, for OBJ
};

std::vector<LayoutCase> layout_cases() {
  const std::vector<std::uint32_t> dropped = {0, 1, kOut, 2, 3, 4};
  const std::vector<std::uint32_t> kept = {0, 1, 2, 3, 4, 5};
  return {
      {"mesh.off", off_text(), MeshFormat::kOff, dropped, 0},
      {"mesh.ply", testing::ply_file(testing::PlyEncoding::kAscii, kPoints, kFaces),
       MeshFormat::kPly, dropped, 0},
      {"mesh", testing::ply_file(testing::PlyEncoding::kBigEndian, kPoints, kFaces),
       MeshFormat::kPly, dropped, 0},
      {"mesh.obj", obj_text(), MeshFormat::kObj, kept, 9},
  };
}

TEST(MeshFile, LayoutMapsEveryVertexOfTheFileAndKeepsEveryFacetAsWritten) {
  const std::string folder = testing::scratch_folder("mesh-file-layout");
  for (const LayoutCase& c : layout_cases()) {
    SCOPED_TRACE(c.name);
    testing::write_file(folder + "/" + c.name, c.content);
    Mesh mesh;
    FileLayout layout;
    const ReadStatus status = read_mesh_file(folder + "/" + c.name, mesh, layout, true);
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(layout.format, c.format);
    EXPECT_EQ(status.facets_left_out, 1u);
    EXPECT_EQ(status.first_left_out, 2u);
    EXPECT_EQ(status.first_left_out_line, c.left_out_line);
    EXPECT_EQ(layout.vertices_in_file, 6u);
    EXPECT_EQ(layout.facets_in_file, 4u);
    EXPECT_EQ(layout.mesh_vertex, c.mesh_vertex);
    EXPECT_EQ(layout.points, kPoints);
    ASSERT_EQ(layout.facets.size(), kFaces.size());
    for (std::size_t f = 0; f < kFaces.size(); ++f) {
      const std::vector<std::int64_t> corners(
          layout.facets.corners.begin() + static_cast<std::ptrdiff_t>(layout.facets.starts[f]),
          layout.facets.corners.begin() + static_cast<std::ptrdiff_t>(layout.facets.starts[f + 1]));
      EXPECT_EQ(corners, kFaces[f]) << "facet " << f;
    }
    // Each vertex of the file sits at its mapped place, in the file's coordinates.
    const std::vector<Vec3f> in_mesh = testing::points_of(mesh);
    for (std::size_t v = 0; v < kPoints.size(); ++v) {
      if (layout.mesh_vertex[v] == kOut) continue;
      EXPECT_EQ(in_mesh.at(layout.mesh_vertex[v]), kPoints[v]) << "vertex " << v;
    }
    EXPECT_EQ(mesh.size_of_facets(), 3u);

    // Without keep_lists, the same mesh and map without the lists.
    Mesh lean;
    FileLayout lean_layout;
    ASSERT_TRUE(read_mesh_file(folder + "/" + c.name, lean, lean_layout, false).ok);
    EXPECT_EQ(lean_layout.mesh_vertex, c.mesh_vertex);
    EXPECT_TRUE(lean_layout.points.empty());
    EXPECT_EQ(lean_layout.facets.size(), 0u);
    EXPECT_EQ(testing::points_of(lean), in_mesh);
  }
}

TEST(MeshFile, RefusalLeavesMeshAndLayoutEmpty) {
  const std::string folder = testing::scratch_folder("mesh-file-refusal");
  const std::string kMissing = "cannot open the file (No such file or directory)";
  struct Case {
    std::string name;
    std::string content;  // empty: not written, so that it cannot be opened
    std::string error;
  };
  const std::vector<Case> cases = {
      {"point.off", "OFF\n3 1 0\n1 1 1\n1 1 1\n1 1 1\n3 0 1 2\n",
       "all vertices lie at one point (the bounding box has no extent)"},
      {"bad.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", ""},
      {"missing.off", "", kMissing},
      {"missing.obj", "", kMissing},
      {"missing.ply", "", kMissing},
      {"missing.stl", "", kMissing},
  };
  for (const auto& [name, content, error] : cases) {
    if (!content.empty()) testing::write_file(folder + "/" + name, content);
    Mesh mesh;
    FileLayout layout;
    layout.vertices_in_file = 99;
    const ReadStatus status = read_mesh_file(folder + "/" + name, mesh, layout, true);
    EXPECT_FALSE(status.ok) << name;
    if (!error.empty()) {
      EXPECT_EQ(status.error, error) << name;
    }
    EXPECT_EQ(mesh.size_of_vertices(), 0u) << name;
    EXPECT_EQ(layout.vertices_in_file, 0u) << name;
    EXPECT_TRUE(layout.mesh_vertex.empty()) << name;
  }
}

}  // namespace
}  // namespace meshprobe
