// Seeded random meshes for invariant tests, as the text of OBJ and OFF files: perturbed grids and
// icospheres, optionally with coincident vertices, degenerate and sliver facets, several
// components and (OBJ only) vertices that no facet uses. The same seed gives the same file.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/polygon_builder.h"

namespace meshprobe::testing {

// Points and facets (corner indices counted from 0), before they become a file.
struct PolygonSoup {
  std::vector<Vec3f> points;
  std::vector<Polygon> polygons;
};

// What a generated mesh holds besides its smooth shape.
struct Flaws {
  int coincident = 0;           // vertices moved onto a neighbour: zero-length edges, zero areas
  int slivers = 0;              // vertices moved almost onto the line through two neighbours
  int components = 1;           // copies of the shape, each moved and scaled at random
  int isolated = 0;             // vertices no facet uses (kept by OBJ only)
  bool mixed_polygons = false;  // grids: some squares kept whole as quadrilaterals
};

// (columns + 1) x (rows + 1) vertices on a unit grid, every coordinate jittered and the height
// given random bumps; squares split into triangles (or some kept whole). Has a border.
PolygonSoup perturbed_grid(std::mt19937& random, int columns, int rows, bool mixed_polygons);

// An icosahedron subdivided `levels` times, each vertex pushed off the unit sphere at random.
PolygonSoup perturbed_icosphere(std::mt19937& random, int levels);

// A third facet on `fins` of the soup's edges: a new vertex beside the edge, joined to both its
// ends. The surface cannot hold them, so the whole mesh leaves facets out.
PolygonSoup with_fins(PolygonSoup soup, int fins);

// The soup with the flaws applied (components first, then coincident vertices and slivers).
PolygonSoup with_flaws(std::mt19937& random, PolygonSoup soup, const Flaws& flaws);

// The soup as OBJ text with `isolated` extra vertices that no face uses, spread over the file.
std::string to_obj(std::mt19937& random, const PolygonSoup& soup, int isolated);

// The soup as OFF text.
std::string to_off(const PolygonSoup& soup);

}  // namespace meshprobe::testing
