// meshprobe MESH EPSILON: writes the roughness of every vertex of MESH, in vertex order, to the
// file named after MESH with the ending "_labels.lb". Silent on success.
#include <cstdio>
#include <memory>
#include <string>

#include "app/driver.h"
#include "io/value_file.h"

int main(int argc, char** argv) {
  using namespace meshprobe;
  if (argc != 3) {
    print_usage();
    return kExitUsage;
  }
  float epsilon = 0.0f;
  if (!parse_epsilon(argv[2], epsilon)) {
    std::fprintf(stderr,
                 "meshprobe: epsilon must be a number greater than 0 and at most %g, not \"%s\"\n",
                 static_cast<double>(kLargestEpsilon), argv[2]);
    return kExitUsage;
  }
  const std::string path = argv[1];
  std::FILE* probe = std::fopen(path.c_str(), "r");
  if (probe == nullptr) {
    std::printf("The file %s does not exist\n\n", path.c_str());
    return kExitFailure;
  }
  std::fclose(probe);
  const std::string output_name = derive_output_name(path);

  auto mesh = std::make_unique<Mesh>();
  const ReadStatus status = load_prepared_mesh(path, *mesh);
  if (!status.ok) {
    std::fprintf(stderr, "meshprobe: cannot read %s: %s\n", path.c_str(), status.error.c_str());
    return kExitFailure;
  }
  measure_roughness(*mesh, epsilon);
  if (!write_value_file(*mesh, output_name)) {
    std::fprintf(stderr, "meshprobe: cannot write %s\n", output_name.c_str());
    return kExitFailure;
  }
  return kExitSuccess;
}
