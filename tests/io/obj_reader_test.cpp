// OBJ input: corner forms and orientation, relative indices, line endings, kept unused vertices,
// every way a file is refused, and agreement with the OFF reader on the shipped bunny.
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

#include "io/obj_reader.h"
#include "io/off_reader.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

using Cycle = std::vector<std::size_t>;

// Each facet's corners as vertex-list positions, in facet-list order, read along the facet's
// halfedge cycle from its halfedge(); the order of the corners is the facet's orientation.
std::vector<Cycle> facet_cycles(const Mesh& mesh) {
  std::map<const void*, std::size_t> position;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    position.emplace(&*v, position.size());
  std::vector<Cycle> cycles;
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    Cycle cycle;
    auto h = f->halfedge();
    do {
      cycle.push_back(position.at(&*h->vertex()));
      h = h->next();
    } while (h != f->halfedge() && cycle.size() <= mesh.size_of_halfedges());
    cycles.push_back(cycle);
  }
  return cycles;
}

// The same cycle started at its smallest vertex: equal for two listings of one oriented facet,
// different for opposite orientations.
Cycle canonical(Cycle cycle) {
  std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
  return cycle;
}

std::vector<Cycle> canonical_cycles(const Mesh& mesh) {
  std::vector<Cycle> cycles = facet_cycles(mesh);
  for (Cycle& cycle : cycles)
    cycle = canonical(cycle);
  return cycles;
}

// The first break in the halfedge links of a mesh, or "" when there is none: every halfedge is
// its opposite's opposite, runs between two different vertices and starts where its
// predecessor ends; walking around a vertex meets every halfedge that ends there, and only
// those. A builder fed faulty faces can leave such breaks while every facet cycle looks right.
std::string broken_link(const Mesh& mesh) {
  std::map<const void*, std::size_t> ending_at;
  for (auto h = mesh.halfedges_begin(); h != mesh.halfedges_end(); ++h) {
    if (h->opposite()->opposite() != h) return "opposite of opposite";
    if (h->vertex() == h->opposite()->vertex()) return "halfedge from a vertex to itself";
    if (h->next()->prev() != h) return "next and prev disagree";
    if (h->next()->opposite()->vertex() != h->vertex()) return "next does not start at the end";
    ++ending_at[&*h->vertex()];
  }
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const auto start = v->halfedge();
    std::size_t ring = 0;
    if (start != Mesh::Halfedge_const_handle()) {
      auto h = start;
      do {
        if (h->vertex() != v) return "ring leaves its vertex";
        h = h->next()->opposite();
      } while (h != start && ++ring <= mesh.size_of_halfedges());
      ++ring;
    }
    if (ring != ending_at[&*v]) return "ring misses halfedges ending at its vertex";
  }
  return "";
}

void expect_empty(const Mesh& mesh, const std::string& context) {
  EXPECT_EQ(mesh.size_of_vertices(), 0u) << context;
  EXPECT_EQ(mesh.size_of_halfedges(), 0u) << context;
  EXPECT_EQ(mesh.size_of_facets(), 0u) << context;
}

// Reads content that must be accepted, failing the test with the reader's message otherwise.
void read_accepted(const std::string& content, Mesh& mesh) {
  const ReadStatus status = read_obj_content(content, mesh);
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
  Mesh only_vertices;
  read_accepted("v 3 0 0\nv 1 0 0\nv 2 0 0\n", only_vertices);
  EXPECT_EQ(testing::points_of(only_vertices),
            (std::vector<Vec3f>{{3, 0, 0}, {1, 0, 0}, {2, 0, 0}}));
  EXPECT_EQ(only_vertices.size_of_halfedges(), 0u);
  EXPECT_EQ(only_vertices.size_of_facets(), 0u);

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
  read_accepted("v 0.1 -2.5e-3 1234567.891\nv 1e-3 3.3333333333 -0.7\n", mesh);
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

struct Refusal {
  std::string text;
  std::string expected;  // part of the message, starting with the line at fault
};

TEST(ObjReader, RefusesFaultyLinesNamingThemAndLeavesTheMeshEmpty) {
  const std::string three = kThreeVertices;
  const std::vector<Refusal> refusals = {
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
      {three + "f 1 2 3 # closing comment\n", "line 4: the vertex index of corner \"#\""},
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
  for (const Refusal& refusal : refusals) {
    Mesh mesh;
    const ReadStatus status = read_obj_content(refusal.text, mesh);
    EXPECT_FALSE(status.ok) << refusal.text;
    EXPECT_EQ(status.error.rfind(refusal.expected, 0), 0u)
        << "message: " << status.error << "\nexpected: " << refusal.expected;
    expect_empty(mesh, refusal.text);
  }
}

TEST(ObjReader, QuotesOnlyTheStartOfAVeryLongFaultyCorner) {
  Mesh mesh;
  const ReadStatus status =
      read_obj_content(std::string(kThreeVertices) + "f 1 2 " + std::string(100000, 'z'), mesh);
  EXPECT_FALSE(status.ok);
  EXPECT_LT(status.error.size(), 200u) << status.error;
  EXPECT_NE(status.error.find("\"zzz"), std::string::npos) << status.error;
}

TEST(ObjReader, FileWithoutVerticesIsRefused) {
  for (const char* text : {"", "\n\n", "# only a comment\n", "vn 0 0 1\nvt 0 0\n"}) {
    Mesh mesh;
    const ReadStatus status = read_obj_content(text, mesh);
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

TEST(ObjReader, FacesTheSurfaceCannotHoldRollTheMeshBackToEmpty) {
  struct Case {
    std::string text;
    std::string expected;
    bool builder_explains;  // whether the builder itself writes why on standard error
  };
  const std::vector<Case> cases = {
      // Three faces on the edge from vertex 1 to vertex 2.
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 1 4\nf 1 2 4\n",
       "line 7: the surface cannot hold the facets", true},
      // A closed tetrahedron, then a face that touches its corner 1 from outside.
      {"v 1 1 1\nv 1 -1 -1\nv -1 1 -1\nv -1 -1 1\nv 5 5 5\nv 6 5 5\n"
       "f 1 2 3\nf 1 4 2\nf 1 3 4\nf 2 4 3\nf 1 5 6\n",
       "line 11: the surface cannot hold the facets", true},
      // The last face closes a fan around vertex 6 that the first face also touches; the
      // builder would link it without a word, leaving halfedges whose links disagree.
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 0\nv 1 0 1\nv 0 1 1\n"
       "f 3 1 2 6\nf 7 5 3\nf 2 3 5 6 7\nf 6 5 7\n",
       "line 11: the surface cannot hold the facets", false},
  };
  for (const Case& refused : cases) {
    Mesh mesh;
    ReadStatus status;
    std::string diagnostics;
    {
      CerrCapture capture;
      status = read_obj_content(refused.text, mesh);
      diagnostics = capture.text();
    }
    EXPECT_FALSE(status.ok) << refused.text;
    EXPECT_EQ(status.error.rfind(refused.expected, 0), 0u) << status.error;
    if (refused.builder_explains) {
      EXPECT_NE(diagnostics.find("input error"), std::string::npos) << diagnostics;
    }
    expect_empty(mesh, refused.text);
  }
}

TEST(ObjReader, RandomFacesAreEitherBuiltAsWrittenOrRefusedWhole) {
  // Faces of 3 to 5 random corners over 7 vertices, most of them without repeated corners:
  // some files make surfaces, many do not. An accepted file must hold exactly the faces written,
  // each with its own orientation, so the builder never quietly makes a different surface; a
  // refused one must leave nothing behind.
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> face_count(1, 6);
  std::uniform_int_distribution<std::size_t> degree(3, 5);
  std::uniform_int_distribution<std::size_t> any_vertex(0, 6);
  std::uniform_int_distribution<int> one_in_eight(0, 7);
  int accepted = 0;
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 0\nv 1 0 1\nv 0 1 1\n";
    std::vector<Cycle> written;
    const int faces = face_count(random);
    for (int f = 0; f < faces; ++f) {
      Cycle face = {0, 1, 2, 3, 4, 5, 6};
      std::shuffle(face.begin(), face.end(), random);
      face.resize(degree(random));
      if (one_in_eight(random) == 0) {
        for (std::size_t& vertex : face)
          vertex = any_vertex(random);
      }
      text += "f";
      for (std::size_t vertex : face)
        text += " " + std::to_string(vertex + 1);
      text += "\n";
      written.push_back(canonical(face));
    }
    Mesh mesh;
    ReadStatus status;
    {
      CerrCapture quiet;
      status = read_obj_content(text, mesh);
    }
    if (status.ok) {
      ++accepted;
      ASSERT_EQ(mesh.size_of_vertices(), 7u) << text;
      ASSERT_EQ(canonical_cycles(mesh), written) << text;
      ASSERT_EQ(broken_link(mesh), "") << text;
    } else {
      ++refused;
      ASSERT_EQ(mesh.size_of_vertices(), 0u) << text;
      ASSERT_EQ(mesh.size_of_halfedges(), 0u) << text;
    }
  }
  // Both outcomes are exercised often enough for the test to mean something.
  EXPECT_GT(accepted, 300);
  EXPECT_GT(refused, 300);
}

TEST(ObjReader, MissingFileIsReported) {
  Mesh mesh;
  const ReadStatus status = read_obj("/nonexistent/folder/mesh.obj", mesh);
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(status.error, "cannot open the file");
}

TEST(ObjReader, BunnyReadsAsTheSameSurfaceFromObjAndOff) {
  Mesh from_obj;
  const ReadStatus obj_status = read_obj(MESHPROBE_DATA_DIR "/bunny.obj", from_obj);
  ASSERT_TRUE(obj_status.ok) << obj_status.error;
  Mesh from_off;
  const ReadStatus off_status = read_off_file(MESHPROBE_DATA_DIR "/bunny.off", from_off);
  ASSERT_TRUE(off_status.ok) << off_status.error;

  EXPECT_EQ(from_obj.size_of_vertices(), 1839u);
  EXPECT_EQ(from_obj.size_of_facets(), 3674u);
  EXPECT_EQ(testing::points_of(from_obj), testing::points_of(from_off));
  EXPECT_EQ(facet_cycles(from_obj), facet_cycles(from_off));
  EXPECT_EQ(broken_link(from_obj), "");
}

}  // namespace
}  // namespace meshprobe
