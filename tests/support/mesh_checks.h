// Views of a built mesh that tests compare with what was written: each facet's corners as
// vertex-list positions, and the first break in the halfedge links.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe::testing {

using Cycle = std::vector<std::size_t>;

// Each facet's corners as vertex-list positions, in facet-list order, read along the facet's
// halfedge cycle from its halfedge(); the order of the corners is the facet's orientation.
std::vector<Cycle> facet_cycles(const Mesh& mesh);

// The same cycle started at its smallest vertex: equal for two listings of one oriented facet,
// different for opposite orientations.
Cycle canonical(Cycle cycle);

std::vector<Cycle> canonical_cycles(const Mesh& mesh);

// The first break in the halfedge links of a mesh, or "" when there is none: every halfedge is
// its opposite's opposite, runs between two different vertices and starts where its
// predecessor ends; walking around a vertex meets every halfedge that ends there, and only
// those. A builder fed faulty faces can leave such breaks while every facet cycle looks right.
std::string broken_link(const Mesh& mesh);

// Fails the calling test, naming `context`, unless the mesh is empty: no vertex, halfedge or
// facet, as a refused reading leaves it.
void expect_empty(const Mesh& mesh, const std::string& context);

}  // namespace meshprobe::testing
