// The outputs component's entry point (include/meshprobe/outputs.h): the installed API's
// measurement, then the mesh's outputs written by the command line's own writer.
#include "meshprobe/outputs.h"

#include "measure/installed_api.h"
#include "measure/rules.h"
#include "outputs/mesh_outputs.h"
#include "outputs/output_plan.h"
#include "outputs/png_file.h"
#include "viz/picture_layout.h"

namespace meshprobe {

namespace {

// The outputs' settings in the writers' terms; false with `error` set as the command line would
// refuse them.
bool picture_settings(const Outputs& outputs, PictureSettings& picture, std::string& error) {
  picture.fixed_range = outputs.fixed_range;
  picture.range = ValueRange{outputs.range_low, outputs.range_high};
  if (outputs.fixed_range) {
    error = range_refusal("range",
                          shortest_float_text(static_cast<float>(outputs.range_low)) + ":" +
                              shortest_float_text(static_cast<float>(outputs.range_high)),
                          outputs.range_low, outputs.range_high);
    if (!error.empty()) return false;
  }
  error = size_refusal("size", std::to_string(outputs.width) + "x" + std::to_string(outputs.height),
                       outputs.width, outputs.height);
  if (error.empty()) error = dpi_refusal("dpi", std::to_string(outputs.dpi), outputs.dpi);
  if (!error.empty()) return false;
  picture.width = outputs.width;
  picture.height = outputs.height;
  picture.dpi = outputs.dpi;
  return true;
}

}  // namespace

Result measure_file(const std::string& path, const Options& options, const Outputs& outputs) {
  Result refused;
  PictureSettings picture;
  if (!picture_settings(outputs, picture, refused.error)) return refused;
  OutputRequest request;
  request.meshes = {path};
  for (const float epsilon : options.epsilons)
    request.epsilons.push_back(shortest_float_text(epsilon));
  const auto per_epsilon = [](const std::vector<std::string>& paths) {
    return OutputChoice{!paths.empty(), "", paths};
  };
  const auto named = [](const std::string& given) {
    return OutputChoice{!given.empty(), given, {}};
  };
  request.values = per_epsilon(outputs.values);
  request.png = per_epsilon(outputs.pictures);
  request.stats = per_epsilon(outputs.statistics);
  request.ply = named(outputs.ply);
  request.csv = named(outputs.csv);
  OutputPlan plan;
  if (plan_outputs(request, plan, refused.error) != PlanOutcome::kPlanned) return refused;
  const MeshOutputs& paths = plan.meshes.front();
  return guarded(
      options, path,
      [&](MeasureOptions measure) {
        bool picture_wanted = false;
        for (const std::string& png : paths.pngs)
          picture_wanted = picture_wanted || !png.empty();
        measure.keep_fields = measure.keep_fields || !paths.csv.empty() || !paths.ply.empty();
        measure.keep_file_lists = !paths.ply.empty();
        measure.keep_surface = picture_wanted;
        return measure_mesh_file(path, measure);
      },
      [&](const MeshMeasurement& m, std::string& error) {
        std::string failed;
        if (!write_mesh_outputs(m, paths, picture, failed)) error = "cannot write " + failed;
      });
}

}  // namespace meshprobe
