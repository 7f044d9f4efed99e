// The meshprobe binary on inputs that cannot be measured and on text that editors write in their
// own ways. An unmeasurable input (no facet, a device, a length out of range, a PLY line that does
// not match its element) ends with status 1, one line naming the fault and nothing written. A
// byte-order mark, lines ended by CR alone, an OBJ comment after a face and an ASCII STL normal of
// NaN are read, and give the values of the same mesh written plainly, as gzip files do, read
// whole or tiled. Facets left out are chosen by geometry, not by their order in the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/read_as_file.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

// A 5 x 5 grid of bumps, so that the values are not all 0: corner positions and triangles.
struct Grid {
  std::vector<std::string> points;  // "x y z"
  std::vector<std::vector<int>> triangles;
};

Grid bumpy_grid() {
  constexpr int kSide = 5;
  Grid grid;
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) {
      char text[64];
      std::snprintf(text, sizeof text, "%d %d %g", i, j, ((i * 7 + j * 3) % 5) * 0.2);
      grid.points.push_back(text);
    }
  }
  for (int j = 0; j + 1 < kSide; ++j) {
    for (int i = 0; i + 1 < kSide; ++i) {
      const int a = j * kSide + i;
      grid.triangles.push_back({a, a + 1, a + kSide + 1});
      grid.triangles.push_back({a, a + kSide + 1, a + kSide});
    }
  }
  return grid;
}

std::string as_obj(const Grid& grid, const std::string& face_ending = "") {
  std::string text;
  for (const std::string& p : grid.points)
    text += "v " + p + "\n";
  for (const auto& t : grid.triangles) {
    text += "f " + std::to_string(t[0] + 1) + " " + std::to_string(t[1] + 1) + " " +
            std::to_string(t[2] + 1) + face_ending + "\n";
  }
  return text;
}

std::string as_off(const Grid& grid) {
  std::string text = "OFF\n" + std::to_string(grid.points.size()) + " " +
                     std::to_string(grid.triangles.size()) + " 0\n";
  for (const std::string& p : grid.points)
    text += p + "\n";
  for (const auto& t : grid.triangles) {
    text += "3 " + std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) +
            "\n";
  }
  return text;
}

std::string as_ply(const Grid& grid) {
  std::string text = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(grid.points.size()) +
                     "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
                     std::to_string(grid.triangles.size()) +
                     "\nproperty list uchar int vertex_indices\nend_header\n";
  for (const std::string& p : grid.points)
    text += p + "\n";
  for (const auto& t : grid.triangles) {
    text += "3 " + std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) +
            "\n";
  }
  return text;
}

std::string as_stl(const Grid& grid, const std::string& normal = "0 0 1") {
  std::string text = "solid grid\n";
  for (const auto& t : grid.triangles) {
    text += " facet normal " + normal + "\n  outer loop\n";
    for (int corner : t)
      text += "   vertex " + grid.points[static_cast<std::size_t>(corner)] + "\n";
    text += "  endloop\n endfacet\n";
  }
  return text + "endsolid grid\n";
}

std::string with_cr_alone(std::string text) {
  std::replace(text.begin(), text.end(), '\n', '\r');
  return text;
}

const std::string kMark = "\xEF\xBB\xBF";

// The values meshprobe writes for `content` saved as `name`, or its status and message.
struct Outcome {
  int status;
  std::string err;
  std::string values;  // the value file, empty when none was written
  bool folder_unchanged;
};

// The folder's own entries by name: a file's bytes, "(link)" or "(special)".
std::map<std::string, std::string> top_level_files(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = entry.is_symlink() ? "(link)"
                                              : entry.is_regular_file()
                                                  ? read_file(entry.path().string())
                                                  : "(special)";
  }
  return files;
}

Outcome measure(const std::string& folder, const std::string& setup, const std::string& mesh,
                const std::vector<std::string>& options) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  if (!setup.empty()) {
    EXPECT_EQ(testing::run_program("/bin/sh", {"-c", setup}, folder).status, 0);
  }
  const auto before = top_level_files(folder);
  std::vector<std::string> arguments = options;
  arguments.insert(arguments.end(), {"-o", "values.lb", mesh, "0.3"});
  const auto result = testing::run_program(MESHPROBE_BINARY, arguments, folder);
  Outcome outcome{result.status, result.err, "", top_level_files(folder) == before};
  if (fs::exists(folder + "/values.lb")) outcome.values = read_file(folder + "/values.lb");
  return outcome;
}

// A mesh given as the bytes of a file (or a shell set-up that makes it), and either the one
// line meshprobe refuses it with, or the plain file whose values it must give.
struct InputCase {
  std::string name;
  std::string content;  // saved as `name`, when not empty
  std::string setup;    // shell commands run in the folder before
  std::vector<std::string> options;
  std::string err;           // the exact refusal; empty when the input is read
  std::string same_as_name;  // when read: a plain file ...
  std::string same_as;       // ... with this content gives the same value file
};

std::vector<InputCase> input_cases() {
  const Grid grid = bumpy_grid();
  const std::string cannot = "meshprobe: cannot read ";
  const std::string no_facet =
      ": no facet could be measured (the mesh holds none, or the surface could hold none of "
      "them)\n";
  std::string extra_token = as_ply(grid);
  extra_token.replace(extra_token.find("\n0 0 0\n"), 7, "\n0 0 0 7\n");
  std::string missing_token = as_ply(grid);
  missing_token.replace(missing_token.find("\n3 0 1 6\n"), 9, "\n3 0 1\n6\n");
  std::string nan_off = as_off(grid);
  nan_off.replace(nan_off.find("\n0 0 0\n"), 7, "\nnan 0 0\n");
  return {
      // Refused.
      {"points.obj",
       "v 0 0 0\nv 1 0 0\nv 0 1 0\n",
       "",
       {},
       cannot + "points.obj: the file holds 3 vertices and no facet: roughness needs a surface\n",
       "",
       ""},
      {"cloud.ply.gz",
       testing::gzip(as_ply(Grid{grid.points, {}})),
       "",
       {"--tiles", "2"},
       cannot +
           "cloud.ply.gz: the file holds 25 vertices and no facet: roughness needs a surface\n",
       "",
       ""},
      {"empty.off", "", ": > empty.off", {}, cannot + "empty.off: the file is empty\n", "", ""},
      {"scan.vtk",
       "# vtk DataFile Version 3.0\ngrid\nASCII\nDATASET POLYDATA\n",
       "",
       {},
       cannot + "scan.vtk: it is a VTK file, not a format read here: OFF, PLY, STL, OBJ (by a "
                "name ending in \"obj\"), or one of them gzipped\n",
       "",
       ""},
      {"cut.ply.gz",
       testing::gzip(as_ply(grid)).substr(0, 100),
       "",
       {"--tiles", "2"},
       cannot + "cut.ply.gz: the gzip data is cut short\n",
       "",
       ""},
      {"degenerate.stl",
       "solid d\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 0 0\n"
       "endloop\nendfacet\nendsolid d\n",
       "",
       {},
       cannot + "degenerate.stl" + no_facet,
       "",
       ""},
      {"extra.ply",
       extra_token,
       "",
       {},
       cannot + "extra.ply: PLY line 10: vertex 0 has more values than its properties (one line "
                "per vertex)\n",
       "",
       ""},
      {"missing.ply",
       missing_token,
       "",
       {},
       cannot + "missing.ply: PLY line 35: face 0 has fewer values than its properties (one line "
                "per face)\n",
       "",
       ""},
      {"nan.off",
       nan_off,
       "",
       {},
       cannot + "nan.off: line 3: vertex 0: coordinate \"nan\" is not a finite number\n",
       "",
       ""},
      {"/dev/zero",
       "",
       "",
       {},
       cannot + "/dev/zero: it is a character device, not a mesh file\n",
       "",
       ""},
      {"loop.off",
       "",
       "ln -s loop.off loop.off",
       {},
       cannot + "loop.off: cannot open the file (Too many levels of symbolic links)\n",
       "",
       ""},
      {"small.off",
       as_off(grid),
       "",
       {"--length", "1e-21"},
       "meshprobe: cannot measure small.off: the length 1e-21 is too small for this mesh: with its "
       "largest side "
       "4 the length must be at least side/4096 (0.0009765625), or the scaled coordinates are "
       "too coarse for the curvature radius\n",
       "",
       ""},
      {"large.off",
       as_off(grid),
       "",
       {"--length", "1e30"},
       "meshprobe: cannot measure large.off: the length 1e+30 is too large for this mesh: with its "
       "largest side "
       "4 the length must be at most side*2^24 (67108864), or the scaled mesh is too small for "
       "single precision\n",
       "",
       ""},
      // Read as the plain file.
      {"mark.obj", kMark + as_obj(grid), "", {}, "", "plain.obj", as_obj(grid)},
      {"mark.off", kMark + as_off(grid), "", {}, "", "plain.off", as_off(grid)},
      {"mark.ply", kMark + as_ply(grid), "", {}, "", "plain.ply", as_ply(grid)},
      {"mark.stl", kMark + as_stl(grid), "", {}, "", "plain.stl", as_stl(grid)},
      {"cr.obj", with_cr_alone(as_obj(grid)), "", {}, "", "plain.obj", as_obj(grid)},
      {"cr.off",
       with_cr_alone("OFF\n# a comment line\n" + as_off(grid).substr(4)),
       "",
       {},
       "",
       "plain.off",
       as_off(grid)},
      {"cr.ply", with_cr_alone(as_ply(grid)), "", {}, "", "plain.ply", as_ply(grid)},
      {"cr.stl", with_cr_alone(as_stl(grid)), "", {}, "", "plain.stl", as_stl(grid)},
      {"comment.obj", as_obj(grid, " # note"), "", {}, "", "plain.obj", as_obj(grid)},
      {"normal.stl", as_stl(grid, "nan nan nan"), "", {}, "", "plain.stl", as_stl(grid)},
      // gzip, whatever the name, read whole or (tiled) in passes through a scratch file.
      {"grid.off.gz", testing::gzip(as_off(grid)), "", {}, "", "plain.off", as_off(grid)},
      {"grid.off.gz",
       testing::gzip(as_off(grid)),
       "",
       {"--tiles", "2"},
       "",
       "plain.off",
       as_off(grid)},
      {"grid.ply.gz",
       testing::gzip(as_ply(grid)),
       "",
       {"--tiles", "2"},
       "",
       "plain.ply",
       as_ply(grid)},
      {"grid.obj.gz",
       testing::gzip(as_obj(grid)),
       "",
       {"--tiles", "3"},
       "",
       "plain.obj",
       as_obj(grid)},
      {"grid.stl.gz",
       testing::gzip(as_stl(grid)),
       "",
       {"--tiles", "2"},
       "",
       "plain.stl",
       as_stl(grid)},
      {"grid", testing::gzip(as_ply(grid)), "", {}, "", "plain.ply", as_ply(grid)},
  };
}

TEST(InputRefusal, UnmeasurableInputsAreRefusedAndEditorsTextIsRead) {
  const std::string folder = testing::scratch_folder("input-refusal");
  for (const InputCase& c : input_cases()) {
    SCOPED_TRACE(c.name);
    std::string setup = c.setup;
    if (!c.content.empty()) write_file(folder + ".content", c.content);
    if (!c.content.empty()) setup = "cp '" + folder + ".content' '" + c.name + "'";
    const Outcome outcome = measure(folder, setup, c.name, c.options);
    if (!c.err.empty()) {
      EXPECT_EQ(outcome.status, 1);
      EXPECT_EQ(outcome.err, c.err);
      EXPECT_TRUE(outcome.folder_unchanged);
      continue;
    }
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    write_file(folder + ".content", c.same_as);
    const Outcome plain =
        measure(folder, "cp '" + folder + ".content' '" + c.same_as_name + "'", c.same_as_name, {});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(outcome.values, plain.values);
    EXPECT_NE(plain.values.find_first_of("123456789"), std::string::npos) << "all zeros";
  }
}

// The grid with fins that the surface cannot hold (a third facet on an edge) and facets given
// twice: in every order of its faces, the same facets are left out and every vertex keeps its
// value.
TEST(InputRefusal, FacetsLeftOutDoNotDependOnTheFileOrder) {
  Grid grid = bumpy_grid();
  grid.points.push_back("1.5 1.5 2");
  grid.points.push_back("2.5 0.5 -1");
  const int top = 25;
  const int bottom = 26;
  std::vector<std::vector<int>> extra;
  for (std::size_t t = 0; t < grid.triangles.size(); t += 5) {
    const auto& triangle = grid.triangles[t];
    extra.push_back({triangle[0], triangle[1], t % 2 == 0 ? top : bottom});
    extra.push_back(triangle);
  }
  grid.triangles.insert(grid.triangles.end(), extra.begin(), extra.end());

  const std::string folder = testing::scratch_folder("input-facet-order");
  std::string first_values;
  std::string first_warning;
  std::uint32_t state = 12345;
  for (int trial = 0; trial < 6; ++trial) {
    SCOPED_TRACE("order " + std::to_string(trial));
    if (trial > 0) {
      // A fixed sequence of shuffles (Fisher-Yates on a linear congruential generator).
      for (std::size_t i = grid.triangles.size() - 1; i > 0; --i) {
        state = state * 1664525u + 1013904223u;
        std::swap(grid.triangles[i], grid.triangles[(state >> 8) % (i + 1)]);
      }
    }
    write_file(folder + ".content", as_obj(grid));
    const Outcome outcome = measure(folder, "cp '" + folder + ".content' fins.obj", "fins.obj", {});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    // The warning names the first facet left out, which moves with the order; its count does not.
    const std::string warning = outcome.err.substr(0, outcome.err.find(" ("));
    if (trial == 0) {
      first_values = outcome.values;
      first_warning = warning;
      EXPECT_NE(warning, "");
    }
    EXPECT_EQ(outcome.values, first_values);
    EXPECT_EQ(warning, first_warning);
  }
}

// One facet of n corners around a circle, as OBJ, OFF and ASCII PLY. The circle grows with n, so
// that its corners lie as far apart for any n.
std::map<std::string, std::string> one_facet_files(int corners) {
  std::string points;
  std::string indices;
  for (int i = 0; i < corners; ++i) {
    const double angle = 6.283185307179586 * i / corners;
    char text[80];
    const double radius = corners / 100000.0;
    std::snprintf(text, sizeof text, "%.9f %.9f %.9f\n", radius * std::cos(angle),
                  radius * std::sin(angle), 0.01 * std::sin(7 * angle));
    points += text;
    indices += " " + std::to_string(i);
  }
  std::string obj;
  for (std::size_t start = 0; start < points.size();) {
    const std::size_t end = points.find('\n', start) + 1;
    obj += "v " + points.substr(start, end - start);
    start = end;
  }
  obj += "f";
  for (int i = 1; i <= corners; ++i)
    obj += " " + std::to_string(i);
  const std::string n = std::to_string(corners);
  return {{"big.obj", obj + "\n"},
          {"big.off", "OFF\n" + n + " 1 0\n" + points + n + indices + "\n"},
          {"big.ply", "ply\nformat ascii 1.0\nelement vertex " + n +
                          "\nproperty float x\nproperty float y\nproperty float z\nelement face 1\n"
                          "property list int int vertex_indices\nend_header\n" +
                          points + n + indices + "\n"}};
}

// A facet of 100,000 corners is read, built and measured in each text format (the time this
// takes, linear in the corners, is measured by hand, not asserted here).
TEST(InputRefusal, AFacetOfManyCornersIsMeasured) {
  const std::string folder = testing::scratch_folder("input-big-facet");
  for (const auto& [name, content] : one_facet_files(100000)) {
    SCOPED_TRACE(name);
    write_file(folder + "/" + name, content);
    const auto result = testing::run_program(
        MESHPROBE_BINARY, {"-q", "--length", "0.01", "-o", "-", name, "0.01"}, folder);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 100000);
  }
}

}  // namespace
}  // namespace meshprobe
