// Small meshes with answers that can be derived by hand, built in the test itself.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/polygon_builder.h"

namespace meshprobe::testing {

// Builds a mesh and fails the calling test when the builder rejects the polygons.
std::unique_ptr<Mesh> make_mesh(const std::vector<Vec3f>& points,
                                const std::vector<Polygon>& polygons);

// Corners (1,1,1), (1,-1,-1), (-1,1,-1), (-1,-1,1); edge length 2 sqrt(2); facets outward.
std::unique_ptr<Mesh> regular_tetrahedron();

// Flat grid in the plane z = 0 of (columns + 1) x (rows + 1) vertices spaced `spacing` apart,
// starting at the origin, vertex (i, j) at index j * (columns + 1) + i; every square is split by
// its diagonal from (i, j) to (i + 1, j + 1), so the grid is symmetric about each vertex.
std::unique_ptr<Mesh> flat_grid(int columns, int rows, float spacing);

// Axis-aligned cube [-1, 1]^3 of 8 vertices and 6 quadrilaterals, facets outward.
std::unique_ptr<Mesh> cube();

// Icosahedron subdivided `levels` times, every vertex projected on the sphere of the given
// radius about the origin; outward facets. levels = 4 gives 2562 vertices.
std::unique_ptr<Mesh> icosphere(int levels, float radius);

// Open cylinder about the z axis: `rings` circles of `segments` vertices from z = 0 to `height`.
std::unique_ptr<Mesh> open_cylinder(int segments, int rings, float radius, float height);

// Points of a mesh in vertex order.
std::vector<Vec3f> points_of(const Mesh& mesh);

// Writes text to a file, replacing it; fails the calling test when it cannot.
void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);

// A fresh, empty folder for one test's files.
std::string scratch_folder(const std::string& name);

// Every entry under `folder`, by its path relative to it: a file's bytes, "(folder)" for a
// folder, "(special)" for anything else (a FIFO is named, never read: reading it would wait for
// a writer). Links are followed.
std::map<std::string, std::string> folder_contents(const std::string& folder);

// A closed tetrahedron in OFF, facets oriented outwards.
inline constexpr char kTetrahedronOff[] =
    "OFF\n4 4 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n";

}  // namespace meshprobe::testing
