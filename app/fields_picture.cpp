#include "app/fields_picture.h"

#include <cstdio>

#include "io/png_file.h"
#include "viz/color_scale.h"
#include "viz/roughness_picture.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

std::string picture_title(const std::string& mesh_path, float epsilon, std::size_t vertices) {
  const std::size_t slash = mesh_path.find_last_of('/');
  const std::string name = slash == std::string::npos ? mesh_path : mesh_path.substr(slash + 1);
  char number[32];
  std::snprintf(number, sizeof number, "%g", static_cast<double>(epsilon));
  std::string count = std::to_string(vertices);
  for (std::size_t at = count.size(); at > 3; at -= 3)
    count.insert(at - 3, ",");
  return name + "   epsilon " + number + "   " + count + (vertices == 1 ? " vertex" : " vertices");
}

bool write_fields_png(const Mesh& mesh, const std::string& mesh_path, float epsilon,
                      const std::string& path) {
  const ScalarSurface surface = roughness_surface(mesh);
  PictureOptions options;
  options.range = roughness_range(surface.values);
  options.clamped_above = any_value_above(surface.values, options.range.high);
  options.title = picture_title(mesh_path, epsilon, surface.points.size());
  const RgbImage image = render_roughness_picture(surface, options);
  return write_png(path, image.width, image.height, image.rgb);
}

}  // namespace meshprobe
