// The roughness map as a picture: the mesh after the roughness run rendered from the front, the
// side and the top with a labelled colour bar, written as PNG. Goes in: the mesh (normalised
// points, roughness per vertex) and a path. Comes out: the PNG file, complete or not at all.
#pragma once

#include <string>
#include <vector>

#include "mesh/mesh.h"

namespace meshprobe {

// Colours run over [0, the 99th percentile of the roughness]. False when the file cannot be
// written.
bool write_fields_png(const Mesh& mesh, const std::vector<float>& roughness,
                      const std::string& path);

}  // namespace meshprobe
