#include "cli/driver.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

namespace meshprobe {

void print_usage() {
  std::printf(
      "Utilization:\n\tmeshprobe Name Epsilon\n\nName <Name of the file .OFF, .OBJ, .PLY or "
      ".STL> \nEpsilon <Epsilon value> 0.01 is recommended\n\n");
  std::printf("\nFor instance: meshprobe dinosaur-10.obj 0.01\n\n");
  std::printf(
      "\nIf the Name is XXX.obj then the roughness values will be written in XXX_labels.lb (in "
      "the vertex order)");
  std::printf("\n\nmeshprobe --help lists every option and output\n");
}

bool read_epsilon_argument(const char* program, const char* text, float& epsilon) {
  if (parse_epsilon(text, epsilon)) return true;
  std::fprintf(stderr, "%s: %s\n", program, epsilon_refusal(text).c_str());
  return false;
}

bool input_exists(const std::string& path, std::FILE* messages) {
  struct stat about {};
  // Only a missing file is said to be missing; a link loop or a folder that cannot be searched is
  // the reader's to name, in the words of its open.
  if (stat(path.c_str(), &about) != 0 && errno == ENOENT) {
    std::fprintf(messages, "The file %s does not exist\n\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace meshprobe
