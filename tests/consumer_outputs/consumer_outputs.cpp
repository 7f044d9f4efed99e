// consumer_outputs MESH FOLDER: measures MESH at 0.005 and 0.01 with the colour range 0 to 50 and
// writes into FOLDER every output under the name the command line derives with -d FOLDER
// (NAME_eps<E>_labels.lb, ..._roughness.png, ..._stats.json, NAME_roughness.ply,
// NAME_fields.csv). Status 1 with the error on failure.
#include <meshprobe/outputs.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string mesh = argv[1];
  std::string name = mesh.substr(mesh.rfind('/') + 1);
  name = std::string(argv[2]) + "/" + name.substr(0, name.rfind('.'));
  meshprobe::Options options;
  options.epsilons = {0.005f, 0.01f};
  meshprobe::Outputs outputs;
  for (const char* epsilon : {"0.005", "0.01"}) {
    const std::string base = name + "_eps" + epsilon;
    outputs.values.push_back(base + "_labels.lb");
    outputs.pictures.push_back(base + "_roughness.png");
    outputs.statistics.push_back(base + "_stats.json");
  }
  outputs.ply = name + "_roughness.ply";
  outputs.csv = name + "_fields.csv";
  outputs.fixed_range = true;
  outputs.range_high = 50.0;
  const meshprobe::Result result = meshprobe::measure_file(mesh, options, outputs);
  if (!result.ok()) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return 1;
  }
  return 0;
}
