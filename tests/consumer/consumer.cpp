// consumer MESH EPSILON: prints the roughness of every vertex as the value file holds it.
#include <meshprobe/meshprobe.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const meshprobe::FileRoughness result =
      meshprobe::roughness_of_file(argv[1], std::strtof(argv[2], nullptr));
  if (!result.ok()) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return 1;
  }
  for (float value : result.values)
    std::printf("%f \n", value);
  return 0;
}
