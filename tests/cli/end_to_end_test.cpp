// The meshprobe binary as users run it: every exit status, what it prints, and what it leaves on
// disk. A failed run never creates a value file nor touches an existing one; a run that leaves
// facets out says so in one warning line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>

#include "tests/support/ply_text.h"
#include "tests/support/process.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::ply_file;
using testing::PlyEncoding;
using testing::read_file;
using testing::run_program;
using testing::write_file;

const char* const kUsage =
    "Utilization:\n\tmeshprobe Name Epsilon\n\nName <Name of the file .OFF, .OBJ, .PLY or .STL> "
    "\nEpsilon <Epsilon value> 0.01 is recommended\n\n\nFor instance: meshprobe dinosaur-10.obj "
    "0.01\n\n\nIf the Name is XXX.obj then the roughness values will be written in XXX_labels.lb "
    "(in the vertex order)\n\nmeshprobe --help lists every option and output\n";

int count_files(const std::string& folder) {
  return static_cast<int>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Every file under a folder with its content, and every folder, by path relative to it: equal
// snapshots before and after a run mean the run created, removed and changed nothing there.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        testing::scratch_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  testing::ProcessResult run(const std::vector<std::string>& arguments) {
    return run_program(MESHPROBE_BINARY, arguments, folder_);
  }
  // Writes each file, with an earlier value file beside it, and runs meshprobe on it: every run
  // must fail with status 1 and one line "meshprobe: cannot read NAME: ..." on standard error,
  // and leave the folder exactly as it was.
  void expect_refused(const std::vector<std::pair<std::string, std::string>>& inputs) {
    for (const auto& [name, content] : inputs) {
      write_file(folder_ + "/" + name, content);
      const std::string labels = name.substr(0, name.size() - 4) + "_labels.lb";
      write_file(folder_ + "/" + labels, "earlier result\n");
      const auto before = testing::folder_contents(folder_);
      const auto result = run({name, "0.01"});
      EXPECT_EQ(result.status, 1) << name;
      EXPECT_EQ(result.out, "") << name;
      EXPECT_EQ(lines_of(result.err).size(), 1u) << name << ": " << result.err;
      EXPECT_EQ(result.err.rfind("meshprobe: cannot read " + name + ": ", 0), 0u) << result.err;
      EXPECT_EQ(testing::folder_contents(folder_), before) << name;
    }
  }
  std::string folder_;
};

TEST_F(EndToEnd, WrongNumberOfArgumentsPrintsUsageAndLeavesTheFolderAlone) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  write_file(folder_ + "/bunny_labels.lb", "earlier result\n");
  const auto before = testing::folder_contents(folder_);
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{}, {"bunny.off"}, {"bunny.off", "0.01", "extra"}}) {
    const auto result = run(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, kUsage);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(testing::folder_contents(folder_), before) << arguments.size() << " arguments";
  }
}

TEST_F(EndToEnd, BadEpsilonIsRefusedBeforeAnythingIsReadOrWritten) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  write_file(folder_ + "/bunny_labels.lb", "earlier result\n");
  const auto before = testing::folder_contents(folder_);
  for (const char* epsilon : {"abc", "0", "-0.5", "nan", "inf", "1e400"}) {
    const auto result = run({"bunny.off", epsilon});
    EXPECT_EQ(result.status, 2) << epsilon;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "meshprobe: epsilon must be a number greater than 0, not \"" +
                              std::string(epsilon) + "\"\n");
    EXPECT_EQ(testing::folder_contents(folder_), before) << epsilon;
  }
}

TEST_F(EndToEnd, MissingInputIsReportedOnStandardOutput) {
  write_file(folder_ + "/missing_labels.lb", "earlier result\n");
  const auto before = testing::folder_contents(folder_);
  const auto result = run({"missing.off", "0.01"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "The file missing.off does not exist\n\n");
  EXPECT_EQ(testing::folder_contents(folder_), before);
}

TEST_F(EndToEnd, UnreadableMeshesFailAndLeaveAnExistingValueFileAlone) {
  const std::vector<std::pair<std::string, std::string>> inputs = {
      {"not-off.off", "hello\n"},
      {"bad-index.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 9\n"},
      {"huge-header.off", "OFF\n1000000000 1 0"},
      {"no-facets.off", "OFF\n3 0 0\n0 0 0\n1 0 0\n0 1 0\n"},
      {"one-point.off", "OFF\n3 1 0\n1 1 1\n1 1 1\n1 1 1\n3 0 1 2\n"},
      {"not-finite.off", "OFF\n3 1 0\n0 0 0\n1e39 0 0\n0 1 0\n3 0 1 2\n"},
      {"negative-index.off", "COFF\n3 1 0\n0 0 0 1\n1 0 0 2\n0 1 0 3\n3 0 1 -2\n"},
      {"keyword-hash.off", "OFF#0001667102528 3 0\n000 0\n1 O+F0"},
  };
  expect_refused(inputs);
}

TEST_F(EndToEnd, RefusedObjFilesFailWithOneLineAndLeaveAnExistingValueFileAlone) {
  const std::vector<std::pair<std::string, std::string>> inputs = {
      {"zero-index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n"},
      {"short-vertex.obj", "v 0 0 0\nv 1 0\nv 0 1 0\nf 1 2 3\n"},
      {"two-corners.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n"},
      {"beyond.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n"},
      {"no-vertex.obj", "# nothing but a comment\nvn 0 0 1\n"},
      {"one-point.obj", "v 1 1 1\nv 1 1 1\nv 1 1 1\nf 1 2 3\n"},
      {"not-a-number.obj", "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n"},
      {"infinite.obj", "v 0 0 0\nv -inf 0 0\nv 0 1 0\nf 1 2 3\n"},
      // Finite coordinates whose bounding box is wider than single precision can hold.
      {"too-wide.obj", "v -3e38 0 0\nv 3e38 0 0\nv 0 1 0\nf 1 2 3\n"},
  };
  expect_refused(inputs);
}

TEST_F(EndToEnd, FacetsTheSurfaceCannotHoldAreLeftOutWithOneWarningLine) {
  // Six vertices: the third facet would be a third one on the edge 0-1 and is left out; vertex 4
  // belongs to that facet only, vertex 5 to none. OFF and PLY drop vertex 5 only, OBJ keeps
  // both; either way vertex 4 keeps its line, with roughness 0.
  const std::string off =
      "OFF\n6 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 1 1\n9 9 9\n"
      "3 0 1 2\n3 1 0 3\n3 0 1 4\n3 2 1 3\n";
  const std::string obj =
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nv 9 9 9\n"
      "f 1 2 3\nf 2 1 4\nf 1 2 5\nf 3 2 4\n";
  std::vector<Vec3f> points;
  std::vector<std::vector<std::int64_t>> faces;
  testing::off_lists(off, points, faces);
  write_file(folder_ + "/fin.off", off);
  write_file(folder_ + "/fin.obj", obj);
  write_file(folder_ + "/fin.ply", ply_file(PlyEncoding::kBigEndian, points, faces));
  const std::vector<std::tuple<std::string, std::string, std::size_t>> runs = {
      {"fin.off", "(facet 2)", 5},
      {"fin.ply", "(facet 2)", 5},
      {"fin.obj", "(facet 2, line 9)", 6}};
  std::vector<std::string> values;
  for (const auto& [name, first, lines] : runs) {
    const auto result = run({name, "0.01"});
    EXPECT_EQ(result.status, 0) << name << ": " << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "meshprobe: warning: " + name +
                              ": 1 facet the surface cannot hold was left out " + first + "\n");
    values.push_back(read_file(folder_ + "/fin_labels.lb"));
    const auto value_lines = lines_of(values.back());
    ASSERT_EQ(value_lines.size(), lines) << name;
    EXPECT_EQ(value_lines[4], "0.000000 ") << name;
    if (lines == 6) {
      EXPECT_EQ(value_lines[5], "0.000000 ") << name;
    }
  }
  EXPECT_TRUE(values[0] == values[1]) << "OFF and PLY value files differ";
  const auto fields = run_program(MESHPROBE_FIELDS_BINARY, {"fin.off", "0.01", "fin.csv"}, folder_);
  EXPECT_EQ(fields.status, 0) << fields.err;
  EXPECT_EQ(fields.err,
            "meshprobe-fields: warning: fin.off: 1 facet the surface cannot hold was left out "
            "(facet 2)\n");
  // The table has a row for every vertex of the file, the one OFF drops too.
  EXPECT_EQ(lines_of(read_file(folder_ + "/fin.csv")).size(), 7u);
}

TEST_F(EndToEnd, BunnyFromPlyAndFromOffGivesTheSameValueFile) {
  std::vector<Vec3f> points;
  std::vector<std::vector<std::int64_t>> faces;
  testing::off_lists(read_file(MESHPROBE_DATA_DIR "/bunny.off"), points, faces);
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  write_file(folder_ + "/little.ply", ply_file(PlyEncoding::kLittleEndian, points, faces));
  write_file(folder_ + "/ascii.ply", ply_file(PlyEncoding::kAscii, points, faces));
  const auto from_off = run({"bunny.off", "0.01"});
  ASSERT_EQ(from_off.status, 0) << from_off.err;
  const std::string off_values = read_file(folder_ + "/bunny_labels.lb");
  ASSERT_EQ(lines_of(off_values).size(), 1839u);
  for (const char* name : {"little", "ascii"}) {
    const auto from_ply = run({std::string(name) + ".ply", "0.01"});
    ASSERT_EQ(from_ply.status, 0) << from_ply.err;
    EXPECT_EQ(from_ply.out, "");
    EXPECT_EQ(from_ply.err, "");
    EXPECT_TRUE(read_file(folder_ + "/" + name + "_labels.lb") == off_values)
        << name << ": the value files differ";
  }
}

TEST_F(EndToEnd, UnusablePlyFilesFailWithOneLineAndLeaveAnExistingValueFileAlone) {
  const std::string header =
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n";
  const std::vector<std::pair<std::string, std::string>> inputs = {
      {"truncated.ply", header + "0 0 0\n1 0 0\n0 1 0\n3 0 1"},
      {"bad-index.ply", header + "0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n"},
      {"huge-header.ply",
       "ply\nformat binary_little_endian 1.0\nelement vertex 2000000000\nproperty float x\n"
       "property float y\nproperty float z\nend_header\n"},
      {"vertex-only.ply",
       "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
       "property float z\nend_header\n0 0 0\n1 0 0\n0 1 0\n"},
      {"crashing-header.ply", "ply\nformat ascii 1.0\nproperty float x\nend_header\n"},
  };
  expect_refused(inputs);
}

TEST_F(EndToEnd, PlyContentIsReadAsPlyWhateverTheNameUnlessItEndsInObj) {
  const std::string triangle =
      ply_file(PlyEncoding::kAscii, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  write_file(folder_ + "/scan.off", triangle);
  const auto as_ply = run({"scan.off", "0.01"});
  EXPECT_EQ(as_ply.status, 0) << as_ply.err;
  EXPECT_EQ(lines_of(read_file(folder_ + "/scan_labels.lb")).size(), 3u);
  // Read as OBJ, PLY text holds no vertex line.
  write_file(folder_ + "/scan.obj", triangle);
  const auto as_obj = run({"scan.obj", "0.01"});
  EXPECT_EQ(as_obj.status, 1);
  EXPECT_EQ(as_obj.err, "meshprobe: cannot read scan.obj: the mesh holds no vertex\n");
}

TEST_F(EndToEnd, UpperCaseObjEndingIsReadAsObjKeepingUnusedVertices) {
  // Four vertices, the second used by no face: OBJ input keeps it, so it has a value line.
  write_file(folder_ + "/SHAPE.OBJ", "v 0 0 0\nv 5 5 5\nv 1 0 0\nv 0 1 0\nf 1 3 4\n");
  const auto result = run({"SHAPE.OBJ", "0.01"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(lines_of(read_file(folder_ + "/SHAPE_labels.lb")).size(), 4u);
}

TEST_F(EndToEnd, BunnyFromObjAndFromOffGivesTheSameValueFile) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.obj", folder_ + "/rabbit.obj");
  const auto from_off = run({"bunny.off", "0.01"});
  const auto from_obj = run({"rabbit.obj", "0.01"});
  ASSERT_EQ(from_off.status, 0) << from_off.err;
  ASSERT_EQ(from_obj.status, 0) << from_obj.err;
  EXPECT_EQ(from_obj.err, "");
  const std::string off_values = read_file(folder_ + "/bunny_labels.lb");
  const std::string obj_values = read_file(folder_ + "/rabbit_labels.lb");
  EXPECT_EQ(lines_of(obj_values).size(), 1839u);
  EXPECT_TRUE(off_values == obj_values) << "the two value files differ";
}

TEST_F(EndToEnd, OutputThatCannotBeCreatedFails) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  fs::create_directory(folder_ + "/bunny_labels.lb");
  write_file(folder_ + "/bunny_labels.lb/inside", "kept\n");
  const auto before = testing::folder_contents(folder_);
  const auto result = run({"bunny.off", "0.01"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "meshprobe: cannot write bunny_labels.lb: it is a folder\n");
  EXPECT_EQ(testing::folder_contents(folder_), before);  // no temporary file left behind
}

TEST_F(EndToEnd, ValueFileThatCannotBeWrittenInFullLeavesTheEarlierOneAlone) {
  // A file size limit of 4 blocks (2 or 4 KB, room for the message) makes the writes of the
  // bunny's 19 KB of values fail part-way; the signal that would end the process at the limit is
  // ignored, so the write reports it instead.
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  write_file(folder_ + "/bunny_labels.lb", "earlier result\n");
  const auto before = testing::folder_contents(folder_);
  const auto result = run_program("/bin/sh",
                                  {"-c", std::string("trap '' XFSZ; ulimit -f 4; exec '") +
                                             MESHPROBE_BINARY + "' bunny.off 0.01"},
                                  folder_);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "meshprobe: cannot write bunny_labels.lb: File too large\n");
  EXPECT_EQ(testing::folder_contents(folder_), before);
}

TEST_F(EndToEnd, BunnyGivesOneNonNegativeValuePerVertexSilently) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  write_file(folder_ + "/bunny_labels.lb", "earlier result\n");
  const auto result = run({"bunny.off", "0.01"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  const auto lines = lines_of(read_file(folder_ + "/bunny_labels.lb"));
  ASSERT_EQ(lines.size(), 1839u);
  const std::regex value_line(R"([0-9]+\.[0-9]{6} )");
  int positive = 0;
  for (const std::string& line : lines) {
    ASSERT_TRUE(std::regex_match(line, value_line)) << line;
    positive += std::stod(line) > 0;
  }
  // Most of the bunny is scanned surface with fine bumps; some of it is smooth.
  EXPECT_GT(positive, 1000);
  EXPECT_LT(positive, 1839);
  EXPECT_EQ(count_files(folder_), 2);
}

TEST_F(EndToEnd, ValuesAreTheReferenceValuesOnAnyNumberOfThreads) {
  // The reference files were written by the first, single-threaded implementation; the value
  // file must not depend on how the passes are shared among threads.
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  for (const char* epsilon : {"0.005", "0.01", "0.02"}) {
    const std::string reference =
        read_file(std::string(MESHPROBE_REFERENCE_DIR) + "/bunny_" + epsilon + ".lb");
    ASSERT_FALSE(reference.empty());
    for (const char* threads : {"1", "2", "3"}) {
      const auto result = run_program(MESHPROBE_BINARY, {"bunny.off", epsilon}, folder_,
                                      {std::string("OMP_NUM_THREADS=") + threads});
      ASSERT_EQ(result.status, 0) << result.err;
      EXPECT_EQ(read_file(folder_ + "/bunny_labels.lb"), reference)
          << "epsilon " << epsilon << ", " << threads << " threads";
    }
  }
}

TEST_F(EndToEnd, TilesWriteTheUntiledRunsFiles) {
  // Every output of a batch, summary included, byte for byte; the statistics' seconds aside.
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.obj", folder_ + "/rabbit.obj");
  const std::vector<std::string> outputs = {"--ply", "--png", "--csv",     "--stats",
                                            "-q",    "-e",    "0.005,0.02"};
  const auto run_into = [&](const std::string& out, const std::vector<std::string>& extra) {
    std::vector<std::string> arguments = outputs;
    arguments.insert(arguments.end(), {"-d", out, "--summary", out + "/summary.csv"});
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.insert(arguments.end(), {"bunny.off", "rabbit.obj"});
    const auto result = run(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
  };
  run_into("whole", {});
  run_into("tiled", {"--tiles", "5"});
  const auto without_seconds = [](std::map<std::string, std::string> files) {
    for (auto& [name, content] : files) {
      if (name.find("_stats.json") != std::string::npos) {
        const auto from = content.find("\"seconds\"");
        content.erase(from, content.find('\n', from) - from);
      }
      if (name == "summary.csv") {
        // The seconds column: the one before the version, the last but two.
        std::string kept;
        for (const std::string& row : lines_of(content)) {
          std::vector<std::string> cells;
          std::istringstream in(row);
          for (std::string cell; std::getline(in, cell, ',');)
            cells.push_back(cell);
          cells[cells.size() - 3] = "";
          for (const std::string& cell : cells)
            kept += cell + ",";
          kept += "\n";
        }
        content = kept;
      }
    }
    return files;
  };
  const auto whole = without_seconds(testing::folder_contents(folder_ + "/whole"));
  EXPECT_EQ(whole.size(), 17u);  // per mesh 2 value files, 2 pictures, 2 statistics, PLY, CSV
  EXPECT_EQ(without_seconds(testing::folder_contents(folder_ + "/tiled")), whole);
}

TEST_F(EndToEnd, TiledProgressNamesTheTileAndTheStage) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  const auto result = run({"--progress", "--tiles", "3", "bunny.off", "0.01"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* stage : {"reading", "tile 1/3 connecting", "tile 3/3 connecting", "smoothing",
                            "tile 1/3 curvature", "tile 2/3 averaging", "tile 3/3 averaging"}) {
    EXPECT_NE(result.err.find(std::string("bunny.off: ") + stage), std::string::npos) << stage;
  }
  EXPECT_EQ(read_file(folder_ + "/bunny_labels.lb"),
            read_file(std::string(MESHPROBE_REFERENCE_DIR) + "/bunny_0.01.lb"));
}

// Tiles far smaller than their margin would cost more than the whole run: fewer are cut, the
// warning says how many in one line (none with -q), and the values are the untiled run's.
TEST_F(EndToEnd, ManyTilesOnASmallMeshAreFewerWithOneWarning) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  const std::regex warning(
      "meshprobe: warning: bunny.off: ([0-9]+) tiles used of the 4096 asked: smaller tiles would "
      "measure their margins more than their vertices\n");
  for (const bool quiet : {false, true}) {
    SCOPED_TRACE(quiet);
    std::vector<std::string> arguments = {"--tiles", "4096", "bunny.off", "0.01"};
    if (quiet) arguments.insert(arguments.begin(), "-q");
    const auto result = run(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    std::smatch used;
    if (quiet) {
      EXPECT_EQ(result.err, "");
    } else {
      ASSERT_TRUE(std::regex_match(result.err, used, warning)) << result.err;
      EXPECT_GT(std::stoi(used[1]), 1);
      EXPECT_LT(std::stoi(used[1]), 100);
    }
    EXPECT_EQ(read_file(folder_ + "/bunny_labels.lb"),
              read_file(std::string(MESHPROBE_REFERENCE_DIR) + "/bunny_0.01.lb"));
  }
}

TEST_F(EndToEnd, FieldsTableAgreesWithTheValueFile) {
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  ASSERT_EQ(run({"bunny.off", "0.02"}).status, 0);
  const auto fields =
      run_program(MESHPROBE_FIELDS_BINARY, {"bunny.off", "0.02", "fields.csv"}, folder_);
  ASSERT_EQ(fields.status, 0) << fields.err;
  EXPECT_EQ(fields.out, "");
  const auto rows = lines_of(read_file(folder_ + "/fields.csv"));
  const auto values = lines_of(read_file(folder_ + "/bunny_labels.lb"));
  ASSERT_EQ(rows.size(), values.size() + 1);
  EXPECT_EQ(rows[0],
            "vertex,x,y,z,sx,sy,sz,kmin,kmax,kmin_s,kmax_s,local_curvature,local_curvature_s,"
            "roughness");
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::vector<double> columns;
    std::istringstream row(rows[i + 1]);
    std::string index;
    std::getline(row, index, ',');
    EXPECT_EQ(index, std::to_string(i));
    for (std::string cell; std::getline(row, cell, ',');)
      columns.push_back(std::stod(cell));
    ASSERT_EQ(columns.size(), 13u);
    // The roughness column, printed as the value file prints it, gives the same line.
    char line[64];
    std::snprintf(line, sizeof line, "%f ", static_cast<double>(static_cast<float>(columns[12])));
    EXPECT_EQ(values[i], line) << i;
    // The roughness is the one-sided difference of the averaged curvatures.
    const double difference = std::max(0.0, columns[10] - columns[11]);
    EXPECT_NEAR(columns[12], difference, 1e-6 * (1 + difference));
    EXPECT_LE(columns[6], columns[7]);
    EXPECT_LE(columns[8], columns[9]);
    // Positions are normalised: within the unit box about the origin.
    for (int k = 0; k < 6; ++k)
      EXPECT_LE(std::fabs(columns[k]), 0.5 + 1e-6);
  }
  const auto timed = run_program(MESHPROBE_FIELDS_BINARY,
                                 {"bunny.off", "0.02", "timed.csv", "--timings"}, folder_);
  EXPECT_EQ(timed.status, 0);
  EXPECT_NE(timed.out.find("averaging"), std::string::npos) << timed.out;
  EXPECT_EQ(read_file(folder_ + "/timed.csv"), read_file(folder_ + "/fields.csv"));
  const auto unknown =
      run_program(MESHPROBE_FIELDS_BINARY, {"bunny.off", "0.02", "fields.txt"}, folder_);
  EXPECT_EQ(unknown.status, 1);
  EXPECT_FALSE(fs::exists(folder_ + "/fields.txt"));
}

TEST_F(EndToEnd, PathWithoutDotWritesTheValueFileInTheWorkingFolder) {
  fs::create_directories(folder_ + "/meshes");
  fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/meshes/torus");
  const auto result = run({"./meshes/torus", "0.01"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(fs::exists(folder_ + "/_labels.lb"));
}

}  // namespace
}  // namespace meshprobe
