// The report a person opens: one self-contained HTML page per measured mesh, holding the surface
// coloured by roughness in a 3D view (three.js, inlined at build time), a range control, a switch
// between epsilons, a pick, the histogram, the statistics and the run's options. It requests no
// other file and nothing from any network.
#pragma once

#include <string>

#include "measure/measurement.h"
#include "outputs/report_data.h"

namespace meshprobe {

// The page's text: the same measurement and settings give the same bytes. The measurement must
// have been made with keep_file_lists and keep_surface.
std::string html_report(const MeshMeasurement& measurement, const ReportSettings& settings);

// Writes html_report to `path`; the file appears only when complete. False when it cannot be
// written.
bool write_html_report(const MeshMeasurement& measurement, const ReportSettings& settings,
                       const std::string& path);

// `text` with &, <, > and " written as character references, for text and attribute values.
std::string html_escaped(const std::string& text);

}  // namespace meshprobe
