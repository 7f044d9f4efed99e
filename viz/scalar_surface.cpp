#include "viz/scalar_surface.h"

#include "mesh/facet_polygons.h"

namespace meshprobe {

ScalarSurface roughness_surface(const Mesh& mesh, const std::vector<float>& roughness) {
  ScalarSurface surface;
  surface.points.reserve(mesh.size_of_vertices());
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    surface.points.push_back(to_vec3f(v->point()));
  surface.values = roughness;
  surface.polygons = facet_polygons(mesh);
  return surface;
}

}  // namespace meshprobe
