// The command line with options, as users run it: whole runs writing several outputs, epsilons
// and meshes, help and version, failing meshes among others, and the progress line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/process.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::run_program;
using testing::write_file;

class CommandRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        testing::scratch_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::copy_file(MESHPROBE_DATA_DIR "/bunny.off", folder_ + "/bunny.off");
  }
  testing::ProcessResult run(const std::vector<std::string>& arguments) {
    return run_program(MESHPROBE_BINARY, arguments, folder_);
  }
  std::string file(const std::string& name) const { return read_file(folder_ + "/" + name); }
  std::string folder_;
};

TEST_F(CommandRuns, HelpAndVersionGoToStandardOutput) {
  const auto help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* words : {"OFF, OBJ, PLY or STL", "_roughness.ply", "--summary", "Exit status",
                            "0.01 is recommended", "--dpi N"}) {
    EXPECT_NE(help.out.find(words), std::string::npos) << words;
  }
  const auto version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("meshprobe ", 0), 0u);
  EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1);
  const auto unknown = run({"--nope"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_NE(unknown.err.find("nope"), std::string::npos);
}

// Several epsilons from one reading give, for each, the very values of a run at that epsilon
// alone, and every output of the run.
TEST_F(CommandRuns, SeveralEpsilonsMatchTheirSingleRunsAndWriteEveryOutput) {
  const auto result = run({"--ply", "--png", "--csv", "--stats", "--summary", "all.csv", "-d",
                           "out", "bunny.off", "0.005,0.01,0.02"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out + result.err, "");
  for (const char* epsilon : {"0.005", "0.01", "0.02"}) {
    const std::string e = epsilon;
    EXPECT_EQ(file("out/bunny_eps" + e + "_labels.lb"),
              read_file(std::string(MESHPROBE_REFERENCE_DIR) + "/bunny_" + e + ".lb"));
    EXPECT_TRUE(fs::exists(folder_ + "/out/bunny_eps" + e + "_roughness.png"));
    const auto stats = nlohmann::json::parse(file("out/bunny_eps" + e + "_stats.json"));
    EXPECT_EQ(stats["vertices_in_file"], 1839);
    EXPECT_EQ(stats["facets_left_out"], 0);
    EXPECT_EQ(stats["format"], "off");
    EXPECT_LE(stats["roughness_median"].get<double>(), stats["roughness_p90"].get<double>());
    EXPECT_LE(stats["roughness_p99"].get<double>(), stats["roughness_max"].get<double>());
  }
  // The largest value of the 0.01 file is the statistics' maximum, printed as the file prints.
  std::istringstream lines(file("out/bunny_eps0.01_labels.lb"));
  double largest = 0.0;
  for (double value = 0.0; lines >> value;)
    largest = std::max(largest, value);
  const auto stats = nlohmann::json::parse(file("out/bunny_eps0.01_stats.json"));
  char printed[2][32];
  std::snprintf(printed[0], sizeof printed[0], "%f", largest);
  std::snprintf(printed[1], sizeof printed[1], "%f",
                static_cast<double>(stats["roughness_max"].get<float>()));
  EXPECT_STREQ(printed[0], printed[1]);
  const std::string csv = file("out/bunny_fields.csv");
  EXPECT_NE(csv.find(",roughness_eps0.005,roughness_eps0.01,roughness_eps0.02\n"),
            std::string::npos);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1840);
  const std::string ply = file("out/bunny_roughness.ply");
  EXPECT_NE(ply.find("property float scalar_roughness_eps0.02\n"), std::string::npos);
  const std::string summary = file("all.csv");
  EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 4);
  EXPECT_EQ(summary.substr(summary.size() - 3), "ok\n");
}

TEST_F(CommandRuns, AFailingMeshIsReportedAndTheOthersGoOn) {
  write_file(folder_ + "/broken.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n");
  const auto result =
      run({"-e", "0.01", "--summary", "s.csv", "broken.off", "missing.off", "bunny.off"});
  EXPECT_EQ(result.status, 1);
  std::istringstream err(result.err);
  std::vector<std::string> lines;
  for (std::string l; std::getline(err, l);)
    lines.push_back(l);
  ASSERT_EQ(lines.size(), 2u) << result.err;
  EXPECT_NE(lines[0].find("broken.off"), std::string::npos);
  EXPECT_NE(lines[1].find("missing.off"), std::string::npos);
  EXPECT_EQ(file("bunny_labels.lb"),
            read_file(std::string(MESHPROBE_REFERENCE_DIR) + "/bunny_0.01.lb"));
  const std::string summary = file("s.csv");
  EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 4);
  EXPECT_NE(summary.find("\nbunny.off,off,0.01,1839,"), std::string::npos);
}

TEST_F(CommandRuns, ALengthTooSmallForSinglePrecisionFailsTheMesh) {
  const auto result = run({"--length", "1e-38", "--stats", "bunny.off", "0.01"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("too small"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(folder_ + "/bunny_labels.lb"));
  const auto fits = run({"--length", "10", "--stats", "bunny.off", "0.01"});
  EXPECT_EQ(fits.status, 0) << fits.err;
  EXPECT_EQ(nlohmann::json::parse(file("bunny_stats.json"))["length"], 10.0);
}

// Outputs that cannot be written, or that two meshes would share, stop the run before any
// mesh is measured, and leave nothing behind.
TEST_F(CommandRuns, OutputProblemsStopTheRunBeforeMeasuring) {
  fs::copy_file(folder_ + "/bunny.off", folder_ + "/bunny.obj");
  write_file(folder_ + "/plain-file", "");
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* words;
  };
  for (const Case& c : std::vector<Case>{
           {{"-e", "0.01", "-d", "out", "bunny.off", "bunny.obj"}, 2, "bunny.obj"},
           {{"-e", "0.01", "bunny.off", "bunny.off"}, 2, "one file"},
           {{"-e", "0.01", "--summary", "bunny_labels.lb", "bunny.off"}, 2, "one file"},
           {{"-e", "0.01", "-d", "plain-file/out", "bunny.off"}, 1, "plain-file"},
           {{"-e", "0.01", "--csv=no/such/folder.csv", "bunny.off"}, 1, "no/such"},
           {{"-e", "0.01", "-o", "x.lb", "bunny.off", "bunny.obj"},
            2,
            "one path (x.lb) is given for the value files of 2 meshes"},
           {{"-e", "0.01,0.02", "--png=x.png", "bunny.off"},
            2,
            "one path (x.png) is given for the pictures of 2 epsilons"}}) {
    const auto result = run(c.arguments);
    EXPECT_EQ(result.status, c.status) << c.words;
    EXPECT_NE(result.err.find(c.words), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(folder_ + "/bunny_labels.lb"));
    EXPECT_FALSE(fs::exists(folder_ + "/out"));
  }
}

TEST_F(CommandRuns, ProgressIsShownOnlyWhenAskedAndClearedAtTheEnd) {
  const auto quiet = run({"-e", "0.01", "bunny.off"});
  EXPECT_EQ(quiet.err, "");
  const auto shown = run({"--progress", "-e", "0.01", "bunny.off"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.err.find("\rmeshprobe: bunny.off: "), std::string::npos) << shown.err;
  EXPECT_EQ(shown.err.substr(shown.err.size() - 4), "\r\033[K");
  const auto silenced = run({"--progress", "-q", "-e", "0.01", "bunny.off"});
  EXPECT_EQ(silenced.err, "");
}

}  // namespace
}  // namespace meshprobe
