// api_probe MESH EPSILONS: the installed C++ API as a program, for the table that runs the same
// inputs through every front end. Measures MESH at the comma-separated EPSILONS (each read as
// strtof reads it) and prints, per epsilon, the value file's lines, then per vertex of the file
// its roughness ("nan" where not measured) after a line "file"; on failure the error on standard
// error and status 1.
#include <meshprobe/meshprobe.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  meshprobe::Options options;
  for (char* item = std::strtok(argv[2], ","); item != nullptr; item = std::strtok(nullptr, ","))
    options.epsilons.push_back(std::strtof(item, nullptr));
  const meshprobe::Result result = meshprobe::measure_file(argv[1], options);
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
