#include "app/fields_picture.h"

#include "io/png_file.h"
#include "viz/color_scale.h"
#include "viz/roughness_picture.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

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
