// OBJ input: corner forms and orientation, relative indices, line endings, kept unused vertices,
// every way a file is refused, faces left out where the surface cannot hold them, and agreement
// with the OFF reader on the shipped bunny.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "io/mesh_file.h"
#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "tests/support/mesh_checks.h"
#include "tests/support/read_as_file.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

// The bytes of a file named as OBJ, read through the entry every program uses.
ReadStatus read_obj_bytes(const std::string& content, Mesh& mesh) {
  FileLayout layout;
  return testing::read_as_file("mesh.obj", content, mesh, layout);
}

using testing::broken_link;
using testing::canonical;
using testing::canonical_cycles;
using testing::Cycle;
using testing::facet_cycles;

using testing::expect_empty;

// Reads content that must be accepted, failing the test with the reader's message otherwise.
void read_accepted(const std::string& content, Mesh& mesh) {
  const ReadStatus status = read_obj_bytes(content, mesh);
  ASSERT_TRUE(status.ok) << status.error << "\n" << content;
}

const char* const kThreeVertices = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

TEST(ObjReader, TriangleKeepsItsCornersAndTheirOrder) {
  Mesh forward;
  read_accepted(std::string(kThreeVertices) + "f 1 2 3\n", forward);
  ASSERT_EQ(forward.size_of_facets(), 1u);
  EXPECT_EQ(canonical_cycles(forward), (std::vector<Cycle>{{0, 1, 2}}));
  EXPECT_EQ(testing::points_of(forward), (std::vector<Vec3f>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));

  Mesh backward;
  read_accepted(std::string(kThreeVertices) + "f 1 3 2\n", backward);
  EXPECT_EQ(canonical_cycles(backward), (std::vector<Cycle>{{0, 2, 1}}));
}

TEST(ObjReader, EveryCornerFormAndSpacingGivesTheSameTriangle) {
  const char* const faces[] = {
      "f 1//4 2//5 3//6\n", "f 1/1 2/2 3/3\n", "f 1/1/1 2/2/2 3/3/3\n", "f 1  2  3\n",
      "f\t1\t2 \t 3\t \n",  "  \tf 1 2 3\n",   "f 1 2 3   \n",          "f +1 2/7/ 3//\n",
  };
  for (const char* face : faces) {
    Mesh mesh;
    read_accepted(std::string(kThreeVertices) + face, mesh);
    EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{{0, 1, 2}})) << face;
  }
}

TEST(ObjReader, QuadsAndLargerPolygonsKeepAllTheirCorners) {
  const std::string cube =
      "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
      "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
      "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 2 3 7 6\nf 1 5 8 4\n";
  Mesh mesh;
  read_accepted(cube, mesh);
  EXPECT_EQ(mesh.size_of_vertices(), 8u);
  EXPECT_EQ(
      canonical_cycles(mesh),
      (std::vector<Cycle>{
          {0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}}));
  EXPECT_TRUE(mesh.is_closed());

  Mesh hexagon;
  read_accepted("v 2 0 0\nv 1 2 0\nv -1 2 0\nv -2 0 0\nv -1 -2 0\nv 1 -2 0\nf 1 2 3 4 5 6\n",
                hexagon);
  EXPECT_EQ(canonical_cycles(hexagon), (std::vector<Cycle>{{0, 1, 2, 3, 4, 5}}));
}

TEST(ObjReader, MultiDigitIndicesReachTheRightVertices) {
  // A flat 60 x 60 grid: 3600 vertices, vertex (i, j) on line j * 60 + i + 1.
  constexpr int kSide = 60;
  std::ostringstream text;
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i)
      text << "v " << i << ' ' << j << " 0\n";
  }
  std::vector<Cycle> expected;
  for (int j = 0; j + 1 < kSide; ++j) {
    for (int i = 0; i + 1 < kSide; ++i) {
      const std::size_t a = j * kSide + i;
      const std::size_t b = a + 1;
      const std::size_t c = a + kSide + 1;
      const std::size_t d = a + kSide;
      text << "f " << a + 1 << ' ' << b + 1 << ' ' << c + 1 << ' ' << d + 1 << '\n';
      expected.push_back({a, b, c, d});
    }
  }
  Mesh mesh;
  read_accepted(text.str(), mesh);
  ASSERT_EQ(mesh.size_of_vertices(), 3600u);
  EXPECT_EQ(canonical_cycles(mesh), expected);
  EXPECT_EQ(testing::points_of(mesh)[3599], (Vec3f{59, 59, 0}));
  EXPECT_EQ(testing::points_of(mesh)[2000], (Vec3f{20, 33, 0}));
}

TEST(ObjReader, NegativeIndicesCountBackFromTheLastVertexReadSoFar) {
  Mesh mesh;
  read_accepted(
      "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
      "f -3 -2 -1\n"
      "v 1 1 0\n"
      "f -4 -2 -1\n"      // the first, third and fourth vertex
      "f 2/1 -1 3//2\n",  // relative and positive indices mixed on one line
      mesh);
  EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{{0, 1, 2}, {0, 2, 3}, {1, 3, 2}}));
}

TEST(ObjReader, LineEndingsAndAMissingFinalLineFeed) {
  Mesh crlf;
  read_accepted("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", crlf);
  EXPECT_EQ(canonical_cycles(crlf), (std::vector<Cycle>{{0, 1, 2}}));
  EXPECT_EQ(testing::points_of(crlf)[2], (Vec3f{0, 1, 0}));

  Mesh unterminated_face;
  read_accepted("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3", unterminated_face);
  EXPECT_EQ(canonical_cycles(unterminated_face), (std::vector<Cycle>{{0, 1, 2}}));

  Mesh unterminated_vertex;
  read_accepted("v 0 0 0\r\nv 1 0 0\r\nf 1 2 3\r\nv 0 1 0.5", unterminated_vertex);
  EXPECT_EQ(testing::points_of(unterminated_vertex)[2], (Vec3f{0, 1, 0.5f}));
}

TEST(ObjReader, VeryLongFaceLineIsReadWhole) {
  // A 300-gon around a circle, on one line of more than 2000 characters.
  constexpr int kCorners = 300;
  std::ostringstream text;
  for (int k = 0; k < kCorners; ++k) {
    const double angle = 2 * 3.141592653589793 * k / kCorners;
    text << "v " << std::cos(angle) << ' ' << std::sin(angle) << " 0\n";
  }
  std::string face = "f";
  Cycle expected;
  for (int k = 0; k < kCorners; ++k) {
    face += " " + std::to_string(k + 1) + "/" + std::to_string(k + 1) + "/1";
    expected.push_back(k);
  }
  ASSERT_GT(face.size(), 2000u);
  Mesh mesh;
  read_accepted(text.str() + face + "\n", mesh);
  EXPECT_EQ(facet_cycles(mesh).size(), 1u);
  EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{expected}));
}

TEST(ObjReader, VerticesWithoutFacesKeepTheirPlaces) {
  Mesh some_unused;
  read_accepted("v 0 0 0\nv 9 9 9\nv 1 0 0\nv 0 1 0\nv 8 8 8\nf 1 3 4\n", some_unused);
  EXPECT_EQ(testing::points_of(some_unused),
            (std::vector<Vec3f>{{0, 0, 0}, {9, 9, 9}, {1, 0, 0}, {0, 1, 0}, {8, 8, 8}}));
  EXPECT_EQ(canonical_cycles(some_unused), (std::vector<Cycle>{{0, 2, 3}}));
  auto v = some_unused.vertices_begin();
  EXPECT_NE(v->halfedge(), Mesh::Halfedge_handle());
  ++v;
  EXPECT_EQ(v->halfedge(), Mesh::Halfedge_handle());
}

TEST(ObjReader, OtherLinesAreSkippedWithoutShiftingVertexNumbers) {
  const std::string text =
      "# exported mesh\n"
      "mtllib scene.mtl\n"
      "o patch\n"
      "v 0 0 0\n"
      "vn 0 0 1\n"
      "vt 0.5 0.5\n"
      "vp 0.1 0.2\n"
      "v 1 0 0 1.0\n"  // the optional fourth number is ignored
      "g side\n"
      "usemtl red\n"
      "s off\n"
      "   # an indented comment\n"
      "\n"
      "v 0 1 0\n"
      "l 1 2\n"
      "p 3\n"
      "f 1/1/1 2/1/1 3/1/1\n";
  Mesh mesh;
  read_accepted(text, mesh);
  EXPECT_EQ(testing::points_of(mesh), (std::vector<Vec3f>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{{0, 1, 2}}));
}

TEST(ObjReader, CoordinatesAreRoundedToSinglePrecisionAsStrtofDoes) {
  Mesh mesh;
  read_accepted("v 0.1 -2.5e-3 1234567.891\nv 1e-3 3.3333333333 -0.7\nv 0 0 0\nf 1 2 3\n", mesh);
  const auto points = testing::points_of(mesh);
  EXPECT_EQ(points[0], (Vec3f{std::strtof("0.1", nullptr), std::strtof("-2.5e-3", nullptr),
                              std::strtof("1234567.891", nullptr)}));
  EXPECT_EQ(points[1], (Vec3f{0.001f, 3.3333333333f, -0.7f}));
}

TEST(ObjReader, PositiveIndicesMayNameVerticesOfLaterLines) {
  // A positive index counts over the whole file; only relative indices depend on the line.
  Mesh mesh;
  read_accepted("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n", mesh);
  EXPECT_EQ(canonical_cycles(mesh), (std::vector<Cycle>{{0, 1, 2}}));
}

struct ObjRefusal {
  std::string text;
  std::string expected;  // part of the message, starting with the line at fault
};

TEST(ObjReader, RefusesFaultyLinesNamingThemAndLeavesTheMeshEmpty) {
  const std::string three = kThreeVertices;
  const std::vector<ObjRefusal> refusals = {
      {"v 0 0 0\nv 1 0\nv 0 1 0\nf 1 2 3\n", "line 2: a vertex line needs three numbers"},
      {"v 0 0 0\nv 1 0 x\n", "line 2: a vertex line needs three numbers"},
      {"v 0 0 0\nv\n", "line 2: a vertex line needs three numbers"},
      {three + "f 1 2\n", "line 4: a face needs at least 3 corners, this one has 2"},
      {three + "f\n", "line 4: a face needs at least 3 corners, this one has 0"},
      {three + "f 1 a 3\n", "line 4: the vertex index of corner \"a\" is not a whole number"},
      {three + "f 1.5 2 3\n", "line 4: the vertex index of corner \"1.5\""},
      {three + "f /1 2 3\n", "line 4: the vertex index of corner \"/1\""},
      {three + "f 1 - 3\n", "line 4: the vertex index of corner \"-\""},
      {three + "f 1 2 3x\n", "line 4: the vertex index of corner \"3x\""},
      {three + "f 1 2 0\n", "line 4: index 0 is not a vertex"},
      {three + "f -0 1 2\n", "line 4: index 0 is not a vertex"},
      {three + "f 1 2 4\n", "line 4: index 4 is not a vertex (the file holds 3 vertices)"},
      {"v 0 0 0\nv 1 0 0\nf -3 -2 -1\nv 0 1 0\n",
       "line 3: index -3 is not a vertex (the lines above hold 2 vertices)"},
      {"f -1 -2 -3\nv 0 0 0\n",
       "line 1: index -1 is not a vertex (the lines above hold no vertex)"},
      {three + "f 1 2 4294967297\n", "line 4: index 4294967297 is not a vertex"},
      {three + "f 1 2 99999999999999999999999\n",
       "line 4: index \"99999999999999999999999\" is too large"},
      {three + "f 1 2 -18446744073709551616\n", "line 4: index \"-18446744073709551616\" is too"},
      {three + "f 1 2 1\n", "line 4: the face names vertex 1 twice"},
      {three + "f 2 2 3\n", "line 4: the face names vertex 2 twice"},
      {three + "f 1 2 -3\n", "line 4: the face names vertex 1 twice"},
      // The first faulty line in file order is the one named.
      {three + "f 1 2 3\nf 1 2\nv 1 1\n", "line 5: a face needs at least 3 corners"},
      {three + "v 1 1\nf 1 2 9\n", "line 4: a vertex line needs three numbers"},
  };
  for (const ObjRefusal& refusal : refusals) {
    Mesh mesh;
    const ReadStatus status = read_obj_bytes(refusal.text, mesh);
    EXPECT_FALSE(status.ok) << refusal.text;
    EXPECT_EQ(status.error.rfind(refusal.expected, 0), 0u)
        << "message: " << status.error << "\nexpected: " << refusal.expected;
    expect_empty(mesh, refusal.text);
  }
}

TEST(ObjReader, QuotesOnlyTheStartOfAVeryLongFaultyCorner) {
  Mesh mesh;
  const ReadStatus status =
      read_obj_bytes(std::string(kThreeVertices) + "f 1 2 " + std::string(100000, 'z'), mesh);
  EXPECT_FALSE(status.ok);
  EXPECT_LT(status.error.size(), 200u) << status.error;
  EXPECT_NE(status.error.find("\"zzz"), std::string::npos) << status.error;
}

TEST(ObjReader, FileWithoutVerticesIsRefused) {
  for (const char* text : {"\n\n", "# only a comment\n", "vn 0 0 1\nvt 0 0\n"}) {
    Mesh mesh;
    const ReadStatus status = read_obj_bytes(text, mesh);
    EXPECT_FALSE(status.ok) << text;
    EXPECT_EQ(status.error, "the mesh holds no vertex");
    expect_empty(mesh, text);
  }
}

// Captures what is written to std::cerr, where the builder's diagnostics go, while alive.
class CerrCapture {
 public:
  CerrCapture() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}
  ~CerrCapture() { std::cerr.rdbuf(previous_); }
  std::string text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* previous_;
};

TEST(ObjReader, FacesTheSurfaceCannotHoldAreLeftOutSilently) {
  struct Case {
    std::string text;
    std::vector<Cycle> kept;     // the faces of the mesh, canonical
    std::size_t first_left_out;  // face index from 0
    std::size_t line;            // its line
    std::size_t vertices_without_neighbours;
  };
  const std::vector<Case> cases = {
      // Three faces on the edge from vertex 1 to vertex 2. By their corners' positions the
      // faces 2 1 4 and 1 2 4 come before 1 2 3, which is left out; vertex 3 keeps no face.
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 1 4\nf 1 2 4\n",
       {{0, 3, 1}, {0, 1, 3}},
       0,
       5,
       1},
      // A closed tetrahedron, then a face that touches its corner 1 from outside; that face's two
      // other vertices are used by no other face and stay, without neighbours.
      {"v 1 1 1\nv 1 -1 -1\nv -1 1 -1\nv -1 -1 1\nv 5 5 5\nv 6 5 5\n"
       "f 1 2 3\nf 1 4 2\nf 1 3 4\nf 2 4 3\nf 1 5 6\n",
       {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}},
       4,
       11,
       2},
      // The last face closes a fan around vertex 6 that the first face also touches; the
      // builder's add_facet alone would link it, leaving halfedges whose links disagree. Vertex
      // 4 is used by no face.
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 0\nv 1 0 1\nv 0 1 1\n"
       "f 3 1 2 6\nf 7 5 3\nf 2 3 5 6 7\nf 6 5 7\n",
       {{0, 1, 5, 2}, {2, 6, 4}, {1, 2, 4, 5, 6}},
       3,
       11,
       1},
  };
  for (const Case& tolerated : cases) {
    Mesh mesh;
    ReadStatus status;
    std::string diagnostics;
    {
      CerrCapture capture;
      status = read_obj_bytes(tolerated.text, mesh);
      diagnostics = capture.text();
    }
    ASSERT_TRUE(status.ok) << status.error << "\n" << tolerated.text;
    EXPECT_EQ(diagnostics, "");
    EXPECT_EQ(status.facets_left_out, 1u);
    EXPECT_EQ(status.first_left_out, tolerated.first_left_out);
    EXPECT_EQ(status.first_left_out_line, tolerated.line);
    EXPECT_EQ(canonical_cycles(mesh), tolerated.kept) << tolerated.text;
    EXPECT_EQ(broken_link(mesh), "") << tolerated.text;
    std::size_t without_neighbours = 0;
    for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
      without_neighbours += v->halfedge() == Mesh::Halfedge_handle();
    EXPECT_EQ(without_neighbours, tolerated.vertices_without_neighbours) << tolerated.text;
  }
}

TEST(ObjReader, RandomFacesAreBuiltAsWrittenLeavingOutOnlyFacesThatDoNotFit) {
  // Faces of 3 to 5 random corners over 7 vertices, a few of them naming a vertex twice: many
  // files make a surface of all their faces, many need faces left out. An accepted file must
  // hold the faces written, in order and each with its own orientation, less those it reports
  // left out; the faces it kept must make a surface by themselves. A file is refused only for a
  // face that names a vertex twice, and then leaves nothing behind.
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> face_count(1, 6);
  std::uniform_int_distribution<std::size_t> degree(3, 5);
  std::uniform_int_distribution<std::size_t> any_vertex(0, 6);
  std::uniform_int_distribution<int> one_in_eight(0, 7);
  const std::string vertices = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 0\nv 1 0 1\nv 0 1 1\n";
  int whole = 0;
  int with_faces_left_out = 0;
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = vertices;
    std::vector<Cycle> written;
    bool repeats_a_vertex = false;
    const int faces = face_count(random);
    for (int f = 0; f < faces; ++f) {
      Cycle face = {0, 1, 2, 3, 4, 5, 6};
      std::shuffle(face.begin(), face.end(), random);
      face.resize(degree(random));
      if (one_in_eight(random) == 0) {
        for (std::size_t& vertex : face)
          vertex = any_vertex(random);
      }
      Cycle sorted = face;
      std::sort(sorted.begin(), sorted.end());
      repeats_a_vertex |= std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
      text += "f";
      for (std::size_t vertex : face)
        text += " " + std::to_string(vertex + 1);
      text += "\n";
      written.push_back(canonical(face));
    }
    Mesh mesh;
    const ReadStatus status = read_obj_bytes(text, mesh);
    if (!status.ok) {
      ++refused;
      ASSERT_TRUE(repeats_a_vertex) << status.error << "\n" << text;
      ASSERT_NE(status.error.find("twice"), std::string::npos) << status.error;
      ASSERT_EQ(mesh.size_of_vertices(), 0u) << text;
      ASSERT_EQ(mesh.size_of_halfedges(), 0u) << text;
      continue;
    }
    ASSERT_FALSE(repeats_a_vertex) << text;
    ASSERT_EQ(mesh.size_of_vertices(), 7u) << text;
    ASSERT_EQ(broken_link(mesh), "") << text;
    // The mesh's faces, matched in order against the faces written.
    const std::vector<Cycle> built = canonical_cycles(mesh);
    std::vector<std::size_t> missing;
    std::string kept_text = vertices;
    std::size_t next = 0;
    for (std::size_t f = 0; f < written.size(); ++f) {
      if (next < built.size() && built[next] == written[f]) {
        ++next;
        kept_text += "f";
        for (std::size_t vertex : written[f])
          kept_text += " " + std::to_string(vertex + 1);
        kept_text += "\n";
      } else {
        missing.push_back(f);
      }
    }
    ASSERT_EQ(next, built.size()) << "the mesh holds a face not written in that order\n" << text;
    ASSERT_EQ(status.facets_left_out, missing.size()) << text;
    if (missing.empty()) {
      ++whole;
      continue;
    }
    ++with_faces_left_out;
    ASSERT_EQ(status.first_left_out, missing[0]) << text;
    ASSERT_EQ(status.first_left_out_line, 8 + missing[0]) << text;
    Mesh kept;
    const ReadStatus kept_status = read_obj_bytes(kept_text, kept);
    ASSERT_TRUE(kept_status.ok) << kept_text;
    ASSERT_EQ(kept_status.facets_left_out, 0u) << kept_text;
  }
  // Every outcome is exercised often enough for the test to mean something.
  EXPECT_GT(whole, 300);
  EXPECT_GT(with_faces_left_out, 300);
  EXPECT_GT(refused, 100);
}

TEST(ObjReader, BunnyReadsAsTheSameSurfaceFromObjAndOff) {
  Mesh from_obj;
  FileLayout layout;
  const ReadStatus obj_status =
      read_mesh_file(MESHPROBE_DATA_DIR "/bunny.obj", from_obj, layout, false);
  ASSERT_TRUE(obj_status.ok) << obj_status.error;
  Mesh from_off;
  const ReadStatus off_status =
      read_mesh_file(MESHPROBE_DATA_DIR "/bunny.off", from_off, layout, false);
  ASSERT_TRUE(off_status.ok) << off_status.error;

  EXPECT_EQ(from_obj.size_of_vertices(), 1839u);
  EXPECT_EQ(from_obj.size_of_facets(), 3674u);
  EXPECT_EQ(testing::points_of(from_obj), testing::points_of(from_off));
  EXPECT_EQ(facet_cycles(from_obj), facet_cycles(from_off));
  EXPECT_EQ(broken_link(from_obj), "");
}

}  // namespace
}  // namespace meshprobe
