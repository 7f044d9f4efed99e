// A walk over the data of a PLY file as its header lays it out, keeping nothing: content and header
// in, refusal or not out. Once it has passed, the reader of ply_reader.h takes every value without
// another check: each list's count fits the rest of the file, each ASCII token is whole.
#pragma once

#include "io/file_window.h"
#include "io/ply_header.h"
#include "io/read_status.h"

namespace meshprobe {

// Checks that the data holds every item of every element in order: in ASCII each value one token
// written as a number of its type (an integer in range, signed only for signed types; a decimal
// like -1.5e3 for float and double), in binary enough bytes; and every list count at most what the
// rest of the file holds. A refusal names the element, the item (from 0) and the property, or
// where the data ends. Bytes after the last element are ignored, as the reader ignores them.
ReadStatus check_ply_data(const FileWindow& content, const PlyHeader& header);

}  // namespace meshprobe
