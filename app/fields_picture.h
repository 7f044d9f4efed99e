// The roughness map as a picture: the mesh after the roughness run rendered from the front, the
// side and the top under a title, with a labelled colour bar, written as PNG. Goes in: the mesh
// (normalised points, roughness per vertex), its file's path and epsilon, and a path. Comes out:
// the PNG file, complete or not at all.
#pragma once

#include <string>

#include "mesh/mesh.h"

namespace meshprobe {

// A 1200 x 800 picture titled picture_title(...), colours over [0, the 99th percentile of the
// roughness], marked as clamped when a vertex lies above it. False when the file cannot be
// written.
bool write_fields_png(const Mesh& mesh, const std::string& mesh_path, float epsilon,
                      const std::string& path);

}  // namespace meshprobe
