#include "mesh/facet_polygons.h"

#include <cstdint>
#include <unordered_map>

namespace meshprobe {

std::vector<Polygon> facet_polygons(const Mesh& mesh) {
  // Vertices are numbered by their place in the list; the map is keyed by address because a
  // const mesh's `id` fields may be stale.
  std::unordered_map<const void*, std::uint32_t> place;
  place.reserve(mesh.size_of_vertices());
  std::uint32_t next = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    place.emplace(&*v, next++);
  std::vector<Polygon> polygons;
  polygons.reserve(mesh.size_of_facets());
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    Polygon polygon;
    // The builder leaves a facet's halfedge ending at the first corner it was given.
    const auto start = f->halfedge();
    auto h = start;
    do {
      polygon.push_back(place.at(&*h->vertex()));
      h = h->next();
    } while (h != start);
    polygons.push_back(std::move(polygon));
  }
  return polygons;
}

}  // namespace meshprobe
