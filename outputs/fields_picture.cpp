#include "outputs/fields_picture.h"

#include "outputs/png_file.h"
#include "viz/roughness_picture.h"
#include "viz/scalar_surface.h"

namespace meshprobe {

bool write_fields_png(const MeshMeasurement& measurement, std::size_t epsilon,
                      const ValueRange& range, int width, int height, int dots_per_inch,
                      const std::string& path) {
  const EpsilonMeasurement& e = measurement.epsilons[epsilon];
  ScalarSurface surface;
  surface.points = measurement.positions;
  surface.polygons = measurement.surface_polygons;
  surface.values = e.roughness;
  PictureOptions options;
  options.width = width;
  options.height = height;
  options.range = range;
  options.clamped_above = any_value_above(e.roughness, range.high);
  options.title = picture_title(measurement.path, e.epsilon.value,
                                measurement.length_given ? measurement.length : 0.0f,
                                measurement.vertices_in_file);
  options.note = left_out_note(measurement.status.facets_left_out);
  const RgbImage image = render_roughness_picture(surface, options);
  return write_png(path, image.width, image.height, image.rgb, dots_per_inch);
}

}  // namespace meshprobe
