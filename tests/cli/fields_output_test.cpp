// meshprobe-fields writing a PLY or a PNG as users run it: the PLY read back agrees with the CSV
// table and with the input file, its colours follow the viridis map over [0, 99th percentile],
// the PNG decodes to a picture of the stated size; unknown endings and unwritable files fail
// with one line and leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/ply_file.h"
#include "tests/support/png_image.h"
#include "tests/support/process.h"
#include "tests/support/shapes.h"
#include "viz/roughness_picture.h"
#include "viz/viridis.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::run_program;
using testing::write_file;

const std::vector<std::string> kVertexProperties = {"x",
                                                    "y",
                                                    "z",
                                                    "scalar_roughness",
                                                    "scalar_kmin",
                                                    "scalar_kmax",
                                                    "scalar_local_curvature",
                                                    "quality",
                                                    "red",
                                                    "green",
                                                    "blue"};

struct OffMesh {
  std::vector<std::vector<float>> points;  // coordinates as strtof reads them
  std::vector<std::vector<double>> facets;
};

// Reads a plain ASCII OFF file (header line, counts line, then one record per line).
OffMesh parse_off(const std::string& text) {
  OffMesh mesh;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  std::size_t vertices = 0, facets = 0, edges = 0;
  in >> vertices >> facets >> edges;
  for (std::size_t i = 0; i < vertices; ++i) {
    std::vector<float> p(3);
    for (float& c : p) {
      std::string word;
      in >> word;
      c = std::strtof(word.c_str(), nullptr);
    }
    mesh.points.push_back(p);
  }
  for (std::size_t i = 0; i < facets; ++i) {
    std::size_t corners = 0;
    in >> corners;
    std::vector<double> facet(corners);
    for (double& c : facet)
      in >> c;
    mesh.facets.push_back(facet);
  }
  return mesh;
}

std::vector<std::vector<double>> parse_csv(const std::string& text) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<double> row;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');)
      row.push_back(std::stod(cell));
    rows.push_back(row);
  }
  return rows;
}

// The default picture's layout: the same for every one-line title and usual range.
PictureLayout default_layout() {
  PictureOptions options;
  options.title = "mesh.off   epsilon 0.01   49 vertices";
  options.range = ValueRange{0.0, 1.0};
  return picture_layout(options);
}

ViewBox front_view() {
  return default_layout().front;
}

class FieldsOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::scratch_folder(
        std::string("fields-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  testing::ProcessResult run(const std::vector<std::string>& arguments) {
    return run_program(MESHPROBE_FIELDS_BINARY, arguments, folder_);
  }
  int file_count() const {
    return static_cast<int>(
        std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }
  testing::PlyFile read_ply(const std::string& name) {
    testing::PlyFile ply;
    std::string error;
    EXPECT_TRUE(testing::read_binary_ply(read_file(folder_ + "/" + name), ply, error)) << error;
    return ply;
  }
  std::string folder_;
};

// Checks the PLY of `mesh_name` against the input file and the CSV table of the same run.
void expect_ply_matches(const testing::PlyFile& ply, const OffMesh& input,
                        const std::vector<std::vector<double>>& table) {
  const testing::PlyElement* vertex = ply.element("vertex");
  const testing::PlyElement* face = ply.element("face");
  ASSERT_NE(vertex, nullptr);
  ASSERT_NE(face, nullptr);
  ASSERT_EQ(vertex->properties.size(), kVertexProperties.size());
  for (std::size_t p = 0; p < kVertexProperties.size(); ++p) {
    EXPECT_EQ(vertex->properties[p].name, kVertexProperties[p]);
    EXPECT_EQ(vertex->properties[p].type, p < 8 ? "float" : "uchar") << p;
  }
  ASSERT_EQ(face->properties.size(), 1u);
  EXPECT_EQ(face->properties[0].name, "vertex_indices");
  ASSERT_EQ(vertex->count, input.points.size());
  ASSERT_EQ(table.size(), input.points.size());
  ASSERT_EQ(face->count, input.facets.size());

  // The table's normalised positions are the file's, centred on the bounding box and divided
  // by its largest side.
  std::vector<float> low = input.points[0], high = input.points[0];
  for (const auto& p : input.points) {
    for (int k = 0; k < 3; ++k) {
      low[k] = std::min(low[k], p[k]);
      high[k] = std::max(high[k], p[k]);
    }
  }
  const double extent = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
  for (std::size_t i = 0; i < input.points.size(); ++i) {
    const auto& record = vertex->records[i];
    const auto& row = table[i];
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(record[k][0], input.points[i][k]) << "vertex " << i;
      const double centre = (static_cast<double>(low[k]) + high[k]) / 2;
      EXPECT_NEAR(row[k + 1], (record[k][0] - centre) / extent, 1e-6) << "vertex " << i;
    }
    // Columns of the table: 0 vertex, 7 kmin, 8 kmax, 11 local_curvature, 13 roughness.
    EXPECT_EQ(row[0], static_cast<double>(i));
    EXPECT_EQ(record[3][0], static_cast<float>(row[13])) << "roughness of vertex " << i;
    EXPECT_EQ(record[4][0], static_cast<float>(row[7])) << "kmin of vertex " << i;
    EXPECT_EQ(record[5][0], static_cast<float>(row[8])) << "kmax of vertex " << i;
    EXPECT_EQ(record[6][0], static_cast<float>(row[11])) << "local_curvature of vertex " << i;
    EXPECT_EQ(record[7][0], record[3][0]) << "quality of vertex " << i;
  }
  for (std::size_t f = 0; f < input.facets.size(); ++f)
    EXPECT_EQ(face->records[f][0], input.facets[f]) << "facet " << f;
}

// Checks that every vertex's colour is the viridis entry nearest to its roughness placed
// linearly over [0, the 99th percentile]: the first colour at 0, the last at and beyond the
// percentile.
void expect_colours_follow_the_map(const testing::PlyElement& vertex) {
  std::vector<double> sorted;
  for (const auto& record : vertex.records)
    sorted.push_back(record[3][0]);
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  const double top = sorted[(99 * n + 99) / 100 - 1];
  ASSERT_GT(top, 0.0);
  int at_zero = 0;
  int at_top = 0;
  for (const auto& record : vertex.records) {
    const double roughness = record[3][0];
    const Rgb8 colour{static_cast<std::uint8_t>(record[8][0]),
                      static_cast<std::uint8_t>(record[9][0]),
                      static_cast<std::uint8_t>(record[10][0])};
    if (roughness == 0.0) {
      EXPECT_EQ(colour, viridis_entry(0));
      ++at_zero;
    }
    if (roughness >= top) {
      EXPECT_EQ(colour, viridis_entry(kViridisSize - 1)) << roughness;
      ++at_top;
    }
    // The nearest entry; on a tie within rounding either neighbour will do.
    const double position = std::min(roughness / top, 1.0) * (kViridisSize - 1);
    const int below = static_cast<int>(std::floor(position + 0.5 - 1e-6));
    const int above = static_cast<int>(std::floor(position + 0.5 + 1e-6));
    EXPECT_TRUE(colour == viridis_entry(below) || colour == viridis_entry(above))
        << "roughness " << roughness << " at position " << position;
  }
  EXPECT_GT(at_zero, 0);
  EXPECT_GE(at_top, static_cast<int>(n / 100));
}

TEST_F(FieldsOutput, BunnyPlyAgreesWithTheTableTheInputAndTheColourMap) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  const auto ply_run = run({"bunny.off", "0.01", "bunny.ply"});
  ASSERT_EQ(ply_run.status, 0) << ply_run.err;
  EXPECT_EQ(ply_run.out, "");
  EXPECT_EQ(ply_run.err, "");
  ASSERT_EQ(run({"bunny.off", "0.01", "bunny.csv"}).status, 0);
  const testing::PlyFile ply = read_ply("bunny.ply");
  EXPECT_EQ(ply.header.rfind("ply\nformat binary_little_endian 1.0\n", 0), 0u) << ply.header;
  const OffMesh input = parse_off(read_file(folder_ + "/bunny.off"));
  ASSERT_EQ(input.points.size(), 1839u);
  expect_ply_matches(ply, input, parse_csv(read_file(folder_ + "/bunny.csv")));
  ASSERT_NE(ply.element("vertex"), nullptr);
  expect_colours_follow_the_map(*ply.element("vertex"));
  EXPECT_EQ(file_count(), 3);
}

TEST_F(FieldsOutput, QuadMeshPlyKeepsItsOwnCoordinatesAndFourCornerFacets) {
  // A box far from the origin and much larger than the normalised unit, with quadrilaterals:
  // the PLY must repeat the file's coordinates, not the normalised ones.
  write_file(folder_ + "/box.off",
             "OFF\n8 6 0\n"
             "1000 -20 5\n1040 -20 5\n1040 10 5\n1000 10 5\n"
             "1000 -20 25.5\n1040 -20 25.5\n1040 10 25.5\n1000 10 25.5\n"
             "4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 2 3 7 6\n4 1 2 6 5\n4 0 4 7 3\n");
  ASSERT_EQ(run({"box.off", "0.05", "box.PLY"}).status, 0);
  ASSERT_EQ(run({"box.off", "0.05", "box.csv"}).status, 0);
  const OffMesh input = parse_off(read_file(folder_ + "/box.off"));
  expect_ply_matches(read_ply("box.PLY"), input, parse_csv(read_file(folder_ + "/box.csv")));
}

TEST_F(FieldsOutput, FacetOfMoreCornersThanAByteCountsWithAnInteger) {
  // One flat convex facet of 300 corners: its PLY count no longer fits a uchar, and the picture
  // fills it as a fan of triangles, so its centre, far from every corner, is drawn too.
  std::ostringstream off;
  off << "OFF\n300 1 0\n";
  const double pi = std::acos(-1.0);
  for (int i = 0; i < 300; ++i)
    off << 10 * std::cos(2 * pi * i / 300) << " " << 10 * std::sin(2 * pi * i / 300) << " 0\n";
  off << "300";
  for (int i = 0; i < 300; ++i)
    off << " " << i;
  off << "\n";
  write_file(folder_ + "/disc.off", off.str());
  ASSERT_EQ(run({"disc.off", "0.01", "disc.ply"}).status, 0);
  ASSERT_EQ(run({"disc.off", "0.01", "disc.png"}).status, 0);
  const testing::PlyFile ply = read_ply("disc.ply");
  const testing::PlyElement* face = ply.element("face");
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->properties[0].count_type, "int");
  ASSERT_EQ(face->records.size(), 1u);
  std::vector<double> corners;
  for (int i = 0; i < 300; ++i)
    corners.push_back(i);
  EXPECT_EQ(face->records[0][0], corners);
  testing::DecodedPng picture;
  std::string error;
  ASSERT_TRUE(testing::decode_png(folder_ + "/disc.png", picture, error)) << error;
  const ScreenPoint centre = project(front_view(), Vec3f{0.0f, 0.0f, 0.0f});
  const ScreenPoint rim = project(front_view(), Vec3f{0.45f, 0.0f, 0.0f});
  for (const ScreenPoint& p : {centre, rim}) {
    EXPECT_EQ(picture.at(static_cast<int>(p.x), static_cast<int>(p.y)),
              (std::vector<int>{68, 1, 84}));
  }
}

TEST_F(FieldsOutput, BunnyPngDecodesToTheStatedSizeOnAUniformBackground) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  const auto result = run({"bunny.off", "0.01", "bunny.png"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  testing::DecodedPng picture;
  std::string error;
  ASSERT_TRUE(testing::decode_png(folder_ + "/bunny.png", picture, error)) << error;
  ASSERT_EQ(picture.width, PictureOptions().width);
  ASSERT_EQ(picture.height, PictureOptions().height);
  const std::vector<int> background = {kPictureBackground.r, kPictureBackground.g,
                                       kPictureBackground.b};
  for (int x = 0; x < picture.width; ++x) {
    EXPECT_EQ(picture.at(x, 0), background) << x;
    EXPECT_EQ(picture.at(x, picture.height - 1), background) << x;
  }
  for (int y = 0; y < picture.height; ++y) {
    EXPECT_EQ(picture.at(0, y), background) << y;
    EXPECT_EQ(picture.at(picture.width - 1, y), background) << y;
  }
  // The front view shows the bunny: a large share of its box is covered.
  const ViewBox front = front_view();
  int covered = 0;
  for (int y = front.top; y < front.top + front.size; ++y) {
    for (int x = front.left; x < front.left + front.size; ++x)
      covered += picture.at(x, y) != background;
  }
  EXPECT_GT(covered, front.size * front.size / 5);
  EXPECT_LT(covered, front.size * front.size * 4 / 5);
  // The bunny's largest values lie above the 99th percentile: the clamp mark shows, filled with
  // the map's last colour.
  const PixelBox mark = default_layout().clamp_mark;
  int last_colour = 0;
  for (int y = mark.top; y < mark.top + mark.height; ++y) {
    for (int x = mark.left; x < mark.left + mark.width; ++x)
      last_colour += picture.at(x, y) == std::vector<int>{253, 231, 37};
  }
  EXPECT_GT(last_colour, mark.width * mark.height / 5);
}

TEST_F(FieldsOutput, PixelUnderAVertexSeenFromTheFrontCarriesItsColour) {
  // A flat 6 x 6 grid in the plane z = 7 of the input file, far from the origin: flat, so every
  // vertex has roughness 0 and the first colour, and it faces the front view squarely.
  std::ostringstream off;
  off << "OFF\n49 72 0\n";
  for (int j = 0; j <= 6; ++j) {
    for (int i = 0; i <= 6; ++i)
      off << 30 + 2 * i << " " << -5 + 2 * j << " 7\n";
  }
  for (int j = 0; j < 6; ++j) {
    for (int i = 0; i < 6; ++i) {
      const int a = j * 7 + i;
      off << "3 " << a << " " << a + 1 << " " << a + 8 << "\n3 " << a << " " << a + 8 << " "
          << a + 7 << "\n";
    }
  }
  write_file(folder_ + "/grid.off", off.str());
  ASSERT_EQ(run({"grid.off", "0.01", "grid.png"}).status, 0);
  ASSERT_EQ(run({"grid.off", "0.01", "grid.ply"}).status, 0);
  ASSERT_EQ(run({"grid.off", "0.01", "grid.csv"}).status, 0);
  const testing::PlyFile ply = read_ply("grid.ply");
  const auto table = parse_csv(read_file(folder_ + "/grid.csv"));
  testing::DecodedPng picture;
  std::string error;
  ASSERT_TRUE(testing::decode_png(folder_ + "/grid.png", picture, error)) << error;
  ASSERT_EQ(table.size(), 49u);
  for (int vertex : {8, 24, 40}) {
    const auto& row = table[static_cast<std::size_t>(vertex)];
    const ScreenPoint p = project(
        front_view(),
        Vec3f{static_cast<float>(row[1]), static_cast<float>(row[2]), static_cast<float>(row[3])});
    const auto& record = ply.element("vertex")->records[static_cast<std::size_t>(vertex)];
    const std::vector<int> colour = {static_cast<int>(record[8][0]), static_cast<int>(record[9][0]),
                                     static_cast<int>(record[10][0])};
    EXPECT_EQ(colour, (std::vector<int>{68, 1, 84})) << vertex;
    EXPECT_EQ(picture.at(static_cast<int>(p.x), static_cast<int>(p.y)), colour) << vertex;
  }
}

TEST_F(FieldsOutput, UnknownEndingFailsBeforeAnyWorkAndWritesNothing) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  for (const char* output : {"bunny.jpg", "bunny", "bunny.ply.txt", "plyfile"}) {
    const auto result = run({"bunny.off", "0.01", output});
    EXPECT_EQ(result.status, 1) << output;
    EXPECT_EQ(result.out, "") << output;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(output), std::string::npos) << result.err;
  }
  // The ending is judged before the input is even looked for.
  const auto missing_input = run({"missing.off", "0.01", "out.gif"});
  EXPECT_EQ(missing_input.status, 1);
  EXPECT_EQ(missing_input.out, "");
  EXPECT_NE(missing_input.err.find("out.gif"), std::string::npos) << missing_input.err;
  EXPECT_EQ(file_count(), 1);
}

TEST_F(FieldsOutput, UnwritableOutputFailsAndLeavesNothingBehind) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  fs::create_directory(folder_ + "/taken.ply");
  fs::create_directory(folder_ + "/taken.png");
  // A folder is no output at all (status 2, as meshprobe refuses it); a missing folder is one
  // that cannot be written (status 1).
  const std::vector<std::tuple<std::string, std::string, int>> outputs = {
      {"taken.ply", "it is a folder", 2},
      {"taken.png", "it is a folder", 2},
      {"no-such-folder/bunny.ply", "the folder no-such-folder does not exist", 1},
      {"no-such-folder/bunny.png", "the folder no-such-folder does not exist", 1}};
  for (const auto& [output, why, status] : outputs) {
    const auto result = run({"bunny.off", "0.01", output});
    EXPECT_EQ(result.status, status) << output;
    EXPECT_EQ(result.out, "") << output;
    EXPECT_EQ(result.err, "meshprobe-fields: cannot write " + output + ": " + why + "\n");
  }
  EXPECT_TRUE(fs::is_directory(folder_ + "/taken.ply"));
  EXPECT_TRUE(fs::is_directory(folder_ + "/taken.png"));
  EXPECT_EQ(file_count(), 3);
}

}  // namespace
}  // namespace meshprobe
