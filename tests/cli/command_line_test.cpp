// The command line with options, as users run it: what each option family accepts and refuses,
// the names of derived outputs, and whole runs writing several outputs, epsilons and meshes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/command_line.h"
#include "cli/output_plan.h"
#include "tests/support/process.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::run_program;
using testing::write_file;

ParseOutcome parse(std::vector<std::string> arguments, CommandLine& line, std::string& error) {
  arguments.insert(arguments.begin(), "meshprobe");
  std::vector<const char*> argv;
  for (const std::string& a : arguments)
    argv.push_back(a.c_str());
  return parse_command_line(static_cast<int>(argv.size()), argv.data(), line, error);
}

struct RefusedCase {
  std::vector<std::string> arguments;
  const char* words;  // part of the message
};

class RefusedArguments : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedArguments, NameTheirFault) {
  CommandLine line;
  std::string error;
  EXPECT_EQ(parse(GetParam().arguments, line, error), ParseOutcome::kError);
  EXPECT_NE(error.find(GetParam().words), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedArguments,
    ::testing::Values(RefusedCase{{"--frobnicate", "a.off", "0.01"}, "frobnicate"},
                      RefusedCase{{"--ply", "a.off", "0.01,x"}, "\"x\""},
                      RefusedCase{{"--ply", "a.off", "0.01,0.01"}, "twice"},
                      RefusedCase{{"--ply", "a.off", "0.01,-1"}, "\"-1\""},
                      RefusedCase{{"-e", "0.01", "--threads", "0", "a.off"}, "--threads"},
                      RefusedCase{{"-e", "0.01", "-j", "2.5", "a.off"}, "--threads"},
                      RefusedCase{{"-e", "0.01", "--tiles", "0", "a.off"}, "--tiles"},
                      RefusedCase{{"-e", "0.01", "--tiles", "4097", "a.off"}, "--tiles"},
                      RefusedCase{{"-e", "0.01", "--tiles", "1.5", "a.off"}, "--tiles"},
                      RefusedCase{{"-e", "0.01", "--tiles=", "a.off"}, "--tiles"},
                      RefusedCase{{"-e", "0.01", "--tiles", "2", "--tiles", "3", "a.off"}, "once"},
                      RefusedCase{{"-e", "0.01", "--range", "5:1", "a.off"}, "--range"},
                      RefusedCase{{"-e", "0.01", "--range", "0:x", "a.off"}, "--range"},
                      RefusedCase{{"-e", "0.01", "--dpi", "0", "a.off"}, "--dpi"},
                      RefusedCase{{"-e", "0.01", "--dpi", "72.5", "a.off"}, "--dpi"},
                      RefusedCase{{"-e", "0.01", "--dpi", "10001", "a.off"}, "--dpi"},
                      RefusedCase{{"-e", "0.01", "--dpi=", "a.off"}, "--dpi"},
                      RefusedCase{{"-e", "0.01", "--dpi", "1", "--dpi", "2", "a.off"}, "once"},
                      RefusedCase{{"-e", "0.01", "--size", "20x20", "a.off"}, "--size"},
                      RefusedCase{{"-e", "0.01", "--length", "-3", "a.off"}, "--length"},
                      RefusedCase{{"-e", "0.01", "--length", "1e39", "a.off"}, "--length"},
                      RefusedCase{{"-e", "0.01", "-o", "x.lb", "a.off", "b.off"}, "--output"},
                      RefusedCase{{"-e", "0.01,0.02", "--ply=x.ply", "a.off"}, "--ply=PATH"},
                      RefusedCase{{"--no-values", "a.off", "0.01"}, "another output"},
                      RefusedCase{{"--csv", "a.off"}, "MESH EPSILON"},
                      RefusedCase{{"-e", "0.01", "--csv"}, "no mesh"},
                      RefusedCase{{"-e", "0.01", "-e", "0.02", "a.off"}, "more than once"}));

TEST(CommandLine, ReadsEveryOptionFamily) {
  CommandLine line;
  std::string error;
  ASSERT_EQ(parse({"-e",  "0.005, 0.01", "--ply", "--png",  "--csv",   "--stats", "-d",
                   "out", "--summary",   "s.csv", "-j",     "2",       "-q",      "--length",
                   "100", "--range",     "0:50",  "--size", "800x600", "a.off",   "b.stl"},
                  line, error),
            ParseOutcome::kRun)
      << error;
  EXPECT_EQ(line.meshes, (std::vector<std::string>{"a.off", "b.stl"}));
  ASSERT_EQ(line.epsilons.size(), 2u);
  EXPECT_EQ(line.epsilons[1].text, "0.01");
  EXPECT_EQ(line.epsilons[1].value, 0.01f);
  EXPECT_TRUE(line.ply.wanted && line.ply.path.empty());
  EXPECT_TRUE(line.png.wanted && line.csv.wanted && line.stats.wanted);
  EXPECT_EQ(line.threads, 2);
  EXPECT_EQ(line.length, 100.0f);
  EXPECT_EQ(line.range_high, 50.0);
  EXPECT_EQ(line.width, 800);
  EXPECT_TRUE(line.quiet);
  // The original form: a trailing text after a single epsilon is ignored, as "%f" ignores it.
  CommandLine original;
  EXPECT_EQ(parse({"a.off", "0.01xyz"}, original, error), ParseOutcome::kRun);
  EXPECT_EQ(original.epsilons[0].value, 0.01f);
  EXPECT_EQ(parse({"a.off"}, original, error), ParseOutcome::kUsage);
  EXPECT_EQ(parse({"a.off", "--help"}, original, error), ParseOutcome::kHelp);
}

TEST(OutputNames, FollowTheValueFileRule) {
  struct Case {
    const char* mesh;
    const char* dir;
    const char* epsilon;
    const char* ending;
    const char* name;
  };
  for (const Case& c : std::vector<Case>{
           {"models/dino.obj", "", "", "_labels.lb", "models/dino_labels.lb"},
           {"scan.raw.off", "", "0.01", "_labels.lb", "scan.raw_eps0.01_labels.lb"},
           {"./meshes/torus", "", "", "_stats.json", "_stats.json"},
           {"models/dino.obj", "out", "", "_roughness.ply", "out/dino_roughness.ply"},
           {"a.b/torus", "out", "0.02", "_roughness.png", "out/torus_eps0.02_roughness.png"}}) {
    EXPECT_EQ(derived_name(c.mesh, c.dir, c.epsilon, c.ending), c.name) << c.mesh;
  }
}

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
           {{"-e", "0.01", "--csv=no/such/folder.csv", "bunny.off"}, 1, "no/such"}}) {
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
