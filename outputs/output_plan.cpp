#include "outputs/output_plan.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "measure/rules.h"
#include "outputs/atomic_file.h"

namespace meshprobe {

namespace {

namespace fs = std::filesystem;

// Two spellings of one file ("a.lb", "./a.lb", "d/../a.lb") compare equal once made absolute
// and normal; symbolic links are left as written.
std::string comparable(const std::string& path) {
  std::error_code ignored;
  const fs::path absolute = fs::absolute(path, ignored);
  return absolute.lexically_normal().string();
}

bool exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

// One output of the plan: its path, whose output it is (empty: the run's own) and whether the
// request named it (a derived name of a missing mesh is not checked for writing).
struct Output {
  std::string path;
  std::string owner;
  std::string from;  // what it is the output of, in messages
  bool named;
};

// A mesh read from a pipe or a device (/dev/fd/63 of a shell's <(...), /dev/stdin,
// /proc/self/fd/0) has a path but no name of its own: derived from it, "63_labels.lb" or
// "_labels.lb" would name nothing the user gave.
bool names_no_file(const std::string& mesh) {
  const std::string path = comparable(mesh);
  return path.compare(0, 5, "/dev/") == 0 || path.compare(0, 6, "/proc/") == 0;
}

// Whether the request derives some output's name from its mesh's.
bool derives_a_name(const OutputRequest& request) {
  for (const OutputChoice* choice :
       {&request.values, &request.png, &request.stats, &request.ply, &request.csv, &request.html}) {
    if (choice->wanted && choice->path.empty() && choice->per_epsilon.empty()) return true;
  }
  return false;
}

std::vector<MeshOutputs> paths_of(const OutputRequest& request) {
  std::vector<MeshOutputs> meshes;
  const std::size_t count = request.epsilons.size();
  for (const std::string& mesh : request.meshes) {
    MeshOutputs outputs;
    outputs.mesh = mesh;
    // `e` is the epsilon's index for the outputs made per epsilon, `count` for the others.
    const auto name = [&](const OutputChoice& choice, std::size_t e, const char* ending) {
      if (!choice.wanted) return std::string();
      if (e < count && !choice.per_epsilon.empty()) return choice.per_epsilon[e];
      if (!choice.path.empty() || !request.meshes_are_files) return choice.path;
      const std::string epsilon = count > 1 && e < count ? request.epsilons[e] : "";
      return derived_name(mesh, request.output_dir, epsilon, ending);
    };
    for (std::size_t e = 0; e < count; ++e) {
      outputs.values.push_back(name(request.values, e, kValuesEnding));
      outputs.pngs.push_back(name(request.png, e, kPictureEnding));
      outputs.stats.push_back(name(request.stats, e, kStatisticsEnding));
    }
    outputs.ply = name(request.ply, count, kPlyEnding);
    outputs.csv = name(request.csv, count, kCsvEnding);
    outputs.html = name(request.html, count, kReportEnding);
    meshes.push_back(std::move(outputs));
  }
  return meshes;
}

// Every output of the plan, the summary and the index first.
std::vector<Output> every_output(const OutputRequest& request, const OutputPlan& plan) {
  std::vector<Output> outputs;
  const auto add = [&](const std::string& path, const std::string& owner, const OutputChoice* c) {
    if (path.empty()) return;
    outputs.push_back(Output{path, owner, owner, !c->path.empty() || !c->per_epsilon.empty()});
  };
  if (!plan.summary.empty()) outputs.push_back(Output{plan.summary, "", "the summary", true});
  if (!plan.index.empty()) outputs.push_back(Output{plan.index, "", "the index", true});
  for (const MeshOutputs& mesh : plan.meshes) {
    for (const std::string& path : mesh.values)
      add(path, mesh.mesh, &request.values);
    for (const std::string& path : mesh.pngs)
      add(path, mesh.mesh, &request.png);
    for (const std::string& path : mesh.stats)
      add(path, mesh.mesh, &request.stats);
    add(mesh.ply, mesh.mesh, &request.ply);
    add(mesh.csv, mesh.mesh, &request.csv);
    add(mesh.html, mesh.mesh, &request.html);
  }
  return outputs;
}

bool find_shared_path(const std::vector<Output>& outputs, std::string& error) {
  // comparable path -> the output that claimed it first
  std::map<std::string, const Output*> seen;
  for (const Output& output : outputs) {
    const auto [place, fresh] = seen.emplace(comparable(output.path), &output);
    if (fresh) continue;
    error = "two outputs of this run would be written to one file: " + place->second->path +
            " (from " + place->second->from + ") and " + output.path + " (from " + output.from +
            ")";
    return true;
  }
  return false;
}

bool find_input_clash(const OutputRequest& request, const std::vector<Output>& outputs,
                      std::string& error) {
  if (!request.meshes_are_files) return false;
  for (const Output& output : outputs) {
    if (output.path == "-") continue;
    for (const std::string& input : request.meshes) {
      if (!same_file(output.path, input)) continue;
      error = "the output " + output.path + " would replace the input mesh " + input;
      return true;
    }
  }
  return false;
}

std::string counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// One path given for an output that a batch, or several epsilons, makes once each: each would
// replace the one before. Refused in these words before the clash of two outputs on one path
// is looked for, which would name the same path twice.
std::string one_path_for_many(const OutputRequest& request) {
  struct Kind {
    const OutputChoice* choice;
    const char* what;
    bool per_epsilon;
  };
  const Kind kinds[] = {
      {&request.values, "value files", true},     {&request.png, "pictures", true},
      {&request.stats, "statistics files", true}, {&request.ply, "PLY files", false},
      {&request.csv, "CSV files", false},         {&request.html, "reports", false}};
  const std::size_t meshes = request.meshes.size();
  const std::size_t epsilons = request.epsilons.size();
  for (const Kind& kind : kinds) {
    if (!kind.choice->wanted || kind.choice->path.empty()) continue;
    const bool by_epsilon = kind.per_epsilon && epsilons > 1;
    if (meshes <= 1 && !by_epsilon) continue;
    std::string of = meshes > 1 ? counted(meshes, "mesh", "meshes") : "";
    if (by_epsilon) of += (of.empty() ? "" : " and ") + counted(epsilons, "epsilon", "epsilons");
    return "one path (" + kind.choice->path + ") is given for the " + kind.what + " of " + of +
           ": give one mesh" + (kind.per_epsilon ? " and one epsilon" : "") +
           ", or let the names be derived";
  }
  return "";
}

}  // namespace

PlanOutcome plan_outputs(const OutputRequest& request, OutputPlan& plan, std::string& error) {
  plan = OutputPlan{};
  for (const OutputChoice* choice : {&request.values, &request.png, &request.stats}) {
    if (choice->wanted && !choice->per_epsilon.empty() &&
        choice->per_epsilon.size() != request.epsilons.size()) {
      error = "give one output path per epsilon, or none";
      return PlanOutcome::kRefused;
    }
  }
  const std::string shared = one_path_for_many(request);
  if (!shared.empty()) {
    error = shared;
    return PlanOutcome::kRefused;
  }
  if (!request.meshes_are_files && derives_a_name(request)) {
    error = "a mesh given as arrays has no file to name its outputs after: give their paths";
    return PlanOutcome::kRefused;
  }
  if (request.meshes_are_files && derives_a_name(request)) {
    for (const std::string& mesh : request.meshes) {
      if (!names_no_file(mesh)) continue;
      error = "the mesh " + mesh +
              " has no file name to name its outputs after: give their paths (-o PATH for the "
              "value file)";
      return PlanOutcome::kRefused;
    }
  }
  plan.meshes = paths_of(request);
  plan.summary = request.summary;
  plan.index = request.index;
  const std::vector<Output> outputs = every_output(request, plan);
  if (find_shared_path(outputs, error) || find_input_clash(request, outputs, error)) {
    return PlanOutcome::kRefused;
  }
  if (!request.output_dir.empty()) {
    std::error_code fault;
    fs::create_directories(request.output_dir, fault);
    if (fault || !fs::is_directory(request.output_dir)) {
      error = "cannot create the output folder " + request.output_dir +
              (fault ? ": " + fault.message() : std::string(": not a folder"));
      return PlanOutcome::kCannotWrite;
    }
  }
  for (const Output& output : outputs) {
    const OutputTarget target = output_target(output.path);
    if (target.kind == OutputTarget::Kind::kStream && target.descriptor == 1) {
      plan.writes_standard_output = true;
    }
    if (!output.named && !output.owner.empty() && !exists(output.owner)) continue;
    std::string why;
    bool special = false;
    if (!can_create(output.path, why, &special)) {
      error = "cannot write " + output.path + ": " + why;
      return special ? PlanOutcome::kRefused : PlanOutcome::kCannotWrite;
    }
  }
  return PlanOutcome::kPlanned;
}

}  // namespace meshprobe
