// The roughness map of one epsilon as a picture: the measured surface from the front, the side
// and the top with a labelled colour bar, written as PNG, complete or not at all.
#pragma once

#include <cstddef>
#include <string>

#include "measure/measurement.h"
#include "viz/color_scale.h"

namespace meshprobe {

// The colours span `range`; the title names the length when one was given, and the number of
// facets left out under it when there were any. The PNG states `dots_per_inch` as its print
// resolution. The measurement must have been made with keep_surface. False when the file cannot
// be written.
bool write_fields_png(const MeshMeasurement& measurement, std::size_t epsilon,
                      const ValueRange& range, int width, int height, int dots_per_inch,
                      const std::string& path);

}  // namespace meshprobe
