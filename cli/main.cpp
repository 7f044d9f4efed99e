// meshprobe: the roughness of polygon meshes, vertex by vertex. `meshprobe MESH EPSILON` writes
// the value file beside MESH, silent on success, as it always has; options add epsilons,
// meshes and outputs (see help_text). No exception leaves main: each becomes a message and a
// status.
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "cli/command_line.h"
#include "cli/driver.h"
#include "cli/progress_line.h"
#include "outputs/mesh_outputs.h"
#include "outputs/output_plan.h"
#include "outputs/report_index.h"
#include "outputs/statistics_output.h"

namespace {

using namespace meshprobe;

// Measures one mesh and writes its outputs; false when it failed, the reason on standard error,
// in the summary and in the index.
bool process_mesh(const CommandLine& line, const MeshOutputs& outputs, ProgressLine& progress,
                  SummaryTable& summary, std::vector<IndexEntry>& index, std::FILE* messages) {
  const std::string& path = outputs.mesh;
  const auto record_failure = [&](const std::string& why) {
    for (const Epsilon& epsilon : line.epsilons)
      summary.add_failure(path, epsilon, why);
    IndexEntry entry;
    entry.mesh = path;
    entry.error = why;
    index.push_back(entry);
    return false;
  };
  const auto fail = [&](const std::string& why) {
    progress.clear();
    std::fprintf(stderr, "meshprobe: %s\n", why.c_str());
    return record_failure(why);
  };
  // The original program's word for a missing input, kept for one mesh; with several, every
  // fault of a mesh is one line on standard error.
  if (line.meshes.size() == 1 && !input_exists(path, messages))
    return record_failure("the file does not exist");
  MeasureOptions options;
  options.epsilons = line.epsilons;
  options.length = line.length;
  options.threads = line.threads;
  options.tiles = line.tiles;
  options.keep_fields = !outputs.csv.empty() || !outputs.ply.empty();
  // The report shows the file's own coordinates on the measured surface.
  options.keep_file_lists = !outputs.ply.empty() || !outputs.html.empty();
  options.keep_surface = !outputs.html.empty();
  for (const std::string& png : outputs.pngs)
    options.keep_surface = options.keep_surface || !png.empty();
  options.progress = [&progress](const char* stage, double fraction) {
    progress.report(stage, fraction);
  };
  MeshMeasurement m;
  try {
    m = measure_mesh_file(path, options);
  } catch (const std::bad_alloc&) {
    return fail(path + " is too large for the memory available");
  } catch (const std::length_error&) {
    return fail(path + " is too large for the memory available");
  }
  if (!m.status.ok) {
    return fail((m.read ? "cannot measure " : "cannot read ") + path + ": " + m.status.error);
  }
  if (m.status.facets_left_out > 0 && !line.quiet) {
    progress.clear();
    std::fprintf(stderr, "meshprobe: warning: %s: %s\n", path.c_str(),
                 left_out_warning(m.status).c_str());
  }
  const std::string fewer = fewer_tiles_warning(line.tiles, m.tiles);
  if (!fewer.empty() && !line.quiet) {
    progress.clear();
    std::fprintf(stderr, "meshprobe: warning: %s: %s\n", path.c_str(), fewer.c_str());
  }
  PictureSettings picture;
  picture.fixed_range = line.fixed_range;
  picture.range = ValueRange{line.range_low, line.range_high};
  picture.width = line.width;
  picture.height = line.height;
  picture.dpi = line.dpi;
  picture.tiles = line.tiles;
  const std::string clamped = clamped_range_warning(m, picture);
  if (!clamped.empty() && !line.quiet) {
    progress.clear();
    std::fprintf(stderr, "meshprobe: warning: %s: %s\n", path.c_str(), clamped.c_str());
  }
  progress.report("writing", 0.0);
  std::string failed;
  bool written = false;
  try {
    written = write_mesh_outputs(m, outputs, picture, failed);
  } catch (const std::bad_alloc&) {
    return fail(path + " is too large for the memory available");
  }
  if (!written) return fail("cannot write " + failed);
  for (std::size_t e = 0; e < m.epsilons.size(); ++e)
    summary.add(m, e, "ok");
  index.push_back(index_entry(m, outputs.html, outputs.pngs.front()));
  return true;
}

int run(int argc, char** argv) {
  CommandLine line;
  std::string error;
  switch (parse_command_line(argc, argv, line, error)) {
    case ParseOutcome::kHelp:
      std::fputs(help_text(), stdout);
      return kExitSuccess;
    case ParseOutcome::kVersion:
      std::printf("meshprobe %s\n", meshprobe_version());
      return kExitSuccess;
    case ParseOutcome::kUsage:
      print_usage();
      return kExitUsage;
    case ParseOutcome::kError:
      std::fprintf(stderr, "meshprobe: %s\n", error.c_str());
      return kExitUsage;
    case ParseOutcome::kRun:
      break;
  }
  OutputPlan planned;
  const PlanOutcome outcome = plan_outputs(output_request(line), planned, error);
  if (outcome != PlanOutcome::kPlanned) {
    std::fprintf(stderr, "meshprobe: %s\n", error.c_str());
    return outcome == PlanOutcome::kRefused ? kExitUsage : kExitFailure;
  }
  const std::vector<MeshOutputs>& plan = planned.meshes;
  std::FILE* messages = planned.writes_standard_output ? stderr : stdout;
  ProgressLine progress(stderr, progress_wanted(line.progress, line.quiet));
  SummaryTable summary;
  std::vector<IndexEntry> index;
  bool all_ok = true;
  for (std::size_t k = 0; k < plan.size(); ++k) {
    progress.set_mesh(plan[k].mesh + (plan.size() > 1 ? " (" + std::to_string(k + 1) + " of " +
                                                            std::to_string(plan.size()) + ")"
                                                      : std::string()));
    all_ok = process_mesh(line, plan[k], progress, summary, index, messages) && all_ok;
  }
  progress.clear();
  if (!line.summary.empty() && !summary.write(line.summary)) {
    std::fprintf(stderr, "meshprobe: cannot write %s\n", line.summary.c_str());
    return kExitFailure;
  }
  if (!line.html_index.empty()) {
    std::vector<std::string> epsilons;
    for (const Epsilon& epsilon : line.epsilons)
      epsilons.push_back(epsilon.text);
    if (!write_report_index(epsilons, index, line.html_index)) {
      std::fprintf(stderr, "meshprobe: cannot write %s\n", line.html_index.c_str());
      return kExitFailure;
    }
  }
  return all_ok ? kExitSuccess : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  return meshprobe::run_catching("meshprobe", argc, argv, run);
}
