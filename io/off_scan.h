// OFF content scanned into its points and facets, in file order, with CGAL's own OFF scanner and
// without building anything; the one building step (io/surface_from_lists.h) later builds them,
// testing each facet first. Points are read exactly as the scanner reads them when it builds.
#pragma once

#include <string_view>
#include <vector>

#include "io/facet_sink.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Scans `content` into the empty `points` and to `facets`. The header's counts must already have
// been checked against the content's size, and `binary` is what that check found. Fails, naming
// the vertex or facet (counted from 0) where the scan stopped, on a number that does not parse, a
// file that ends early, a facet of fewer than 3 corners or a corner that names no vertex, and
// when the scanner reads the header as binary where the check did not, or the reverse.
ReadStatus scan_off(std::string_view content, bool binary, std::vector<Vec3f>& points,
                    FacetSink& facets);

}  // namespace meshprobe
