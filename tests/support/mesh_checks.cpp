#include "tests/support/mesh_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace meshprobe::testing {

std::vector<Cycle> facet_cycles(const Mesh& mesh) {
  std::map<const void*, std::size_t> position;
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v)
    position.emplace(&*v, position.size());
  std::vector<Cycle> cycles;
  for (auto f = mesh.facets_begin(); f != mesh.facets_end(); ++f) {
    Cycle cycle;
    auto h = f->halfedge();
    do {
      cycle.push_back(position.at(&*h->vertex()));
      h = h->next();
    } while (h != f->halfedge() && cycle.size() <= mesh.size_of_halfedges());
    cycles.push_back(cycle);
  }
  return cycles;
}

Cycle canonical(Cycle cycle) {
  std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
  return cycle;
}

std::vector<Cycle> canonical_cycles(const Mesh& mesh) {
  std::vector<Cycle> cycles = facet_cycles(mesh);
  for (Cycle& cycle : cycles)
    cycle = canonical(cycle);
  return cycles;
}

std::string broken_link(const Mesh& mesh) {
  std::map<const void*, std::size_t> ending_at;
  for (auto h = mesh.halfedges_begin(); h != mesh.halfedges_end(); ++h) {
    if (h->opposite()->opposite() != h) return "opposite of opposite";
    if (h->vertex() == h->opposite()->vertex()) return "halfedge from a vertex to itself";
    if (h->next()->prev() != h) return "next and prev disagree";
    if (h->next()->opposite()->vertex() != h->vertex()) return "next does not start at the end";
    ++ending_at[&*h->vertex()];
  }
  for (auto v = mesh.vertices_begin(); v != mesh.vertices_end(); ++v) {
    const auto start = v->halfedge();
    std::size_t ring = 0;
    if (start != Mesh::Halfedge_const_handle()) {
      auto h = start;
      do {
        if (h->vertex() != v) return "ring leaves its vertex";
        h = h->next()->opposite();
      } while (h != start && ++ring <= mesh.size_of_halfedges());
      ++ring;
    }
    if (ring != ending_at[&*v]) return "ring misses halfedges ending at its vertex";
  }
  return "";
}

void expect_empty(const Mesh& mesh, const std::string& context) {
  EXPECT_EQ(mesh.size_of_vertices(), 0u) << context;
  EXPECT_EQ(mesh.size_of_halfedges(), 0u) << context;
  EXPECT_EQ(mesh.size_of_facets(), 0u) << context;
}

}  // namespace meshprobe::testing
