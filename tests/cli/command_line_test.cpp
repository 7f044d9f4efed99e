// The command line's arguments: what each option family accepts and refuses, and the names of
// derived outputs. Whole runs of the program: command_runs_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace meshprobe {
namespace {

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
                      // Typos that look like numbers say what they meant.
                      RefusedCase{{"--ply", "a.off", "1%"}, "not \"1%\" (did you mean 0.01?)"},
                      RefusedCase{{"--ply", "a.off", "0.5 %"}, "(did you mean 0.005?)"},
                      RefusedCase{{"--ply", "a.off", "0,01"}, "not \"0,01\" (did you mean 0.01?)"},
                      RefusedCase{{"-e", "0,01", "a.off"}, "(did you mean 0.01?)"},
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
           {"a.b/torus", "out", "0.02", "_roughness.png", "out/torus_eps0.02_roughness.png"},
           // A gzip file is named after the file it holds.
           {"scans/bunny.off.gz", "", "", "_labels.lb", "scans/bunny_labels.lb"},
           {"bunny.gz", "", "0.01", "_labels.lb", "bunny_eps0.01_labels.lb"},
           {"./d.1/bunny.GZ", "", "", "_stats.json", "./d.1/bunny_stats.json"},
           {"a.b/bunny.ply.gz", "out", "", "_roughness.ply", "out/bunny_roughness.ply"},
           {"a.b/bunny.gz", "out", "", "_fields.csv", "out/bunny_fields.csv"},
           {"bunny.tgz", "", "", "_labels.lb", "bunny_labels.lb"}}) {
    EXPECT_EQ(derived_name(c.mesh, c.dir, c.epsilon, c.ending), c.name) << c.mesh;
  }
}

}  // namespace
}  // namespace meshprobe
