// Reading a mesh file with its layout: the same six vertices and four facets written in every
// format, one vertex that no facet names and one facet the surface cannot hold; the layout maps
// each vertex of the file to its place in the mesh and keeps every facet as written.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "tests/support/ply_text.h"
#include "tests/support/read_as_file.h"
#include "tests/support/shapes.h"
#include "tests/support/stl_text.h"

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

// What the refusals of a file that is no mesh read here name.
const std::string kFormats = "OFF, PLY, STL, OBJ (by a name ending in \"obj\")";

struct ChoiceCase {
  std::string name;
  std::string content;
  MeshFormat format;  // when read
  std::string error;  // empty: read
};

std::vector<ChoiceCase> choice_cases() {
  const std::string off = off_text();
  const std::string ply = testing::ply_file(testing::PlyEncoding::kLittleEndian, kPoints, kFaces);
  const std::string obj = obj_text();
  const std::vector<testing::Triangle> triangles = {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                                    {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
  const std::string stl = testing::binary_stl(triangles, "solid part");
  std::string solid_cut = stl;
  solid_cut.resize(solid_cut.size() - 7);
  std::string bad_check = testing::gzip(off);
  bad_check[bad_check.size() - 8] = static_cast<char>(bad_check[bad_check.size() - 8] ^ 1);
  std::string bad_length = testing::gzip(off);
  bad_length[bad_length.size() - 1] = static_cast<char>(bad_length[bad_length.size() - 1] ^ 1);
  const std::string vtk = "# vtk DataFile Version 3.0\nscan\nASCII\nDATASET POLYDATA\n";
  const std::string not_stl =
      "not an OFF, PLY or ASCII STL file, and as binary STL its count of 2021161080 triangles "
      "needs 101058054084 bytes where the file has 100";
  const std::string cloud = "the file holds 6 vertices and no facet: roughness needs a surface";
  return {
      // The bytes decide, but for OBJ, which only the name tells.
      {"scan.off", ply, MeshFormat::kPly, ""},
      {"scan", "ply\r\n" + ply.substr(4), MeshFormat::kPly, ""},
      {"scan.PLY", off, MeshFormat::kOff, ""},
      {"scanOBJ", obj, MeshFormat::kObj, ""},
      {"scan.ply", stl, MeshFormat::kStl, ""},
      {"scan.off", testing::ascii_stl(triangles), MeshFormat::kStl, ""},
      {"scan.off", std::string(70000, '#') + "\n" + off, MeshFormat::kOff, ""},
      // gzip by its magic bytes whatever the name; inside, the name without ".gz" and the bytes.
      {"scan.off.gz", testing::gzip(off), MeshFormat::kOff, ""},
      {"scan.obj.GZ", testing::gzip(obj), MeshFormat::kObj, ""},
      {"scan.gz", testing::gzip(ply), MeshFormat::kPly, ""},
      {"scan.stl", testing::gzip(stl), MeshFormat::kStl, ""},
      {"scan.off.gz", testing::gzip(off.substr(0, 30)) + testing::gzip(off.substr(30)),
       MeshFormat::kOff, ""},
      {"scan.off.gz", testing::gzip(off) + std::string(512, '\0'), MeshFormat::kOff, ""},
      // What is no mesh says what it is.
      {"empty.off", "", MeshFormat::kOff, "the file is empty"},
      {"scan.vtk", vtk, MeshFormat::kOff,
       "it is a VTK file, not a format read here: " + kFormats + ", or one of them gzipped"},
      {"scan.vtp", "<?xml version=\"1.0\"?>\n<VTKFile type=\"PolyData\">\n", MeshFormat::kOff,
       "it is a VTK file, not a format read here: " + kFormats + ", or one of them gzipped"},
      {"short.ply", "ply", MeshFormat::kOff,
       "not a mesh file of a format read here: " + kFormats + ", or one of them gzipped"},
      {"notes.txt", std::string(100, 'x'), MeshFormat::kOff,
       "not a mesh file of a format read here: " + kFormats + ", or one of them gzipped"},
      {"cloud.off", "OFF\n6 0 0\n0 0 0\n1 0 0\n9 9 9\n0 1 0\n0 0 1\n1 1 1\n", MeshFormat::kOff,
       cloud},
      {"cloud.ply", testing::ply_file(testing::PlyEncoding::kAscii, kPoints, {}), MeshFormat::kOff,
       cloud},
      {"cloud.obj", "v 0 0 0\n", MeshFormat::kOff,
       "the file holds 1 vertex and no facet: roughness needs a surface"},
      // STL keeps its reader's words where the name or a binary header says STL.
      {"part.stl", std::string(100, 'x'), MeshFormat::kOff, not_stl},
      {"part.stl", "x", MeshFormat::kOff, "the binary STL file ends inside its 84-byte header"},
      {"part.off", solid_cut, MeshFormat::kOff,
       "not an OFF, PLY or ASCII STL file, and as binary STL its count of 2 triangles needs 184 "
       "bytes where the file has 177"},
      // gzip that holds no mesh, or cannot be decompressed.
      {"scan.off.gz", testing::gzip(""), MeshFormat::kOff, "the gzip file decompresses to nothing"},
      {"scan.off.gz", testing::gzip(vtk), MeshFormat::kOff,
       "the gzip file holds a VTK file, not a format read here: " + kFormats +
           ", or one of them gzipped"},
      {"scan.off.gz", testing::gzip("hello\n"), MeshFormat::kOff,
       "the gzip file holds no mesh file of a format read here: " + kFormats},
      {"scan.gz", testing::gzip(testing::gzip(off)), MeshFormat::kOff,
       "the gzip file holds another gzip file: decompress it first"},
      {"scan.off.gz", testing::gzip(off).substr(0, 30), MeshFormat::kOff,
       "the gzip data is cut short"},
      {"scan.off.gz", bad_check, MeshFormat::kOff,
       "the gzip data is damaged (incorrect data check)"},
      {"scan.off.gz", bad_length, MeshFormat::kOff,
       "the gzip data is damaged (incorrect length check)"},
      {"scan.off.gz", "\x1f\x8b" + std::string(20, 'x'), MeshFormat::kOff,
       "the gzip data is damaged (unknown compression method)"},
      {"scan.off.gz", testing::gzip(off) + "more", MeshFormat::kOff,
       "the gzip data is followed by bytes that are not gzip"},
  };
}

TEST(MeshFile, ObjIsToldByTheLastThreeCharactersOfTheNameOnly) {
  const std::vector<std::pair<std::string, bool>> names = {
      {"x.obj", true}, {"x.OBJ", true},  {"x.Obj", true},      {"meshobj", true},
      {"obj", true},   {"x.off", false}, {"x.OFF", false},     {"x.ply", false},
      {"x", false},    {"bj", false},    {"x.obj.off", false}, {"x.obj.gz", false}};
  for (const auto& [name, obj] : names)
    EXPECT_EQ(reads_as_obj(name), obj) << name;
  const std::vector<std::pair<std::string, std::string>> inside = {
      {"x.obj.gz", "x.obj"}, {"x.OFF.Gz", "x.OFF"}, {"x.tgz", "x.tgz"}, {".gz", ""}};
  for (const auto& [name, without] : inside)
    EXPECT_EQ(without_gzip_ending(name), without) << name;
}

TEST(MeshFile, ChoosesTheReaderFromTheNameAndBytesAndSaysWhatIsNoMesh) {
  for (const ChoiceCase& c : choice_cases()) {
    SCOPED_TRACE(c.name + ": " + c.error);
    Mesh mesh;
    FileLayout layout;
    const ReadStatus status = testing::read_as_file(c.name, c.content, mesh, layout, true);
    EXPECT_EQ(status.error, c.error);
    if (c.error.empty()) {
      EXPECT_EQ(layout.format, c.format);
      EXPECT_GT(mesh.size_of_facets(), 0u);
    } else {
      EXPECT_FALSE(status.ok);
      EXPECT_EQ(mesh.size_of_vertices(), 0u);
      EXPECT_TRUE(layout.mesh_vertex.empty());
    }
  }
}

// Compressed or not, a file gives the same mesh, layout and facets left out.
TEST(MeshFile, GzipGivesThePlainFilesMeshAndLayout) {
  for (const LayoutCase& c : layout_cases()) {
    SCOPED_TRACE(c.name);
    Mesh plain;
    FileLayout plain_layout;
    const ReadStatus expected = testing::read_as_file(c.name, c.content, plain, plain_layout, true);
    Mesh unpacked;
    FileLayout layout;
    const ReadStatus status =
        testing::read_as_file(c.name + ".gz", testing::gzip(c.content), unpacked, layout, true);
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(status.facets_left_out, expected.facets_left_out);
    EXPECT_EQ(status.first_left_out_line, expected.first_left_out_line);
    EXPECT_EQ(layout.format, plain_layout.format);
    EXPECT_EQ(layout.mesh_vertex, plain_layout.mesh_vertex);
    EXPECT_EQ(layout.points, plain_layout.points);
    EXPECT_EQ(layout.facets.corners, plain_layout.facets.corners);
    EXPECT_EQ(testing::points_of(unpacked), testing::points_of(plain));
  }
}

}  // namespace
}  // namespace meshprobe
