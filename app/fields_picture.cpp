#include "app/fields_picture.h"

#include "io/png_file.h"
#include "viz/roughness_picture.h"

namespace meshprobe {

bool write_fields_png(const MeshMeasurement& measurement, std::size_t epsilon,
                      const ValueRange& range, int width, int height, const std::string& path) {
  (void)width;
  (void)height;
  ScalarSurface surface;
  surface.points = measurement.positions;
  surface.polygons = measurement.surface_polygons;
  surface.values = measurement.epsilons[epsilon].roughness;
  const RgbImage image = render_roughness_picture(surface, range);
  return write_png(path, image.width, image.height, image.rgb);
}

}  // namespace meshprobe
