#include "tests/support/read_as_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "tests/support/shapes.h"

namespace meshprobe::testing {

ReadStatus read_as_file(const std::string& name, const std::string& content, Mesh& mesh,
                        FileLayout& layout, bool keep_lists) {
  const std::string path = scratch_folder("read-as-file") + "/" + name;
  write_file(path, content);
  return read_mesh_file(path, mesh, layout, keep_lists);
}

ReadStatus read_lists_as_file(const std::string& name, const std::string& content,
                              std::vector<Vec3f>& points, FacetsInMemory& facets) {
  const std::string path = scratch_folder("read-as-file") + "/" + name;
  write_file(path, content);
  MeshFormat format = MeshFormat::kOff;
  return read_mesh_lists(path, points, facets, format);
}

std::string gzip(const std::string& bytes) {
  z_stream stream{};
  // 16 added to the window bits writes the gzip wrapper instead of zlib's.
  if (deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    ADD_FAILURE() << "zlib cannot start compressing";
    return std::string();
  }
  std::vector<unsigned char> out(deflateBound(&stream, bytes.size()) + 32);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  const std::size_t size = out.size() - stream.avail_out;
  deflateEnd(&stream);
  if (result != Z_STREAM_END) ADD_FAILURE() << "zlib could not compress the bytes";
  return std::string(reinterpret_cast<const char*>(out.data()), size);
}

}  // namespace meshprobe::testing
