// The command line of meshprobe: the arguments in, what the run is to do out. The original form
// `meshprobe MESH EPSILON` keeps its exact behaviour; options add outputs, epsilons and meshes.
#pragma once

#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/rules.h"
#include "outputs/output_plan.h"
#include "outputs/png_file.h"

namespace meshprobe {

struct CommandLine {
  std::vector<std::string> meshes;
  std::vector<Epsilon> epsilons;
  std::string output;  // -o: the value file's path
  bool values = true;  // false with --no-values
  OutputChoice ply;
  OutputChoice png;
  OutputChoice csv;
  OutputChoice stats;
  OutputChoice html;
  // The batch's index of reports: given by --html-index, else index.html in the output folder
  // when --html is given with several meshes; empty: none.
  std::string html_index;
  std::string output_dir;
  std::string summary;
  int threads = 0;        // 0: as OMP_NUM_THREADS or every core
  std::size_t tiles = 1;  // spatial tiles per mesh (1: the whole mesh at once)
  bool quiet = false;
  bool progress = false;
  float length = 0.0f;  // 0: the largest side of the bounding box
  bool fixed_range = false;
  double range_low = 0.0;
  double range_high = 0.0;
  int width = 1200;
  int height = 800;
  int dpi = kDefaultDotsPerInch;  // the picture's print resolution
};

enum class ParseOutcome {
  kRun,      // run as `line` says
  kHelp,     // print help_text(), status 0
  kVersion,  // print the version line, status 0
  kUsage,    // the original usage texts, status 2 (wrong argument count without options)
  kError,    // one line naming the fault, status 2
};

// Reads argv. On kError `error` holds the message's words (without the program's name).
ParseOutcome parse_command_line(int argc, const char* const* argv, CommandLine& line,
                                std::string& error);

// The request of the run's outputs, for plan_outputs.
OutputRequest output_request(const CommandLine& line);

// The text of --help.
const char* help_text();

}  // namespace meshprobe
