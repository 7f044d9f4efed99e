// Where a run writes, decided and checked once for every front end before anything is read. In:
// the request (the meshes, the epsilons as written, each output wanted under its derived name or
// at a path). Out: every output's path per mesh and epsilon, or the one refusal of the request:
// a name to derive from a mesh that has none of its own (a pipe or a device: /dev/fd/63 of
// `<(zcat scan.off.gz)`), two outputs on one path (across the meshes of a batch too), an output
// that is an input (by device and inode, whatever the spelling or link; by path when it does not
// exist), an output folder that cannot be made, a target no output may replace (a folder, a
// block or character device that is not a stream, a socket) or cannot be written.
#pragma once

#include <string>
#include <vector>

#include "outputs/mesh_outputs.h"

namespace meshprobe {

// An output: not wanted, wanted under its derived name, or at a path.
struct OutputChoice {
  bool wanted = false;
  std::string path;  // empty: the name derived from the mesh's
  // For the outputs made per epsilon, a path for each epsilon instead (empty: none for that
  // one); the installed API names them so.
  std::vector<std::string> per_epsilon;
};

struct OutputRequest {
  // The inputs, as given. With `meshes_are_files` false (measured arrays) they only name the
  // outputs' owners: nothing is derived from them and no output can clash with them.
  std::vector<std::string> meshes;
  bool meshes_are_files = true;
  std::vector<std::string> epsilons;  // as written; with several, derived names carry each
  std::string output_dir;             // where derived names go; made when missing
  OutputChoice values{true, "", {}};  // one value file per epsilon
  OutputChoice png;                   // one picture per epsilon
  OutputChoice stats;                 // one statistics file per epsilon
  OutputChoice ply;
  OutputChoice csv;
  OutputChoice html;    // one report for every epsilon
  std::string summary;  // the run's summary; empty: none
  std::string index;    // the run's index of reports; empty: none
};

struct OutputPlan {
  std::vector<MeshOutputs> meshes;  // one per mesh of the request, in its order
  std::string summary;
  std::string index;
  bool writes_standard_output = false;  // an output goes to "-" or /dev/stdout
};

enum class PlanOutcome {
  kPlanned,
  kRefused,      // the request itself is wrong (status 2 of the programs; ValueError)
  kCannotWrite,  // an output cannot be written (status 1; OSError)
};

// Plans and checks `request`. On anything but kPlanned, `error` holds the refusal's words, which
// every front end gives as they are. Creates the output folder when it is missing. The derived
// outputs of a mesh that does not exist are not checked for writing: the mesh fails on its own
// when it is read, under its own name.
PlanOutcome plan_outputs(const OutputRequest& request, OutputPlan& plan, std::string& error);

}  // namespace meshprobe
