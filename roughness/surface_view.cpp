#include "roughness/surface_view.h"

#include <algorithm>
#include <numeric>

#include "mesh/normals.h"

namespace meshprobe {

namespace {

std::int32_t facet_index(Mesh::Halfedge_const_handle h) {
  return h->is_border() ? kNoFacet : static_cast<std::int32_t>(h->facet()->id);
}

// Spreads the low 21 bits of x so that two zero bits follow each.
std::uint64_t spread_bits(std::uint64_t x) {
  x &= 0x1fffff;
  x = (x | x << 32) & 0x1f00000000ffff;
  x = (x | x << 16) & 0x1f0000ff0000ff;
  x = (x | x << 8) & 0x100f00f00f00f00f;
  x = (x | x << 4) & 0x10c30c30c30c30c3;
  x = (x | x << 2) & 0x1249249249249249;
  return x;
}

}  // namespace

std::vector<std::uint32_t> locality_order(const std::vector<Vec3f>& points) {
  Vec3f low = points.empty() ? Vec3f{} : points.front();
  Vec3f high = low;
  for (const Vec3f& p : points) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  const double extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z, 1e-30f});
  const double steps = static_cast<double>(0x1fffff) / extent;
  const auto quantise = [steps](float value, float from) {
    const double q = (static_cast<double>(value) - from) * steps;
    // Points that are not numbers are ordered as if at the box's corner.
    return q >= 0 && q <= 0x1fffff ? static_cast<std::uint64_t>(q) : 0;
  };
  std::vector<std::uint64_t> code(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) {
    const Vec3f& p = points[k];
    code[k] = spread_bits(quantise(p.x, low.x)) | spread_bits(quantise(p.y, low.y)) << 1 |
              spread_bits(quantise(p.z, low.z)) << 2;
  }
  std::vector<std::uint32_t> order(points.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&code](std::uint32_t a, std::uint32_t b) { return code[a] < code[b]; });
  return order;
}

SurfaceView make_surface_view(Mesh& mesh, VertexOrder order) {
  std::uint32_t next_id = 0;
  std::vector<Mesh::Vertex_handle> vertices;
  vertices.reserve(mesh.size_of_vertices());
  std::vector<Vec3f> points;
  points.reserve(mesh.size_of_vertices());
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    v->id = next_id++;
    vertices.push_back(v);
    points.push_back(to_vec3f(v->point()));
  }
  next_id = 0;
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f)
    f->id = next_id++;

  SurfaceView view;
  if (order == VertexOrder::kLocality) {
    view.mesh_place = locality_order(points);
  } else {
    view.mesh_place.resize(points.size());
    std::iota(view.mesh_place.begin(), view.mesh_place.end(), 0u);
  }
  view.view_place.resize(points.size());
  for (std::uint32_t v = 0; v < view.mesh_place.size(); ++v)
    view.view_place[view.mesh_place[v]] = v;

  view.first_incoming.reserve(mesh.size_of_vertices() + 1);
  view.source.reserve(mesh.size_of_halfedges());
  view.facet.reserve(mesh.size_of_halfedges());
  view.opposite_facet.reserve(mesh.size_of_halfedges());
  for (const std::uint32_t place : view.mesh_place) {
    view.first_incoming.push_back(static_cast<std::uint32_t>(view.source.size()));
    const auto start = vertices[place]->halfedge();
    if (start == Mesh::Halfedge_handle()) continue;
    auto h = start;
    do {
      view.source.push_back(view.view_place[h->opposite()->vertex()->id]);
      view.facet.push_back(facet_index(h));
      view.opposite_facet.push_back(facet_index(h->opposite()));
      h = h->next()->opposite();
    } while (h != start);
  }
  view.first_incoming.push_back(static_cast<std::uint32_t>(view.source.size()));

  view.facet_corners.reserve(mesh.size_of_facets());
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    const auto h = f->halfedge();
    view.facet_corners.push_back({view.view_place[h->vertex()->id],
                                  view.view_place[h->next()->vertex()->id],
                                  view.view_place[h->next()->next()->vertex()->id]});
  }
  view.positions.resize(points.size());
  for (std::uint32_t k = 0; k < points.size(); ++k)
    view.positions[view.view_place[k]] = points[k];
  load_facet_normals(view, mesh);
  return view;
}

void load_positions(SurfaceView& view, const Mesh& mesh) {
  std::size_t k = 0;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v, ++k) {
    view.positions[view.view_place[k]] = to_vec3f(v->point());
  }
}

void load_facet_normals(SurfaceView& view, const Mesh& mesh) {
  view.facet_normals.clear();
  view.facet_normals.reserve(mesh.size_of_facets());
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    view.facet_normals.push_back(f->normal);
  }
}

void compute_facet_normals(SurfaceView& view, const Mesh& mesh) {
  view.facet_normals.clear();
  view.facet_normals.reserve(mesh.size_of_facets());
  const auto position_of = [&view](Mesh::Vertex_const_handle v) {
    return view.positions[view.view_place[v->id]];
  };
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f)
    view.facet_normals.push_back(facet_normal(f, position_of));
}

}  // namespace meshprobe
