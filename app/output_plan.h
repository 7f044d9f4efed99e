// Where a run writes: every output's path for every mesh and epsilon, derived from the mesh's
// path as the value file's name always was, checked before anything is measured (two outputs of
// one run on one path; a folder that cannot be made or written).
#pragma once

#include <string>
#include <vector>

#include "app/command_line.h"

namespace meshprobe {

// The paths of one mesh's outputs; an empty path is an output not wanted.
struct MeshOutputs {
  std::string mesh;
  std::vector<std::string> values;  // per epsilon
  std::vector<std::string> pngs;    // per epsilon
  std::vector<std::string> stats;   // per epsilon
  std::string ply;
  std::string csv;
};

// The mesh's path cut at its last '.' (anywhere in the path, empty when there is none), or
// with an output folder, the folder and the file's name cut at its last '.'; then, with several
// epsilons, "_eps" and the epsilon as written; then `ending`.
std::string derived_name(const std::string& mesh, const std::string& output_dir,
                         const std::string& epsilon, const std::string& ending);

// Every output of every mesh, as the command line asks for them.
std::vector<MeshOutputs> plan_outputs(const CommandLine& line);

// False, with a message naming both, when two outputs of the run share one path.
bool find_shared_paths(const std::vector<MeshOutputs>& plan, const std::string& summary,
                       std::string& error);

// Creates the output folder when asked and missing, and checks that a file can be created in
// the folder of every output; false with a message naming the first that cannot.
bool check_output_folders(const std::vector<MeshOutputs>& plan, const CommandLine& line,
                          std::string& error);

}  // namespace meshprobe
