#include "cli/output_plan.h"

#include <filesystem>
#include <map>
#include <system_error>

#include "cli/driver.h"
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

}  // namespace

std::vector<MeshOutputs> plan_outputs(const CommandLine& line) {
  std::vector<MeshOutputs> plan;
  const bool several = line.epsilons.size() > 1;
  for (const std::string& mesh : line.meshes) {
    MeshOutputs outputs;
    outputs.mesh = mesh;
    const auto name = [&](const OutputChoice& choice, const std::string& epsilon,
                          const char* ending) {
      if (!choice.wanted) return std::string();
      return choice.path.empty() ? derived_name(mesh, line.output_dir, epsilon, ending)
                                 : choice.path;
    };
    for (const Epsilon& epsilon : line.epsilons) {
      const std::string e = several ? epsilon.text : "";
      outputs.values.push_back(!line.values ? std::string()
                               : line.output.empty()
                                   ? derived_name(mesh, line.output_dir, e, kValuesEnding)
                                   : line.output);
      outputs.pngs.push_back(name(line.png, e, kPictureEnding));
      outputs.stats.push_back(name(line.stats, e, kStatisticsEnding));
    }
    outputs.ply = name(line.ply, "", kPlyEnding);
    outputs.csv = name(line.csv, "", kCsvEnding);
    outputs.html = name(line.html, "", kReportEnding);
    plan.push_back(std::move(outputs));
  }
  return plan;
}

RunOutputs run_outputs(const CommandLine& line) {
  return RunOutputs{line.summary, line.html_index};
}

bool find_shared_paths(const std::vector<MeshOutputs>& plan, const RunOutputs& run,
                       std::string& error) {
  // comparable path -> the path as written and what it is the output of
  std::map<std::string, std::pair<std::string, std::string>> seen;
  std::string owner = "the summary";
  const auto claim = [&](const std::string& path) {
    if (path.empty()) return true;
    const auto [place, fresh] = seen.emplace(comparable(path), std::make_pair(path, owner));
    if (fresh) return true;
    error = "two outputs of this run would be written to one file: " + place->second.first +
            " (from " + place->second.second + ") and " + path + " (from " + owner + ")";
    return false;
  };
  if (!claim(run.summary)) return false;
  owner = "the index";
  if (!claim(run.index)) return false;
  for (const MeshOutputs& outputs : plan) {
    owner = outputs.mesh;
    for (const auto* list : {&outputs.values, &outputs.pngs, &outputs.stats}) {
      for (const std::string& path : *list) {
        if (!claim(path)) return false;
      }
    }
    if (!claim(outputs.ply) || !claim(outputs.csv) || !claim(outputs.html)) return false;
  }
  return true;
}

namespace {

// Every output path of the plan with what it is the output of (empty for the run's own), the
// summary and the index first.
std::vector<std::pair<std::string, std::string>> every_output(const std::vector<MeshOutputs>& plan,
                                                              const RunOutputs& run) {
  std::vector<std::pair<std::string, std::string>> outputs;
  const auto add = [&](const std::string& path, const std::string& owner) {
    if (!path.empty()) outputs.emplace_back(path, owner);
  };
  add(run.summary, "");
  add(run.index, "");
  for (const MeshOutputs& mesh : plan) {
    for (const auto* list : {&mesh.values, &mesh.pngs, &mesh.stats}) {
      for (const std::string& path : *list)
        add(path, mesh.mesh);
    }
    add(mesh.ply, mesh.mesh);
    add(mesh.csv, mesh.mesh);
    add(mesh.html, mesh.mesh);
  }
  return outputs;
}

bool exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

}  // namespace

bool find_input_clashes(const std::vector<MeshOutputs>& plan, const RunOutputs& run,
                        std::string& error) {
  for (const auto& [output, owner] : every_output(plan, run)) {
    if (output == "-") continue;
    for (const MeshOutputs& input : plan) {
      if (!same_file(output, input.mesh)) continue;
      error = "the output " + output + " would replace the input mesh " + input.mesh;
      return true;
    }
  }
  return false;
}

int check_outputs(const std::vector<MeshOutputs>& plan, const CommandLine& line,
                  std::string& error) {
  if (!line.output_dir.empty()) {
    std::error_code fault;
    fs::create_directories(line.output_dir, fault);
    if (fault || !fs::is_directory(line.output_dir)) {
      error = "cannot create the output folder " + line.output_dir +
              (fault ? ": " + fault.message() : std::string(": not a folder"));
      return kExitFailure;
    }
  }
  for (const auto& [path, owner] : every_output(plan, run_outputs(line))) {
    // A missing mesh is refused when it is read, under its own name; its derived outputs' folder
    // is never the reason.
    const bool named = path == line.output || path == line.ply.path || path == line.png.path ||
                       path == line.csv.path || path == line.stats.path || path == line.html.path;
    if (!named && !owner.empty() && !exists(owner)) continue;
    std::string why;
    bool special = false;
    if (!can_create(path, why, &special)) {
      error = "cannot write " + path + ": " + why;
      return special ? kExitUsage : kExitFailure;
    }
  }
  return kExitSuccess;
}

bool writes_standard_output(const std::vector<MeshOutputs>& plan, const RunOutputs& run) {
  for (const auto& output : every_output(plan, run)) {
    const OutputTarget target = output_target(output.first);
    if (target.kind == OutputTarget::Kind::kStream && target.descriptor == 1) return true;
  }
  return false;
}

}  // namespace meshprobe
