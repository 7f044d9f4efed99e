// PLY input: every encoding, list types and skipped properties and elements, file order and the
// removal of unused vertices, facets left out where the surface cannot hold them, every way a
// file is refused, damaged files, and agreement with the OFF reader on the shipped bunny.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "io/off_reader.h"
#include "io/ply_header.h"
#include "tests/support/mesh_checks.h"
#include "tests/support/ply_text.h"
#include "tests/support/read_as_file.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

// The bytes of a file named as PLY, read through the entry every program uses.
ReadStatus read_ply_bytes(const std::string& content, Mesh& mesh) {
  FileLayout layout;
  return testing::read_as_file("mesh.ply", content, mesh, layout);
}

using testing::canonical_cycles;
using testing::Cycle;
using testing::ply_file;
using testing::PlyEncoding;
using testing::PlyLayout;
using Faces = std::vector<std::vector<std::int64_t>>;

constexpr PlyEncoding kEncodings[] = {PlyEncoding::kAscii, PlyEncoding::kLittleEndian,
                                      PlyEncoding::kBigEndian};

std::string encoding_name(PlyEncoding encoding) {
  switch (encoding) {
    case PlyEncoding::kAscii:
      return "ascii";
    case PlyEncoding::kLittleEndian:
      return "little endian";
    case PlyEncoding::kBigEndian:
      return "big endian";
  }
  return "";
}

using testing::expect_empty;

// A cube of quads whose eight corners are listed with two vertices no facet names, at places
// 0 and 5, and with coordinates that are not round in binary.
const std::vector<Vec3f> kCubePoints = {{7, 7, 7},    {-0.1f, -1, -1}, {1, -1, -1}, {1, 1, -1},
                                        {-1, 1, -1},  {8, 8, 8},       {-1, -1, 1}, {1, -1, 1},
                                        {1, 1, 0.3f}, {-1, 1, 1}};
const Faces kCubeFaces = {{1, 4, 3, 2}, {6, 7, 8, 9}, {1, 2, 7, 6},
                          {3, 4, 9, 8}, {2, 3, 8, 7}, {1, 6, 9, 4}};
// The same facets once the two unused vertices are gone, canonical.
const std::vector<Cycle> kCubeCycles = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                        {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
const std::vector<Vec3f> kCubeUsedPoints = {{-0.1f, -1, -1}, {1, -1, -1}, {1, 1, -1},   {-1, 1, -1},
                                            {-1, -1, 1},     {1, -1, 1},  {1, 1, 0.3f}, {-1, 1, 1}};

TEST(PlyReader, EveryEncodingAndLayoutGivesTheSameMesh) {
  std::vector<std::pair<std::string, PlyLayout>> layouts;
  layouts.push_back({"uchar int lists", PlyLayout()});
  PlyLayout layout;
  layout.index_type = "uint";
  layouts.push_back({"uchar uint lists", layout});
  layout.count_type = "int";
  layout.index_type = "int";
  layouts.push_back({"int int lists", layout});
  layout.count_type = "uint";
  layout.index_type = "uint";
  layout.index_name = "vertex_index";
  layouts.push_back({"uint uint lists named vertex_index", layout});
  layout = PlyLayout();
  layout.normals = true;
  layout.colours = true;
  layout.extra_elements = true;
  layouts.push_back({"normals, colours and extra elements", layout});
  layout = PlyLayout();
  layout.coordinate_type = "double";
  layout.count_type = "ushort";
  layouts.push_back({"double coordinates, ushort counts", layout});

  for (PlyEncoding encoding : kEncodings) {
    for (const auto& [name, ply_layout] : layouts) {
      const std::string context = encoding_name(encoding) + ", " + name;
      Mesh mesh;
      const ReadStatus status =
          read_ply_bytes(ply_file(encoding, kCubePoints, kCubeFaces, ply_layout), mesh);
      ASSERT_TRUE(status.ok) << status.error << " (" << context << ")";
      EXPECT_EQ(status.facets_left_out, 0u) << context;
      EXPECT_EQ(testing::points_of(mesh), kCubeUsedPoints) << context;
      EXPECT_EQ(canonical_cycles(mesh), kCubeCycles) << context;
      EXPECT_TRUE(mesh.is_closed()) << context;
    }
  }
}

TEST(PlyReader, CarriageReturnLineEndsAndCommentsInTheHeaderAreAccepted) {
  const std::string text =
      "ply\r\nformat ascii 1.0\r\ncomment made by hand\r\nobj_info scanner 3\r\n"
      "element vertex 3\r\nproperty float x\r\nproperty float y\r\nproperty float z\r\n"
      "element face 1\r\nproperty list uchar int vertex_indices\r\nend_header\r\n"
      "0 0 0\r\n1 0 0\r\n0 1 0.5\r\n3 0 1 2";
  Mesh mesh;
  const ReadStatus status = read_ply_bytes(text, mesh);
  ASSERT_TRUE(status.ok) << status.error;
  EXPECT_EQ(testing::points_of(mesh), (std::vector<Vec3f>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0.5f}}));
  EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{{0, 1, 2}}));
}

TEST(PlyReader, FileWithoutFacetsIsRefusedAsAPointCloud) {
  const char* const kCloud = "the file holds 3 vertices and no facet: roughness needs a surface";
  for (PlyEncoding encoding : kEncodings) {
    Mesh mesh;
    const ReadStatus with_empty_face_element =
        read_ply_bytes(ply_file(encoding, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, Faces()), mesh);
    EXPECT_FALSE(with_empty_face_element.ok);
    EXPECT_EQ(with_empty_face_element.error, kCloud);
    expect_empty(mesh, encoding_name(encoding));
  }
  Mesh mesh;
  const ReadStatus vertex_only = read_ply_bytes(
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nproperty float confidence\nend_header\n0 0 0 1\n1 0 0 1\n0 1 0 1\n",
      mesh);
  EXPECT_FALSE(vertex_only.ok);
  EXPECT_EQ(vertex_only.error, kCloud);
  expect_empty(mesh, "vertex-only file");
}

TEST(PlyReader, FacetsTheSurfaceCannotHoldAreLeftOutAndTheirVerticesKept) {
  // The third facet would be a third one on the edge 0-1; the fourth fits. Vertex 4 is named by
  // the third facet only and stays, without neighbours; vertex 5 is named by none and goes.
  const std::vector<Vec3f> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                     {0, 0, 1}, {1, 1, 1}, {9, 9, 9}};
  const Faces faces = {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {2, 1, 3}};
  for (PlyEncoding encoding : kEncodings) {
    Mesh mesh;
    const ReadStatus status = read_ply_bytes(ply_file(encoding, points, faces), mesh);
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(status.facets_left_out, 1u);
    EXPECT_EQ(status.first_left_out, 2u);
    EXPECT_EQ(status.first_left_out_line, 0u);
    EXPECT_EQ(testing::points_of(mesh),
              (std::vector<Vec3f>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}}));
    EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{{0, 1, 2}, {0, 3, 1}, {1, 3, 2}}));
    EXPECT_EQ(testing::broken_link(mesh), "");
    auto last = mesh.vertices_end();
    --last;
    EXPECT_EQ(last->halfedge(), Mesh::Halfedge_handle());
  }
}

struct PlyRefusal {
  std::string text;
  std::string expected;  // part of the message
};

// Every text is refused with a message holding its expected part, and leaves the mesh empty.
void expect_refusals(const std::vector<PlyRefusal>& refusals) {
  for (const PlyRefusal& refusal : refusals) {
    Mesh mesh;
    const ReadStatus status = read_ply_bytes(refusal.text, mesh);
    EXPECT_FALSE(status.ok) << refusal.text;
    EXPECT_NE(status.error.find(refusal.expected), std::string::npos)
        << "message: " << status.error << "\nexpected: " << refusal.expected;
    expect_empty(mesh, refusal.text);
  }
}

std::string ascii_header(const std::string& vertex_properties, const std::string& face_list,
                         std::size_t vertices = 3, std::size_t faces = 1) {
  return "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) + "\n" +
         vertex_properties + "element face " + std::to_string(faces) + "\nproperty list " +
         face_list + "\nend_header\n";
}

const std::string kXyz = "property float x\nproperty float y\nproperty float z\n";
const std::string kTriangleHeader = ascii_header(kXyz, "uchar int vertex_indices");
const std::string kThreePoints = "0 0 0\n1 0 0\n0 1 0\n";

TEST(PlyReader, RefusesHeadersItCannotReadSafely) {
  const std::vector<PlyRefusal> refusals = {
      {"ply\nelement vertex 3\n", "PLY header line 2: the second line must be"},
      {"ply\nformat binary 1.0\n", "unknown format \"binary\""},
      {"ply\nformat ascii 1.0\nproperty float x\nelement vertex 1\nend_header\n1\n",
       "line 3: a property before any element"},
      {ascii_header(kXyz + "property int64 w\n", "uchar int vertex_indices"),
       "unknown type \"int64\""},
      {ascii_header(kXyz, "float int vertex_indices"), "the count type of a list"},
      {ascii_header(kXyz, "uchar int"), "a property line is"},
      {"ply\nformat ascii 1.0\nelement vertex 3\n" + kXyz, "no end_header"},
      {"ply\nformat ascii 1.0\n\nelement vertex 3\n", "line 3: a blank line"},
      {"ply\nformat ascii 1.0\nelment vertex 3\n", "unknown keyword \"elment\""},
      {"ply\nformat ascii 1.0\nelement vertex -3\n", "an element line is"},
      {"ply\nformat ascii 1.0\nelement vertex 3 4\n", "an element line is"},
      {"ply\nformat ascii 1.0\nend_header extra\n", "text after end_header"},
      {"ply\nformat ascii 1.0\nelement face 0\nproperty list uchar int vertex_indices\n"
       "end_header\n",
       "no vertex element"},
      {"ply\nformat ascii 1.0\nelement vertex 0\n" + kXyz + "element vertices 0\n" + kXyz +
           "end_header\n",
       "two vertex elements"},
      {ascii_header("property float x\nproperty float z\n", "uchar int vertex_indices"),
       "no property y"},
      {ascii_header("property int x\nproperty float y\nproperty float z\n",
                    "uchar int vertex_indices"),
       "x must be a float or a double"},
      {ascii_header("property list uchar float x\nproperty float y\nproperty float z\n",
                    "uchar int vertex_indices"),
       "x must be a float or a double"},
      {ascii_header(kXyz, "uchar ushort vertex_indices"), "no list of int or uint"},
      {ascii_header(kXyz + "property uchar red\nproperty float green\nproperty uchar g\n"
                           "property uchar blue\n",
                    "uchar int vertex_indices"),
       "colour channel types: green"},
      {"ply\nformat ascii 1.0\nelement vertex 3\n" + kXyz +
           "element halfedge 1\nproperty int source\nproperty int target\nend_header\n" +
           kThreePoints + "0 1\n",
       "halfedge property source must be a uint"},
  };
  expect_refusals(refusals);
}

TEST(PlyReader, RefusesCountsTheFileCannotHoldBeforeReadingAnyData) {
  const std::vector<PlyRefusal> refusals = {
      {ascii_header(kXyz, "uchar int vertex_indices", 1000000000, 1) + kThreePoints + "3 0 1 2\n",
       "announces 1000000000 \"vertex\", 1 \"face\", more than the file's"},
      {ascii_header(kXyz, "uchar int vertex_indices", 3, 99999999999) + kThreePoints,
       "99999999999 \"face\""},
      {"ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\n" + kXyz + "end_header\n" +
           std::string(100, '\0'),
       "announces 4000000000 \"vertex\""},
      // An element with no property is counted as one byte per item.
      {"ply\nformat ascii 1.0\nelement vertex 0\n" + kXyz +
           "element nothing 18446744073709551615\nend_header\n",
       "18446744073709551615 \"nothing\""},
  };
  for (const PlyRefusal& refusal : refusals) {
    Mesh mesh;
    const ReadStatus status = read_ply_bytes(refusal.text, mesh);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find(refusal.expected), std::string::npos)
        << "message: " << status.error << "\nexpected: " << refusal.expected;
    expect_empty(mesh, refusal.text);
  }
}

TEST(PlyReader, RefusesDataThatDoesNotMatchItsHeader) {
  const std::string int_counts = ascii_header(kXyz, "int int vertex_indices");
  const std::vector<PlyRefusal> refusals = {
      // Long numbers take these files past the header's size check to the walk over the data.
      {kTriangleHeader + "0.000000 0.000000 0.000000\n1 0 0\n0 1",
       "the PLY data ends inside vertex 2 (the header announces 3)"},
      {kTriangleHeader + kThreePoints + "3 0 1          ", "ends inside face 0"},
      {kTriangleHeader + "0 0 0\n1 x 0\n0 1 0\n3 0 1 2\n",
       "PLY vertex 1, property y: \"x\" is not a value of type float"},
      {kTriangleHeader + "0 0 0\n1 0 0\n0 1 0nan\n3 0 1 2\n", "\"0nan\" is not a value"},
      {kTriangleHeader + "0 0 0\n1 0 0\n0 1 inf\n3 0 1 2\n", "\"inf\" is not a value"},
      {kTriangleHeader + kThreePoints + "3 0 1.5 2\n",
       "PLY face 0, property vertex_indices: \"1.5\" is not a value of type int"},
      {kTriangleHeader + kThreePoints + "300 0 1 2\n", "\"300\" is not a value of type uchar"},
      {kTriangleHeader + kThreePoints + "-3 0 1 2\n", "\"-3\" is not a value of type uchar"},
      {int_counts + kThreePoints + "-1 0 1 2\n", "a negative list count"},
      {int_counts + kThreePoints + "2000000000 0 1 2\n",
       "a list of 2000000000 entries, more than the rest of the file holds"},
      {kTriangleHeader + kThreePoints + "3 0 1 4294967296\n", "\"4294967296\" is not a value"},
      {kTriangleHeader + "0 0 0\n1e39 0 0\n0 1 0\n3 0 1 2\n",
       "a number beyond the range of its type"},
      {kTriangleHeader + kThreePoints + "2 0 1\n", "facet 0 has 2 corners, at least 3 are needed"},
      {kTriangleHeader + kThreePoints + "3 0 1 3\n",
       "facet 0 names vertex 3, but the file holds 3 vertices"},
      {kTriangleHeader + kThreePoints + "3 0 -1 2\n",
       "facet 0 names vertex -1, but the file holds 3 vertices"},
      {ascii_header(kXyz, "uchar int vertex_indices", 3, 2) + kThreePoints + "3 0 1 2\n4 2 1 0 1\n",
       "facet 1 names vertex 1 twice"},
  };
  expect_refusals(refusals);
}

TEST(PlyReader, RefusesBinaryDataThatDoesNotMatchItsHeader) {
  PlyLayout uint_lists;
  uint_lists.count_type = "uint";
  uint_lists.index_type = "uint";
  PlyLayout int_lists;
  int_lists.count_type = "int";
  const std::vector<Vec3f> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  for (PlyEncoding encoding : {PlyEncoding::kLittleEndian, PlyEncoding::kBigEndian}) {
    const std::string context = encoding_name(encoding);
    const std::string whole = ply_file(encoding, points, {{0, 1, 2}}, uint_lists);
    // Cut inside the last index, inside the list count, inside the vertices.
    for (std::size_t cut : {1, 13, 20}) {
      Mesh mesh;
      const ReadStatus status = read_ply_bytes(whole.substr(0, whole.size() - cut), mesh);
      EXPECT_FALSE(status.ok) << context << ", " << cut;
      expect_empty(mesh, context);
    }
    // A list count of 4294967280, with the file's three indices after it.
    const bool little = encoding == PlyEncoding::kLittleEndian;
    std::string oversized = whole;
    oversized.replace(
        whole.size() - 16, 4,
        little ? std::string("\xf0\xff\xff\xff", 4) : std::string("\xff\xff\xff\xf0", 4));
    Mesh mesh;
    ReadStatus status = read_ply_bytes(oversized, mesh);
    EXPECT_FALSE(status.ok) << context;
    EXPECT_NE(status.error.find("a list of 4294967280 entries"), std::string::npos) << status.error;
    expect_empty(mesh, context);
    // A count of -1 in a signed count type.
    std::string negative = ply_file(encoding, points, {{0, 1, 2}}, int_lists);
    negative.replace(negative.size() - 16, 4, std::string(4, '\xff'));
    status = read_ply_bytes(negative, mesh);
    EXPECT_FALSE(status.ok) << context;
    EXPECT_NE(status.error.find("a negative list count"), std::string::npos) << status.error;
    expect_empty(mesh, context);
  }
}

TEST(PlyReader, DamagedFilesAreReadOrRefusedNeverMisread) {
  // Random cuts and byte changes anywhere in small files of every encoding: each must come back
  // either read, with a mesh without broken link, or refused with a message and an empty mesh. A
  // misstep in the checks would crash or exhaust memory here.
  std::mt19937 random(1234);
  PlyLayout rich;
  rich.normals = true;
  rich.colours = true;
  rich.extra_elements = true;
  rich.count_type = "int";
  int read = 0;
  int refused = 0;
  for (PlyEncoding encoding : kEncodings) {
    for (const PlyLayout& layout : {PlyLayout(), rich}) {
      const std::string whole = ply_file(encoding, kCubePoints, kCubeFaces, layout);
      std::uniform_int_distribution<std::size_t> position(0, whole.size() - 1);
      std::uniform_int_distribution<int> byte(0, 255);
      for (int round = 0; round < 400; ++round) {
        std::string damaged = whole;
        if (round % 4 == 0) {
          damaged.resize(position(random));
        } else {
          for (int k = 0; k <= round % 3; ++k)
            damaged[position(random)] = static_cast<char>(byte(random));
        }
        Mesh mesh;
        const ReadStatus status = read_ply_bytes(damaged, mesh);
        if (status.ok) {
          ++read;
          ASSERT_EQ(testing::broken_link(mesh), "");
        } else {
          ++refused;
          ASSERT_FALSE(status.error.empty());
          ASSERT_EQ(mesh.size_of_vertices(), 0u);
          ASSERT_EQ(mesh.size_of_halfedges(), 0u);
        }
      }
    }
  }
  EXPECT_GT(read, 200);
  EXPECT_GT(refused, 200);
}

TEST(PlyReader, MagicLineIsPlyAndALineEnd) {
  EXPECT_TRUE(begins_with_ply_magic("ply\nformat ascii 1.0\n"));
  EXPECT_TRUE(begins_with_ply_magic("ply\r\n"));
  EXPECT_TRUE(begins_with_ply_magic("ply\n"));
  EXPECT_TRUE(begins_with_ply_magic("ply\r"));  // a CR alone ends a line too
  EXPECT_TRUE(begins_with_ply_magic("\xEF\xBB\xBFply\n"));
  for (const char* other : {"", "ply", "ply \n", "PLY\n", " ply\n", "plyx\n", "OFF\n"}) {
    EXPECT_FALSE(begins_with_ply_magic(other)) << other;
  }
}

TEST(PlyReader, BunnyReadsAsTheSameSurfaceFromPlyAndOff) {
  std::vector<Vec3f> points;
  Faces faces;
  testing::off_lists(testing::read_file(MESHPROBE_DATA_DIR "/bunny.off"), points, faces);
  Mesh from_off;
  FileLayout layout;
  ASSERT_TRUE(read_mesh_file(MESHPROBE_DATA_DIR "/bunny.off", from_off, layout, false).ok);
  for (PlyEncoding encoding : kEncodings) {
    Mesh from_ply;
    const ReadStatus status = read_ply_bytes(ply_file(encoding, points, faces), from_ply);
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(from_ply.size_of_vertices(), 1839u);
    EXPECT_EQ(testing::points_of(from_ply), testing::points_of(from_off));
    EXPECT_EQ(testing::facet_cycles(from_ply), testing::facet_cycles(from_off));
  }
}

}  // namespace
}  // namespace meshprobe
