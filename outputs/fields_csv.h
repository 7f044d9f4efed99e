// The per-vertex table: one row per vertex of the input file in file order, every column of
// field_columns, for those who study the method or load the numbers next to the input mesh.
#pragma once

#include <string>

#include "measure/measurement.h"

namespace meshprobe {

// Writes the header line (the columns' names) and one row per vertex: indices as whole numbers,
// single-precision values with 9 significant digits and double ones with 17, so that every
// value reads back exactly; "nan" for a vertex that was not measured. The measurement must have
// been made with keep_fields. The file appears only when complete; false when it cannot be
// written.
bool write_fields_csv(const MeshMeasurement& measurement, const std::string& path);

}  // namespace meshprobe
