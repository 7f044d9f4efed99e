// A file read into the scratch store, as a tiled run reads it, gives the lists that reading it
// into memory gives: the points, every facet in order (and for OBJ its line), the file's counts
// and vertex map, and every refusal in the same words. A file that changes while it is read is
// refused.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "io/file_window.h"
#include "io/mesh_file.h"
#include "io/ply_reader.h"
#include "io/stored_lists.h"
#include "io/surface_from_lists.h"
#include "tests/support/ply_text.h"
#include "tests/support/read_as_file.h"
#include "tests/support/shapes.h"
#include "tests/support/stl_text.h"

namespace meshprobe {
namespace {

using testing::ascii_stl;
using testing::binary_stl;
using testing::ply_file;
using testing::PlyEncoding;
using testing::PlyLayout;
using Faces = std::vector<std::vector<std::int64_t>>;

// A grid of quads and triangles, with vertices 0 and 7 named by no facet.
const std::vector<Vec3f> kGridPoints = {{9, 9, 9},    {0, 0, 0},       {1, 0, 0.25f}, {2, 0, 0},
                                        {0, 1, 0.1f}, {1, 1, 0.5f},    {2, 1, 0},     {5, 5, 5},
                                        {0, 2, 0},    {1, 2, -0.125f}, {2, 2, 0.3f}};
const Faces kGridFaces = {{1, 2, 5, 4}, {2, 3, 6}, {2, 6, 5}, {4, 5, 9, 8}, {5, 6, 10, 9}};

std::string with_crlf(std::string text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string long_header(std::string file) {
  std::string comments;
  for (int k = 0; k < 30000; ++k)
    comments += "comment a header longer than the first megabyte of the file\n";
  return file.insert(file.find("element"), comments);
}

struct PassesCase {
  const char* name;
  std::string bytes;
  const char* ending = "ply";
};

// Triangles sharing an edge, one with a -0 that merges with 0, and one whose corners merge.
const std::vector<testing::Triangle> kStlTriangles = {
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
    {{1, 0, 0}, {1, 1, -0.0f}, {0, 1, 0}},
    {{0.5f, 0.25f, 3}, {0.5f, 0.25f, 3}, {0, 0, 0}},
};

// A grid of the same shape in OBJ: faces by positive indices, by negative ones counted back from
// the lines above, by indices of vertices further down, with texture and normal parts, comments.
const std::string kObj =
    "# a grid\nv 9 9 9\nv 0 0 0\nv 1 0 0.25\nv 2 0 0\nv 0 1 0.1\nf 2 3 6/1 5//2 # quad\n"
    "v 1 1 0.5\nv 2 1 0\nvn 0 0 1\nf -5 -4 -1\nf 3/1/1 7 6\nv 5 5 5 1\nv 0 2 0\n"
    "f 5 6 10 9\nv 1 2 -0.125\nv 2 2 0.3\nf 6 7 11 10\n";

// The grid in OFF, colours on its vertex lines.
const std::string kOff =
    "COFF\n11 5 0\n9 9 9 0 0 0 1\n0 0 0 0 0 0 1\n1 0 0.25 0 0 0 1\n2 0 0 0 0 0 1\n"
    "0 1 0.1 0 0 0 1\n1 1 0.5 0 0 0 1\n2 1 0 0 0 0 1\n5 5 5 0 0 0 1\n0 2 0 0 0 0 1\n"
    "1 2 -0.125 0 0 0 1\n2 2 0.3 0 0 0 1\n4 1 2 5 4\n3 2 3 6\n3 2 6 5\n4 4 5 9 8\n"
    "4 5 6 10 9\n";

void PrintTo(const PassesCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<PassesCase> passes_cases() {
  PlyLayout rich;
  rich.normals = true;
  rich.colours = true;
  rich.extra_elements = true;
  PlyLayout wide;
  wide.coordinate_type = "double";
  wide.count_type = "int";
  wide.index_type = "uint";
  wide.index_name = "vertex_index";
  const std::string binary = ply_file(PlyEncoding::kLittleEndian, kGridPoints, kGridFaces);
  const std::string ascii = ply_file(PlyEncoding::kAscii, kGridPoints, kGridFaces);
  std::string spoiled_token = ascii;
  spoiled_token.replace(spoiled_token.rfind("\n3 "), 3, "\n3x ");
  return {
      {"binary_little_endian_rich",
       ply_file(PlyEncoding::kLittleEndian, kGridPoints, kGridFaces, rich)},
      {"binary_big_endian_wide", ply_file(PlyEncoding::kBigEndian, kGridPoints, kGridFaces, wide)},
      {"ascii_rich", ply_file(PlyEncoding::kAscii, kGridPoints, kGridFaces, rich)},
      {"ascii_crlf_with_byte_order_mark", "\xEF\xBB\xBF" + with_crlf(ascii)},
      {"header_beyond_the_first_megabyte", long_header(binary)},
      {"no_end_header", "ply\nformat ascii 1.0\nelement vertex 3\n"},
      {"cut_short", binary.substr(0, binary.size() - 5)},
      {"a_token_that_is_not_a_number", spoiled_token},
      {"vertex_out_of_range", ply_file(PlyEncoding::kAscii, kGridPoints, {{1, 2, 11}})},
      {"two_corners", ply_file(PlyEncoding::kLittleEndian, kGridPoints, {{1, 2, 5}, {1, 2}})},
      {"a_vertex_named_twice",
       ply_file(PlyEncoding::kBigEndian, kGridPoints, {{1, 2, 5}, {2, 3, 6, 3}, {4, 5, 4}})},
      {"no_facet", ply_file(PlyEncoding::kAscii, kGridPoints, {})},
      {"obj", kObj, "obj"},
      {"obj_crlf_with_byte_order_mark", "\xEF\xBB\xBF" + with_crlf(kObj), "obj"},
      {"obj_index_beyond_the_file", kObj + "f 1 2 12\n", "obj"},
      {"obj_negative_index_beyond_the_lines_above", "v 0 0 0\nf -1 -2 -3\nv 1 0 0\n", "obj"},
      {"obj_vertex_named_twice", kObj + "f 2 3 2\n", "obj"},
      {"obj_two_corners", kObj + "f 2 3\n", "obj"},
      {"obj_vertex_line_without_three_numbers", "v 0 0\n" + kObj, "obj"},
      {"obj_no_vertex", "# nothing\n", "obj"},
      {"ply_named_obj", binary, "obj"},
      {"stl_binary", binary_stl(kStlTriangles), "stl"},
      {"stl_binary_with_a_solid_header", binary_stl(kStlTriangles, "solid part"), "stl"},
      {"stl_ascii_crlf_with_byte_order_mark", "\xEF\xBB\xBF" + ascii_stl(kStlTriangles, "\r\n"),
       "stl"},
      {"stl_binary_not_finite", binary_stl({{{0, 0, 0}, {1e38f * 10, 0, 0}, {0, 1, 0}}}), "stl"},
      {"stl_ascii_cut_short", ascii_stl(kStlTriangles).substr(0, 150), "stl"},
      {"stl_binary_of_the_wrong_size", binary_stl(kStlTriangles, "", 7), "stl"},
      {"stl_by_its_name_only", std::string(90, 'x'), "stl"},
      // OFF, which the scanner reads whole, and a keyword after more comments than the first
      // bytes that choose the format.
      {"off", kOff, "off"},
      {"off_commented", std::string(kFormatHeadBytes, '#') + "\n" + kOff, "off"},
      {"off_vertex_named_twice", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 0\n", "off"},
      {"no_format", std::string(90, 'x'), "txt"},
      {"empty", "", "ply"},
      // Decompressed into a scratch file, or into memory, then read as the file inside.
      {"gzip_binary", testing::gzip(binary), "ply.gz"},
      {"gzip_off", testing::gzip(kOff), "off.gz"},
      {"gzip_no_mesh", testing::gzip("no mesh"), "gz"},
      {"gzip_obj", testing::gzip(kObj), "obj.gz"},
      {"gzip_stl_ascii", testing::gzip(ascii_stl(kStlTriangles)), "stl.gz"},
      {"gzip_cut_short", testing::gzip(binary).substr(0, 40), "ply.gz"},
      {"gzip_with_garbage_after", testing::gzip(binary) + "garbage", "ply.gz"},
  };
}

class IntoTheStore : public ::testing::TestWithParam<PassesCase> {};

TEST_P(IntoTheStore, GivesTheListsOfReadingIntoMemory) {
  const PassesCase& c = GetParam();
  const std::string path = testing::scratch_folder("passes") + "/" + c.name + "." + c.ending;
  testing::write_file(path, c.bytes);
  std::vector<Vec3f> points;
  FacetsInMemory whole;
  FileLayout whole_layout;
  ReadStatus expected = read_mesh_lists(path, points, whole, whole_layout.format);
  if (expected.ok) {
    expected = number_as_mesh(points, whole.list, unused_vertices_of(whole_layout.format),
                              whole_layout, false);
  }
  StoredLists stored;
  StoredFacets facets(stored);
  FileLayout layout;
  ReadStatus status = read_mesh_lists(path, stored.points, facets, layout.format);
  if (status.ok) status = facets.number_as_mesh(layout);
  // The files that are read; every other one is refused.
  static const std::set<std::string> kRead = {"binary_little_endian_rich",
                                              "binary_big_endian_wide",
                                              "ascii_rich",
                                              "ascii_crlf_with_byte_order_mark",
                                              "header_beyond_the_first_megabyte",
                                              "stl_binary",
                                              "stl_binary_with_a_solid_header",
                                              "stl_ascii_crlf_with_byte_order_mark",
                                              "obj",
                                              "obj_crlf_with_byte_order_mark",
                                              "off",
                                              "off_commented",
                                              "gzip_binary",
                                              "gzip_off",
                                              "gzip_obj",
                                              "gzip_stl_ascii"};
  EXPECT_EQ(status.ok, kRead.count(c.name) == 1) << status.error;
  ASSERT_EQ(status.ok, expected.ok) << status.error << " / " << expected.error;
  EXPECT_EQ(status.error, expected.error);
  EXPECT_EQ(layout.format, whole_layout.format);
  if (!status.ok) return;
  FacetList stored_facets;
  ASSERT_TRUE(stored.facets.load(stored_facets).ok);
  EXPECT_EQ(stored_facets.corners, whole.list.corners);
  EXPECT_EQ(stored_facets.starts, whole.list.starts);
  ASSERT_EQ(stored.points.size(), points.size());
  for (std::size_t v = 0; v < points.size(); ++v) {
    EXPECT_EQ(std::memcmp(&stored.points[v], &points[v], sizeof(Vec3f)), 0) << "vertex " << v;
  }
  EXPECT_EQ(layout.vertices_in_file, whole_layout.vertices_in_file);
  EXPECT_EQ(layout.facets_in_file, whole_layout.facets_in_file);
  EXPECT_EQ(layout.mesh_vertex, whole_layout.mesh_vertex);
  // The STL triangle whose corners merge names a vertex twice; nothing else does.
  EXPECT_EQ(stored.facet_unfit_alone, std::string(c.ending).compare(0, 3, "stl") == 0);
  EXPECT_EQ(whole.lines.empty(), std::string(c.ending).compare(0, 3, "obj") != 0);
  std::vector<std::uint64_t> lines(whole.lines.size());
  if (!lines.empty()) {
    ASSERT_TRUE(stored.face_lines.read(0, lines.data(), lines.size() * sizeof lines[0]).ok);
  }
  EXPECT_EQ(std::vector<std::size_t>(lines.begin(), lines.end()), whole.lines);
}

INSTANTIATE_TEST_SUITE_P(Files, IntoTheStore, ::testing::ValuesIn(passes_cases()),
                         [](const ::testing::TestParamInfo<PassesCase>& c) {
                           return std::string(c.param.name);
                         });

TEST(IntoTheStore, AMissingFileIsRefusedAsInMemory) {
  StoredLists stored;
  StoredFacets facets(stored);
  MeshFormat format = MeshFormat::kOff;
  const ReadStatus missing = read_mesh_lists(
      testing::scratch_folder("passes_missing") + "/missing.ply", stored.points, facets, format);
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing.error, "cannot open the file (No such file or directory)");
}

// A file rewritten between its opening and its reading is not taken for what it was.
TEST(IntoTheStore, AFileThatChangesWhileItIsReadIsRefused) {
  const std::string path = testing::scratch_folder("passes_changed") + "/grid.ply";
  const std::string bytes = ply_file(PlyEncoding::kLittleEndian, kGridPoints, kGridFaces);
  for (const bool shorter : {true, false}) {
    testing::write_file(path, bytes);
    FileWindow file;
    bool regular = false;
    ASSERT_TRUE(file.open(path, regular).ok);
    ASSERT_TRUE(regular);
    // Same size, other bytes (a later time stamp), or cut short. The later time is set, not
    // waited for: a rewrite within the file system's clock tick would keep the old one.
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    std::string changed = shorter ? bytes.substr(0, bytes.size() - 10) : bytes;
    if (!shorter) changed[changed.size() - 2] ^= 1;
    testing::write_file(path, changed);
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {before.st_mtim.tv_sec + 1, before.st_mtim.tv_nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    StoredLists stored;
    StoredFacets facets(stored);
    const ReadStatus status = read_ply(file, stored.points, facets);
    EXPECT_FALSE(status.ok) << (shorter ? "cut short" : "rewritten");
    EXPECT_EQ(status.error, "the file changed while it was read");
  }
}

}  // namespace
}  // namespace meshprobe
