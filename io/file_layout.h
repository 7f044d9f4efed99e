// What an input file held, beside the mesh built from it: its format, its counts of vertices and
// facets, where each of its vertices went in the mesh, and, when asked for, its points and every
// facet as written. Outputs that must line up with the file (a row per vertex of the file, every
// facet of the file) are written from this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

enum class MeshFormat { kObj, kPly, kStl, kOff };

// "obj", "ply", "stl" or "off".
const char* format_name(MeshFormat format);

struct FileLayout {
  // Marks a vertex of the file that is not in the mesh (OFF and PLY drop the vertices no facet
  // names).
  static constexpr std::uint32_t kNotInMesh = static_cast<std::uint32_t>(kMaxVertices);

  MeshFormat format = MeshFormat::kOff;
  std::size_t vertices_in_file = 0;
  std::size_t facets_in_file = 0;
  // Per vertex of the file, in file order: its place in the mesh's vertex list, or kNotInMesh.
  std::vector<std::uint32_t> mesh_vertex;
  // Only when asked for: the file's points in the file's coordinates (rounded to single
  // precision) and every facet of the file, in file order and corner order, with corners counted
  // from 0 over the file's vertices, including the facets left out of the surface.
  //
  // An STL file's vertices are its distinct corner positions, in order of first appearance; its
  // facets are its triangles, each as three of those vertices, so a triangle whose corners
  // coincide names one vertex twice or three times.
  std::vector<Vec3f> points;
  FacetList facets;
};

}  // namespace meshprobe
