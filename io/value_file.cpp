#include "io/value_file.h"

#include "io/atomic_file.h"

namespace meshprobe {

bool write_value_file(const Mesh& mesh, const std::string& path) {
  AtomicFile file(path);
  if (!file.is_open()) return false;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    // The single-precision value is widened to double by the variadic call, as printf requires.
    std::fprintf(file.stream(), "%f \n", static_cast<double>(v->roughness));
  }
  return file.commit();
}

bool write_value_file(const std::vector<float>& roughness, const std::string& path) {
  AtomicFile file(path);
  if (!file.is_open()) return false;
  for (float value : roughness) std::fprintf(file.stream(), "%f \n", static_cast<double>(value));
  return file.commit();
}

}  // namespace meshprobe
