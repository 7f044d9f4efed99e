// The roughness map as a coloured mesh for viewers: a binary little-endian PLY of the input mesh
// in its original coordinates with its facets, and per vertex the roughness, the principal
// curvatures, the averaged curvature, the roughness again as "quality", and a viridis colour.
#pragma once

#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "roughness/surface_analyzer.h"

namespace meshprobe {

// Writes, per vertex in vertex order, the position `input_points[i]` (the coordinates read from
// the input file, one per vertex of `mesh`) and the float properties roughness, kmin, kmax,
// local_curvature and quality (= roughness, which viewers show as vertex quality), then red,
// green and blue as the viridis colour of the roughness over [0, its 99th percentile]. Facets
// follow in facet order, corners in boundary order. The file appears only when complete; false
// when it cannot be written or input_points does not hold one point per vertex.
bool write_fields_ply(const Mesh& mesh, const std::vector<Vec3f>& input_points,
                      const RoughnessResult& result, const std::string& path);

}  // namespace meshprobe
