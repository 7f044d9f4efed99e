// meshprobe-fields MESH EPSILON OUT.csv [--timings]: runs exactly what meshprobe runs and writes
// every intermediate field per vertex, for those who study the method. With --timings, the time
// of each stage goes to standard output.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/driver.h"
#include "app/fields_csv.h"

namespace {

void print_fields_usage() {
  std::printf(
      "Usage: meshprobe-fields MESH EPSILON OUT.csv [--timings]\n"
      "Writes, per vertex of MESH in vertex order, the normalised position, the smoothed copy's\n"
      "position, both surfaces' curvatures and averaged curvatures, and the roughness.\n");
}

bool ends_with(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() &&
         text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace meshprobe;
  const bool timings = argc == 5 && std::strcmp(argv[4], "--timings") == 0;
  if (argc != 4 && !timings) {
    print_fields_usage();
    return kExitUsage;
  }
  float epsilon = 0.0f;
  if (!parse_epsilon(argv[2], epsilon)) {
    std::fprintf(
        stderr,
        "meshprobe-fields: epsilon must be a number greater than 0 and at most %g, not \"%s\"\n",
        static_cast<double>(kLargestEpsilon), argv[2]);
    return kExitUsage;
  }
  const std::string path = argv[1];
  const std::string output = argv[3];
  if (!ends_with(output, ".csv")) {
    std::fprintf(stderr, "meshprobe-fields: cannot tell the format of %s (use .csv)\n",
                 output.c_str());
    return kExitFailure;
  }
  std::FILE* probe = std::fopen(path.c_str(), "r");
  if (probe == nullptr) {
    std::printf("The file %s does not exist\n\n", path.c_str());
    return kExitFailure;
  }
  std::fclose(probe);

  auto mesh = std::make_unique<Mesh>();
  const ReadStatus status = load_prepared_mesh(path, *mesh);
  if (!status.ok) {
    std::fprintf(stderr, "meshprobe-fields: cannot read %s: %s\n", path.c_str(),
                 status.error.c_str());
    return kExitFailure;
  }
  RoughnessDetails details;
  measure_roughness(*mesh, epsilon, &details);
  if (!write_fields_csv(*mesh, details, output)) {
    std::fprintf(stderr, "meshprobe-fields: cannot write %s\n", output.c_str());
    return kExitFailure;
  }
  if (timings) {
    for (const auto& [stage, seconds] : details.stage_seconds) {
      std::printf("%-20s %9.3f s\n", stage.c_str(), seconds);
    }
  }
  return kExitSuccess;
}
