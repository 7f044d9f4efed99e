#include "app/output_plan.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

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

std::string folder_of(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

}  // namespace

std::string derived_name(const std::string& mesh, const std::string& output_dir,
                         const std::string& epsilon, const std::string& ending) {
  std::string base;
  if (output_dir.empty()) {
    const std::size_t dot = mesh.rfind('.');
    base = dot == std::string::npos ? std::string() : mesh.substr(0, dot);
  } else {
    const std::string file = fs::path(mesh).filename().string();
    const std::size_t dot = file.rfind('.');
    base =
        (fs::path(output_dir) / (dot == std::string::npos ? file : file.substr(0, dot))).string();
  }
  if (!epsilon.empty()) base += "_eps" + epsilon;
  return base + ending;
}

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
                                   ? derived_name(mesh, line.output_dir, e, "_labels.lb")
                                   : line.output);
      outputs.pngs.push_back(name(line.png, e, "_roughness.png"));
      outputs.stats.push_back(name(line.stats, e, "_stats.json"));
    }
    outputs.ply = name(line.ply, "", "_roughness.ply");
    outputs.csv = name(line.csv, "", "_fields.csv");
    plan.push_back(std::move(outputs));
  }
  return plan;
}

bool find_shared_paths(const std::vector<MeshOutputs>& plan, const std::string& summary,
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
  if (!claim(summary)) return false;
  for (const MeshOutputs& outputs : plan) {
    owner = outputs.mesh;
    for (const auto* list : {&outputs.values, &outputs.pngs, &outputs.stats}) {
      for (const std::string& path : *list) {
        if (!claim(path)) return false;
      }
    }
    if (!claim(outputs.ply) || !claim(outputs.csv)) return false;
  }
  return true;
}

bool check_output_folders(const std::vector<MeshOutputs>& plan, const CommandLine& line,
                          std::string& error) {
  if (!line.output_dir.empty()) {
    std::error_code fault;
    fs::create_directories(line.output_dir, fault);
    if (fault || !fs::is_directory(line.output_dir)) {
      error = "cannot create the output folder " + line.output_dir +
              (fault ? ": " + fault.message() : std::string(": not a folder"));
      return false;
    }
  }
  std::set<std::string> folders;
  const auto add = [&](const std::string& path) {
    if (!path.empty()) folders.insert(folder_of(path));
  };
  add(line.summary);
  for (const MeshOutputs& outputs : plan) {
    for (const auto* list : {&outputs.values, &outputs.pngs, &outputs.stats}) {
      for (const std::string& path : *list)
        add(path);
    }
    add(outputs.ply);
    add(outputs.csv);
  }
  for (const std::string& folder : folders) {
    // The outputs are written beside their final names and renamed over them: the folder
    // itself must let a file be created.
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
      error = "cannot write into the folder " + folder + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace meshprobe
