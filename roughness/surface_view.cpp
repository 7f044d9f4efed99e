#include "roughness/surface_view.h"

namespace meshprobe {

namespace {

std::int32_t facet_index(Mesh::Halfedge_const_handle h) {
  return h->is_border() ? kNoFacet : static_cast<std::int32_t>(h->facet()->id);
}

}  // namespace

SurfaceView make_surface_view(Mesh& mesh) {
  std::uint32_t next_id = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    v->id = next_id++;
  next_id = 0;
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f)
    f->id = next_id++;

  SurfaceView view;
  view.first_incoming.reserve(mesh.size_of_vertices() + 1);
  view.source.reserve(mesh.size_of_halfedges());
  view.facet.reserve(mesh.size_of_halfedges());
  view.opposite_facet.reserve(mesh.size_of_halfedges());
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    view.first_incoming.push_back(static_cast<std::uint32_t>(view.source.size()));
    const auto start = v->halfedge();
    if (start == Mesh::Halfedge_handle()) continue;
    auto h = start;
    do {
      view.source.push_back(h->opposite()->vertex()->id);
      view.facet.push_back(facet_index(h));
      view.opposite_facet.push_back(facet_index(h->opposite()));
      h = h->next()->opposite();
    } while (h != start);
  }
  view.first_incoming.push_back(static_cast<std::uint32_t>(view.source.size()));

  view.facet_corners.reserve(mesh.size_of_facets());
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    const auto h = f->halfedge();
    view.facet_corners.push_back(
        {h->vertex()->id, h->next()->vertex()->id, h->next()->next()->vertex()->id});
  }
  load_positions(view, mesh);
  load_facet_normals(view, mesh);
  return view;
}

void load_positions(SurfaceView& view, const Mesh& mesh) {
  view.positions.clear();
  view.positions.reserve(mesh.size_of_vertices());
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    view.positions.push_back(to_vec3f(v->point()));
  }
}

void store_positions(const SurfaceView& view, Mesh& mesh) {
  std::size_t i = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++i) {
    const Vec3f& p = view.positions[i];
    v->point() = Point(p.x, p.y, p.z);
  }
}

void load_facet_normals(SurfaceView& view, const Mesh& mesh) {
  view.facet_normals.clear();
  view.facet_normals.reserve(mesh.size_of_facets());
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    view.facet_normals.push_back(f->normal);
  }
}

}  // namespace meshprobe
