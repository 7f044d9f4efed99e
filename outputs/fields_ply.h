// The roughness map as a coloured mesh for viewers: every vertex and every facet of the input
// file, in the file's order and coordinates, with the fields as scalar properties.
#pragma once

#include <string>

#include "measure/measurement.h"
#include "viz/color_scale.h"

namespace meshprobe {

// Writes a binary little-endian PLY: per vertex of the file x, y, z, then the float properties
// scalar_roughness, scalar_kmin, scalar_kmax, scalar_local_curvature (names that CloudCompare
// loads as scalar fields; with several epsilons scalar_roughness_eps<E> and
// scalar_local_curvature_eps<E> once per epsilon), quality (the first epsilon's roughness, for
// MeshLab) and red, green, blue: the viridis colour of the first epsilon's roughness in `range`,
// grey where the vertex was not measured, whose scalar_ fields are NaN and quality 0. A comment
// names the mesh, the first epsilon and the length when one was given. Then every facet of the
// file, those the surface could not hold too. The measurement must have been made with keep_fields
// and keep_file_lists. The file appears only when complete; false when it cannot be written.
bool write_fields_ply(const MeshMeasurement& measurement, const ValueRange& range,
                      const std::string& path);

}  // namespace meshprobe
