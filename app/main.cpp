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
  if (!read_epsilon_argument("meshprobe", argv[2], epsilon)) return kExitUsage;
  const std::string path = argv[1];
  if (!input_exists(path)) return kExitFailure;
  const std::string output_name = derive_output_name(path);

  auto mesh = std::make_unique<Mesh>();
  const ReadStatus status = load_prepared_mesh(path, *mesh);
  if (!status.ok) {
    std::fprintf(stderr, "meshprobe: cannot read %s: %s\n", path.c_str(), status.error.c_str());
    return kExitFailure;
  }
  if (status.facets_left_out > 0) {
    std::fprintf(stderr, "meshprobe: warning: %s: %s\n", path.c_str(),
                 left_out_warning(status).c_str());
  }
  const RoughnessResult result = measure_roughness(*mesh, epsilon);
  if (!write_value_file(result.roughness, output_name)) {
    std::fprintf(stderr, "meshprobe: cannot write %s\n", output_name.c_str());
    return kExitFailure;
  }
  return kExitSuccess;
}
