#include "app/fields_picture.h"

#include "io/png_file.h"
#include "viz/color_scale.h"
#include "viz/roughness_picture.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

bool write_fields_png(const Mesh& mesh, const std::vector<float>& roughness,
                      const std::string& path) {
  const ScalarSurface surface = roughness_surface(mesh, roughness);
  const RgbImage image = render_roughness_picture(surface, roughness_range(surface.values));
  return write_png(path, image.width, image.height, image.rgb);
}

}  // namespace meshprobe
