// Where a run writes: every output's path for every mesh and epsilon, derived from the mesh's
// path as the value file's name always was, checked before anything is measured (two outputs of
// one run on one path; an output that is an input; a folder that cannot be made or written; a
// special file that no output may replace).
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "measure/rules.h"
#include "outputs/mesh_outputs.h"

namespace meshprobe {

// Every output of every mesh, as the command line asks for them.
std::vector<MeshOutputs> plan_outputs(const CommandLine& line);

// The outputs of the run as a whole, written at its end; an empty path is not wanted.
struct RunOutputs {
  std::string summary;
  std::string index;  // the reports' index
};
RunOutputs run_outputs(const CommandLine& line);

// False, with a message naming both, when two outputs of the run share one path.
bool find_shared_paths(const std::vector<MeshOutputs>& plan, const RunOutputs& run,
                       std::string& error);

// False, with a message naming both, when an output of the run is one of its input meshes (the
// same file by device and inode, whatever the spelling or link; by path when it does not exist).
bool find_input_clashes(const std::vector<MeshOutputs>& plan, const RunOutputs& run,
                        std::string& error);

// Creates the output folder when asked and missing, and checks that every output can be written
// (io/atomic_file.h can_create) before anything is measured, except the derived outputs of a
// mesh that does not exist: that mesh fails on its own when it is read. Returns kExitSuccess,
// kExitUsage for a target that no output may replace (a folder, a block device, a socket), or
// kExitFailure, with a message naming the first output that cannot be written.
int check_outputs(const std::vector<MeshOutputs>& plan, const CommandLine& line,
                  std::string& error);

// True when an output of the plan goes to standard output ("-" or /dev/stdout); the messages
// that the run would print there then go to standard error.
bool writes_standard_output(const std::vector<MeshOutputs>& plan, const RunOutputs& run);

}  // namespace meshprobe
