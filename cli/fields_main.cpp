// meshprobe-fields MESH EPSILON OUT [--timings]: runs exactly what meshprobe runs and writes the
// result in the form OUT's ending names: .csv every intermediate field per vertex, for those who
// study the method; .ply the mesh in its input coordinates with the fields and a colour per
// vertex; .png a rendered picture of the roughness map. With --timings, the time of each stage
// goes to standard output.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli/driver.h"
#include "outputs/atomic_file.h"
#include "outputs/fields_csv.h"
#include "outputs/fields_picture.h"
#include "outputs/fields_ply.h"
#include "outputs/output_plan.h"
#include "outputs/png_file.h"

namespace {

using namespace meshprobe;

// The picture's size when the command line does not choose one.
constexpr int kDefaultWidth = 1200;
constexpr int kDefaultHeight = 800;

enum class OutputKind { kUnknown, kCsv, kPly, kPng };

void print_fields_usage() {
  std::printf(
      "Usage: meshprobe-fields MESH EPSILON OUT [--timings]\n"
      "OUT's ending chooses what is written:\n"
      "  .csv  per vertex of MESH in vertex order, the normalised position, the smoothed copy's\n"
      "        position, both surfaces' curvatures and averaged curvatures, and the roughness;\n"
      "  .ply  MESH in its own coordinates with roughness, kmin, kmax, local_curvature, quality\n"
      "        and a viridis colour per vertex;\n"
      "  .png  a picture of the roughness map from the front, side and top, with a colour bar.\n");
}

// The kind named by the path's ending, in any letter case.
OutputKind output_kind(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return OutputKind::kUnknown;
  std::string ending = path.substr(dot);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ending == ".csv") return OutputKind::kCsv;
  if (ending == ".ply") return OutputKind::kPly;
  if (ending == ".png") return OutputKind::kPng;
  return OutputKind::kUnknown;
}

}  // namespace

int run(int argc, char** argv) {
  const bool timings = argc == 5 && std::strcmp(argv[4], "--timings") == 0;
  if (argc != 4 && !timings) {
    print_fields_usage();
    return kExitUsage;
  }
  float epsilon = 0.0f;
  if (!read_epsilon_argument("meshprobe-fields", argv[2], epsilon)) return kExitUsage;
  const std::string path = argv[1];
  const std::string output = argv[3];
  const OutputKind kind = output_kind(output);
  if (kind == OutputKind::kUnknown) {
    std::fprintf(stderr,
                 "meshprobe-fields: cannot tell the format of %s (use .csv, .ply or .png)\n",
                 output.c_str());
    return kExitFailure;
  }
  if (!input_exists(path)) return kExitFailure;
  OutputRequest request;
  request.meshes = {path};
  request.epsilons = {argv[2]};
  request.values.wanted = false;
  OutputChoice& choice = kind == OutputKind::kCsv   ? request.csv
                         : kind == OutputKind::kPly ? request.ply
                                                    : request.png;
  choice = OutputChoice{true, output, {}};
  OutputPlan plan;
  std::string error;
  const PlanOutcome outcome = plan_outputs(request, plan, error);
  if (outcome != PlanOutcome::kPlanned) {
    std::fprintf(stderr, "meshprobe-fields: %s\n", error.c_str());
    return outcome == PlanOutcome::kRefused ? kExitUsage : kExitFailure;
  }

  // The caller times the stages: each report of a new stage ends the one before.
  using Clock = std::chrono::steady_clock;
  std::vector<std::pair<std::string, double>> stage_seconds;
  std::string stage;
  Clock::time_point stage_start = Clock::now();
  MeasureOptions options;
  options.epsilons = {Epsilon{argv[2], epsilon}};
  options.keep_fields = kind != OutputKind::kPng;
  options.keep_file_lists = kind == OutputKind::kPly;
  options.keep_surface = kind == OutputKind::kPng;
  options.progress = [&](const char* now, double) {
    if (stage == now) return;
    if (!stage.empty()) {
      stage_seconds.emplace_back(stage,
                                 std::chrono::duration<double>(Clock::now() - stage_start).count());
    }
    stage = now;
    stage_start = Clock::now();
  };
  const MeshMeasurement m = measure_mesh_file(path, options);
  if (!m.status.ok) {
    std::fprintf(stderr, "meshprobe-fields: cannot read %s: %s\n", path.c_str(),
                 m.status.error.c_str());
    return kExitFailure;
  }
  if (m.status.facets_left_out > 0) {
    std::fprintf(stderr, "meshprobe-fields: warning: %s: %s\n", path.c_str(),
                 left_out_warning(m.status).c_str());
  }
  options.progress("writing", 0.0);
  const ValueRange range{0.0, m.epsilons.front().statistics.p99};
  bool written = false;
  // A batch of one output, for the reason of a failure.
  OutputBatch batch;
  switch (kind) {
    case OutputKind::kCsv:
      written = write_fields_csv(m, output);
      break;
    case OutputKind::kPly:
      written = write_fields_ply(m, range, output);
      break;
    case OutputKind::kPng:
      written =
          write_fields_png(m, 0, range, kDefaultWidth, kDefaultHeight, kDefaultDotsPerInch, output);
      break;
    case OutputKind::kUnknown:
      break;
  }
  written = written && batch.commit();
  if (!written) {
    const std::string failure = batch.failure().empty() ? output : batch.failure();
    std::fprintf(stderr, "meshprobe-fields: cannot write %s\n", failure.c_str());
    return kExitFailure;
  }
  options.progress("", 0.0);
  if (timings) {
    for (const auto& [name, seconds] : stage_seconds) {
      std::printf("%-20s %9.3f s\n", name.c_str(), seconds);
    }
  }
  return kExitSuccess;
}

int main(int argc, char** argv) {
  return meshprobe::run_catching("meshprobe-fields", argc, argv, run);
}
