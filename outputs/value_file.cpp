#include "outputs/value_file.h"

#include "outputs/atomic_file.h"

namespace meshprobe {

bool write_value_file(const std::vector<float>& roughness, const std::string& path) {
  AtomicFile file(path);
  if (!file.is_open()) return false;
  for (const float value : roughness) {
    // The single-precision value is widened to double by the variadic call, as printf requires.
    std::fprintf(file.stream(), "%f \n", static_cast<double>(value));
  }
  return file.commit();
}

}  // namespace meshprobe
