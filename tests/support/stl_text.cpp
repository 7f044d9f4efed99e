#include "tests/support/stl_text.h"

#include <cstdio>
#include <cstring>

namespace meshprobe::testing {

std::string binary_stl(const std::vector<Triangle>& triangles, const std::string& header,
                       std::int64_t count) {
  std::string bytes(80, ' ');
  bytes.replace(0, header.size(), header);
  const auto put = [&bytes](std::uint32_t value) {
    for (int k = 0; k < 4; ++k)
      bytes += static_cast<char>((value >> (8 * k)) & 0xff);
  };
  const auto put_float = [&put](float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    put(bits);
  };
  put(static_cast<std::uint32_t>(count < 0 ? static_cast<std::int64_t>(triangles.size()) : count));
  for (const Triangle& t : triangles) {
    for (int k = 0; k < 3; ++k)
      put_float(9.0f);  // a normal, which the reader ignores
    for (const Vec3f& p : t) {
      put_float(p.x);
      put_float(p.y);
      put_float(p.z);
    }
    bytes += std::string(2, '\0');
  }
  return bytes;
}

std::string ascii_stl(const std::vector<Triangle>& triangles, const std::string& end) {
  std::string text = "solid part" + end;
  for (const Triangle& t : triangles) {
    text += "  facet normal 0 0 1" + end + "    outer loop" + end;
    for (const Vec3f& p : t) {
      char line[128];
      std::snprintf(line, sizeof line, "      vertex %.9g %.9g %.9g", p.x, p.y, p.z);
      text += line + end;
    }
    text += "    endloop" + end + "  endfacet" + end;
  }
  return text + "endsolid part" + end;
}

}  // namespace meshprobe::testing
