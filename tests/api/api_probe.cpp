// api_probe MESH EPSILONS [--values P,P.. | --png P,P.. | --stats P,P.. | --ply P | --csv P]...:
// the installed C++ API as a program, for the table that runs the same inputs through every front
// end. Measures MESH at the comma-separated EPSILONS (each read as strtof reads it) and prints,
// per epsilon, the value file's lines, then per vertex of the file its roughness ("nan" where not
// measured) after a line "file". With output options it measures through the outputs component,
// which writes them (--values, --png and --stats take one path per epsilon). On failure the
// error on standard error and status 1.
#include <meshprobe/meshprobe.h>
#include <meshprobe/outputs.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(char* list) {
  std::vector<std::string> items;
  for (char* item = std::strtok(list, ","); item != nullptr; item = std::strtok(nullptr, ","))
    items.push_back(item);
  return items;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) return 2;
  meshprobe::Options options;
  for (const std::string& item : split(argv[2]))
    options.epsilons.push_back(std::strtof(item.c_str(), nullptr));
  meshprobe::Outputs outputs;
  bool writes = false;
  for (int k = 3; k + 1 < argc; k += 2) {
    const std::string option = argv[k];
    writes = true;
    if (option == "--values") {
      outputs.values = split(argv[k + 1]);
    } else if (option == "--png") {
      outputs.pictures = split(argv[k + 1]);
    } else if (option == "--stats") {
      outputs.statistics = split(argv[k + 1]);
    } else if (option == "--ply") {
      outputs.ply = argv[k + 1];
    } else if (option == "--csv") {
      outputs.csv = argv[k + 1];
    } else {
      return 2;
    }
  }
  const meshprobe::Result result = writes ? meshprobe::measure_file(argv[1], options, outputs)
                                          : meshprobe::measure_file(argv[1], options);
  if (!result.ok()) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return 1;
  }
  for (const meshprobe::EpsilonResult& e : result.epsilons) {
    for (const float value : e.values)
      std::printf("%f \n", static_cast<double>(value));
    std::printf("file\n");
    for (const float value : e.roughness)
      std::printf("%.9g\n", static_cast<double>(value));
  }
  return 0;
}
