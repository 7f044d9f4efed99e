// OFF input through CGAL's own OFF scanner. The header's counts are checked first against the
// file's size, before anything is reserved for them; then, in a text file, every vertex and facet
// line as the scanner will read it, so that a line it would refuse is named and a number it could
// not convert never reaches it. Colours are ignored. The scanned points and facets go to the one
// building step of every reader (io/surface_from_lists.h), which leaves out the facets the
// surface cannot hold and removes the vertices no facet uses, the others keeping their order.
#pragma once

#include <string_view>
#include <vector>

#include "io/facet_sink.h"
#include "io/file_window.h"
#include "io/read_status.h"
#include "mesh/facet_list.h"
#include "mesh/mesh.h"

namespace meshprobe {

// Checks and scans an OFF file, text or binary, held whole: its vertices into the empty `points`
// and its facets to `facets`, every one of the file in file order, nothing built yet. A facet
// line whose count or vertex index is not a whole number ("2.7", "2x", "2#c") is refused, naming
// the line; so is a file that changed while it was read, or that memory cannot hold.
ReadStatus read_off(const FileWindow& file, std::vector<Vec3f>& points, FacetSink& facets);

// True when `content` begins, after white space and '#' comments, with a keyword of a surface
// in OFF: [ST][C][N][4]OFF.
bool begins_with_off_keyword(std::string_view content);

}  // namespace meshprobe
