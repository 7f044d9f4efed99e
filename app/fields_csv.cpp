#include "app/fields_csv.h"

#include "io/atomic_file.h"

namespace meshprobe {

bool write_fields_csv(const Mesh& mesh, const RoughnessResult& result, const std::string& path) {
  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::FILE* out = file.stream();
  std::fprintf(out,
               "x,y,z,sx,sy,sz,kmin,kmax,kmin_s,kmax_s,local_curvature,local_curvature_s,"
               "roughness\n");
  std::size_t i = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++i) {
    const Point& p = v->point();
    const RoughnessFields& f = result.fields;
    const Vec3f& s = f.smoothed_positions[i];
    std::fprintf(out, "%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%.9g\n",
                 static_cast<double>(p.x()), static_cast<double>(p.y()), static_cast<double>(p.z()),
                 static_cast<double>(s.x), static_cast<double>(s.y), static_cast<double>(s.z),
                 f.kmin[i], f.kmax[i], f.smoothed_kmin[i], f.smoothed_kmax[i], f.local_curvature[i],
                 f.smoothed_local_curvature[i], static_cast<double>(result.roughness[i]));
  }
  return file.commit();
}

}  // namespace meshprobe
