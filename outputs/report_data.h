// The numbers a report page shows, as the JSON text of its data element, so that the page is
// also a portable data file: the surface in the value file's vertex order, each epsilon's values,
// the colour table, the default ranges and ticks, the statistics and the run's options.
#pragma once

#include <cstddef>
#include <string>

#include "measure/measurement.h"
#include "viz/color_scale.h"

namespace meshprobe {

// Standard base64 (RFC 4648, with padding, no line breaks) of `size` bytes.
std::string base64(const void* bytes, std::size_t size);

// The report's settings besides the measurement: the range asked for (null: each epsilon's
// picture default), the run's spatial tiles, and the vertex count above which the 3D view thins
// its facets (0: the page's own limit).
struct ReportSettings {
  const ValueRange* range = nullptr;
  std::size_t tiles = 1;
  std::size_t view_vertex_limit = 0;
};

// The JSON object of the data element. "vertices": base64 of little-endian float32 x, y, z per
// vertex of the value file in the input's units; "faces": base64 of little-endian uint32
// triangles over those vertices, each facet of the surface fanned from its first corner;
// "rows": per vertex, little-endian uint32 of its place among the file's vertices; "values": per
// epsilon, base64 of little-endian float32 per vertex, NaN where not measured; "epsilons",
// "epsilon_texts", "ranges" ([low, high] per epsilon), "ticks", "colours" (base64 of 8-bit RGB
// entries at positions i / (entries - 1)), "statistics" (the --stats objects without the run's
// seconds), "run" (pairs of name and text), "warning", "view_stride". No date or timing: the
// same measurement gives the same text. '<' is written \u003c so that the text can sit in a
// script element. The measurement must hold its file lists and its surface.
std::string report_data_json(const MeshMeasurement& measurement, const ReportSettings& settings);

// The vertex count above which the page's 3D view draws an evenly thinned set of facets. Measured
// in headless Chromium drawing through SwiftShader on two shared cores (docs/report.md): a frame
// takes about 0.25 s plus 2.3 us per facet drawn, so about 1 s at this many vertices (twice as
// many facets); a browser with a GPU is many times faster.
constexpr std::size_t kViewVertexLimit = 150000;

}  // namespace meshprobe
