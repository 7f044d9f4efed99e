// A walk over the data of a PLY file as its header lays it out, keeping no value, so that CGAL's
// PLY reader is given only files it reads safely and as intended. That reader sizes every list
// from its count before it reads the entries, so a count of four billion, or the garbage of a
// truncated binary file, would have it reserve gigabytes; and in ASCII it reads each number only
// as far as the number's type allows, so a token such as "1.5" in an integer property, or "300"
// in a uchar one, would shift every later value.
#pragma once

#include <string>

#include "io/ply_header.h"
#include "io/read_status.h"

namespace meshprobe {

// Checks that the data after the header holds every item of every element of `header`, in order.
// In ASCII every value is one white-space separated token written as a number of its type: an
// integer in the type's range (a sign only for signed types), or a decimal number such as -1.5e3
// for float and double. A list count must be at most what the rest of the file can hold (2 bytes
// per ASCII entry, the entry type's size in binary). Refused, naming the element, the item
// (counted from 0) and the property: a file that ends early, a token that is not such a number, a
// negative or oversized list count. Bytes after the last element are ignored, as the reader does.
ReadStatus check_ply_data(const std::string& content, const PlyHeader& header);

}  // namespace meshprobe
