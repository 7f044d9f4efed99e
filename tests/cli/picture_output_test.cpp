// The picture and the PLY as meshprobe writes them: the title names the length when one was
// given and the facets left out under it, the PNG states its print resolution, --range refuses
// what the colour bar cannot label, and the PLY's quality stays finite where nothing was
// measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "tests/support/ply_file.h"
#include "tests/support/png_image.h"
#include "tests/support/process.h"
#include "tests/support/shapes.h"
#include "viz/roughness_picture.h"
#include "viz/text_render.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::run_program;
using testing::write_file;

// A flat 7 x 7 grid of quadrilaterals' corners: 49 vertices.
std::string grid_off() {
  std::string off = "OFF\n49 36 0\n";
  for (int j = 0; j < 7; ++j) {
    for (int i = 0; i < 7; ++i)
      off += std::to_string(i) + " " + std::to_string(j) + " 0\n";
  }
  for (int j = 0; j < 6; ++j) {
    for (int i = 0; i < 6; ++i) {
      const int a = 7 * j + i;
      off += "4 " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + 8) +
             " " + std::to_string(a + 7) + "\n";
    }
  }
  return off;
}

// Six vertices: the third facet would be a third one on the edge 0-1 and is left out, so vertex
// 4 is not measured; no facet uses vertex 5, which OFF drops from the surface and OBJ keeps.
const char* const kFinOff =
    "OFF\n6 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 1 1\n9 9 9\n"
    "3 0 1 2\n3 1 0 3\n3 0 1 4\n3 2 1 3\n";
const char* const kFinObj =
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nv 9 9 9\n"
    "f 1 2 3\nf 2 1 4\nf 1 2 5\nf 3 2 4\n";

// Every file under the folder by its own name, with its bytes.
std::map<std::string, std::string> files_by_name(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files[entry.path().filename().string()] = read_file(entry.path().string());
  return files;
}

class PictureOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::scratch_folder(
        std::string("picture-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    write_file(folder_ + "/grid.off", grid_off());
    write_file(folder_ + "/fin.off", kFinOff);
    write_file(folder_ + "/fin.obj", kFinObj);
  }
  testing::ProcessResult run(const std::vector<std::string>& arguments) {
    return run_program(MESHPROBE_BINARY, arguments, folder_);
  }
  testing::DecodedPng decoded(const std::string& name) {
    testing::DecodedPng picture;
    std::string error;
    EXPECT_TRUE(testing::decode_png(folder_ + "/" + name, picture, error)) << error;
    return picture;
  }
  std::string folder_;
};

struct TitleCase {
  std::vector<std::string> arguments;  // before --range 0:1 --png=out.png
  std::string title;
  std::string note;
};

// Everything above the views is the title and its note: that band of the written picture must be
// exactly these lines, as the layout places and the font draws them.
TEST_F(PictureOutput, TitleNamesTheGivenLengthAndTheFacetsLeftOut) {
  const std::vector<TitleCase> cases = {
      {{"grid.off", "0.05"}, "grid.off   epsilon 0.05   49 vertices", ""},
      {{"--length", "10", "grid.off", "0.05"},
       "grid.off   epsilon 0.05   length 10   49 vertices",
       ""},
      {{"--length=0.5", "-q", "fin.off", "0.05"},
       "fin.off   epsilon 0.05   length 0.5   6 vertices",
       "1 facet left out"},
      {{"fin.obj", "0.05", "-q"}, "fin.obj   epsilon 0.05   6 vertices", "1 facet left out"}};
  for (const TitleCase& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    for (const char* more : {"--range", "0:1", "--png=out.png"})
      arguments.push_back(more);
    const auto result = run(arguments);
    ASSERT_EQ(result.status, 0) << c.title << ": " << result.err;
    const testing::DecodedPng picture = decoded("out.png");

    PictureOptions options;
    options.range = ValueRange{0.0, 1.0};
    options.title = c.title;
    options.note = c.note;
    const PictureLayout layout = picture_layout(options);
    ASSERT_EQ(layout.title.size(), c.note.empty() ? 1u : 2u);
    RgbImage expected(layout.width, layout.height, kPictureBackground);
    TextRenderer font(layout.text_size);
    for (const PlacedText& line : layout.title)
      font.draw(expected, line.left, line.baseline, line.text, kPictureInk);
    ASSERT_EQ(picture.width, layout.width);
    int differing = 0;
    for (int y = 0; y < layout.front.top; ++y) {
      for (int x = 0; x < layout.width; ++x) {
        const Rgb8 p = expected.pixel(x, y);
        differing += picture.at(x, y) != std::vector<int>{p.r, p.g, p.b};
      }
    }
    EXPECT_EQ(differing, 0) << c.title << " / " << c.note;
  }
}

struct ResolutionCase {
  const char* program;
  std::vector<std::string> arguments;
  unsigned long pixels_per_metre;  // dpi / 0.0254, rounded
};

TEST_F(PictureOutput, PngStatesItsPrintResolution) {
  const std::vector<ResolutionCase> cases = {
      {MESHPROBE_BINARY, {"--png=out.png", "grid.off", "0.05"}, 11811},
      {MESHPROBE_BINARY, {"--png=out.png", "--dpi", "600", "grid.off", "0.05"}, 23622},
      {MESHPROBE_BINARY, {"--png=out.png", "--dpi=72", "grid.off", "0.05"}, 2835},
      {MESHPROBE_BINARY, {"--png=out.png", "--dpi", "10000", "grid.off", "0.05"}, 393701},
      {MESHPROBE_FIELDS_BINARY, {"grid.off", "0.05", "out.png"}, 11811}};
  for (const ResolutionCase& c : cases) {
    fs::remove(folder_ + "/out.png");
    const auto result = run_program(c.program, c.arguments, folder_);
    ASSERT_EQ(result.status, 0) << result.err;
    testing::PngResolution resolution;
    ASSERT_TRUE(testing::read_png_resolution(folder_ + "/out.png", resolution));
    EXPECT_TRUE(resolution.per_metre);
    EXPECT_EQ(resolution.x, c.pixels_per_metre) << c.arguments[2];
    EXPECT_EQ(resolution.y, c.pixels_per_metre) << c.arguments[2];
  }
}

struct RangeRun {
  const char* range;
  bool accepted;
};

TEST_F(PictureOutput, RangesTheColourBarCannotLabelAreRefusedBeforeAnything) {
  // clang-format off
  const std::vector<RangeRun> runs = {
      {"0:0.05", true},    {"-3:3", true},        {"0:1e9", true},        {"0:1e11", true},
      {"-1e10:1e10", true}, {"0:1e-9", true},     {"0:1.05e-9", true},    {"0:1e12", false},
      {"-1e308:1e308", false}, {"-1.7976931348623157e308:0", false},      {"0:1e25", false},
      {"0:1e-15", false},  {"-1e-300:1e-300", false}, {"0:1e400", false}, {"nan:1", false},
      {"-inf:0", false},   {"1:1", false},        {"1e300:1.0000001e300", false}};
  // clang-format on
  for (const RangeRun& r : runs) {
    fs::remove(folder_ + "/grid_roughness.png");
    fs::remove(folder_ + "/grid_labels.lb");
    const auto before = files_by_name(folder_);
    const auto result = run({"--png", "--range", r.range, "grid.off", "0.05"});
    if (r.accepted) {
      EXPECT_EQ(result.status, 0) << r.range << ": " << result.err;
      EXPECT_EQ(result.err, "") << r.range;
      EXPECT_EQ(decoded("grid_roughness.png").width, 1200) << r.range;
    } else {
      EXPECT_EQ(result.status, 2) << r.range;
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err.rfind("meshprobe: --range ", 0), 0u) << result.err;
      EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
      EXPECT_NE(result.err.find(r.range), std::string::npos) << result.err;
      EXPECT_EQ(files_by_name(folder_), before) << r.range;
    }
  }
}

struct PlyCase {
  std::vector<std::string> arguments;
  std::string ply;             // the PLY's derived name
  std::string comment;         // the header's first comment line
  std::vector<bool> measured;  // per vertex of the file
};

// Vertices that were not measured keep NaN in their scalar_ fields and are grey, but their
// quality is 0, which MeshLab's quality filters can take; measured ones have their roughness.
TEST_F(PictureOutput, PlyNamesTheGivenLengthAndKeepsQualityFinite) {
  const std::vector<PlyCase> cases = {
      {{"fin.off", "0.05"},
       "fin_roughness.ply",
       "comment meshprobe roughness map of fin.off, epsilon 0.05\n",
       {true, true, true, true, false, false}},
      {{"--length", "10", "fin.obj", "0.05"},
       "fin_roughness.ply",
       "comment meshprobe roughness map of fin.obj, epsilon 0.05, length 10\n",
       {true, true, true, true, false, false}},
      {{"-e", "0.05,0.1", "--length=2.5", "grid.off"},
       "grid_roughness.ply",
       "comment meshprobe roughness map of grid.off, epsilon 0.05, length 2.5\n",
       std::vector<bool>(49, true)}};
  for (const PlyCase& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    for (const char* more : {"--ply", "--no-values", "-q"})
      arguments.push_back(more);
    const auto result = run(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    testing::PlyFile ply;
    std::string error;
    ASSERT_TRUE(testing::read_binary_ply(read_file(folder_ + "/" + c.ply), ply, error)) << error;
    EXPECT_NE(ply.header.find(c.comment), std::string::npos) << ply.header;
    const testing::PlyElement* vertex = ply.element("vertex");
    ASSERT_NE(vertex, nullptr);
    const auto column = [vertex](const std::string& name) {
      const int p = vertex->property(name);
      EXPECT_GE(p, 0) << name;
      return static_cast<std::size_t>(std::max(p, 0));
    };
    const std::size_t roughness = vertex->property("scalar_roughness") >= 0
                                      ? column("scalar_roughness")
                                      : column("scalar_roughness_eps0.05");
    ASSERT_EQ(vertex->records.size(), c.measured.size());
    for (std::size_t i = 0; i < c.measured.size(); ++i) {
      const auto& record = vertex->records[i];
      const double quality = record[column("quality")][0];
      const double value = record[roughness][0];
      const std::vector<double> colour = {record[column("red")][0], record[column("green")][0],
                                          record[column("blue")][0]};
      if (c.measured[i]) {
        EXPECT_EQ(quality, value) << "vertex " << i;
        EXPECT_NE(colour, (std::vector<double>{160, 160, 160})) << "vertex " << i;
      } else {
        EXPECT_TRUE(std::isnan(value)) << "vertex " << i;
        EXPECT_TRUE(std::isnan(record[column("scalar_kmin")][0])) << "vertex " << i;
        EXPECT_EQ(quality, 0.0) << "vertex " << i;
        EXPECT_EQ(colour, (std::vector<double>{160, 160, 160})) << "vertex " << i;
      }
    }
  }
}

}  // namespace
}  // namespace meshprobe
