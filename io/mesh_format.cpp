#include "io/mesh_format.h"

#include <algorithm>
#include <cctype>

#include "io/gzip_input.h"
#include "io/off_reader.h"
#include "io/ply_header.h"
#include "io/stl_reader.h"
#include "io/text_lines.h"

namespace meshprobe {

namespace {

// The formats a refusal names, so that the user knows what to convert the file to. OBJ has no
// magic bytes: only its name tells it.
constexpr const char* kFormatsRead = "OFF, PLY, STL, OBJ (by a name ending in \"obj\")";

bool ends_with_any_case(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), text.end() - ending.size(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// The legacy VTK header line, or an XML VTK file's root element near its start.
bool is_vtk(std::string_view head) {
  constexpr std::size_t kXmlProlog = 1024;  // an XML declaration and comments before the root
  const std::string_view text = head.substr(byte_order_mark_length(head));
  if (text.substr(0, 14) == "# vtk DataFile") return true;
  if (text.substr(0, 8) == "<VTKFile") return true;
  return text.substr(0, 5) == "<?xml" &&
         text.substr(0, kXmlProlog).find("<VTKFile") != std::string_view::npos;
}

FormatChoice mesh(MeshFormat format) {
  FormatChoice choice;
  choice.kind = FormatChoice::Kind::kMesh;
  choice.format = format;
  return choice;
}

FormatChoice refused(const std::string& why) {
  FormatChoice choice;
  choice.kind = FormatChoice::Kind::kRefused;
  choice.refusal = why;
  return choice;
}

}  // namespace

bool reads_as_obj(const std::string& path) {
  std::string ending = path.size() < 3 ? path : path.substr(path.size() - 3);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ending == "obj";
}

std::string without_gzip_ending(const std::string& path) {
  return ends_with_any_case(path, ".gz") ? path.substr(0, path.size() - 3) : path;
}

FormatChoice choose_format(const std::string& name, std::string_view head, std::uint64_t size,
                           bool inside_gzip) {
  const std::string holds = inside_gzip ? "the gzip file holds " : "";
  if (size == 0) {
    return refused(inside_gzip ? "the gzip file decompresses to nothing" : "the file is empty");
  }
  if (begins_with_gzip_magic(head)) {
    if (inside_gzip) return refused("the gzip file holds another gzip file: decompress it first");
    FormatChoice choice;
    choice.kind = FormatChoice::Kind::kGzip;
    return choice;
  }
  if (reads_as_obj(name)) return mesh(MeshFormat::kObj);
  if (begins_with_ply_magic(head)) return mesh(MeshFormat::kPly);
  if (is_binary_stl(head, size) || begins_with_solid(head)) return mesh(MeshFormat::kStl);
  if (is_vtk(head)) {
    return refused((inside_gzip ? holds + "a VTK file" : std::string("it is a VTK file")) +
                   ", not a format read here: " + kFormatsRead + ", or one of them gzipped");
  }
  // The OFF keyword may follow any number of comment lines: only the whole file tells when it
  // is missing.
  if (begins_with_off_keyword(head)) return mesh(MeshFormat::kOff);
  if (head.size() < size) return FormatChoice{};
  // The name alone says STL: the STL reader's refusal (a binary file cut short, say) tells more
  // than a list of formats.
  if (ends_with_any_case(name, ".stl")) return mesh(MeshFormat::kStl);
  if (inside_gzip) return refused(holds + "no mesh file of a format read here: " + kFormatsRead);
  return refused(std::string("not a mesh file of a format read here: ") + kFormatsRead +
                 ", or one of them gzipped");
}

}  // namespace meshprobe
