// The per-vertex table of meshprobe-fields: the input's normalised position, the smoothed copy's
// position, both surfaces' principal curvatures and averaged curvature, and the roughness.
#pragma once

#include <string>

#include "mesh/mesh.h"
#include "roughness/surface_analyzer.h"

namespace meshprobe {

// Writes one CSV row per vertex in vertex order under the header
// x,y,z,sx,sy,sz,kmin,kmax,kmin_s,kmax_s,local_curvature,local_curvature_s,roughness,
// single-precision values with 9 significant digits and double ones with 17, so that every value
// reads back exactly. The file appears only when complete; false when it cannot be written.
bool write_fields_csv(const Mesh& mesh, const RoughnessResult& result, const std::string& path);

}  // namespace meshprobe
