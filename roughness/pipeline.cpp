#include <utility>

#include "roughness/copy_smoothing.h"
#include "roughness/curvature_averaging.h"
#include "roughness/roughness_steps.h"
#include "roughness/surface_analyzer.h"

namespace meshprobe {

namespace {

// The roughness range starts beyond any value so that the first difference replaces it.
constexpr double kRoughnessRangeStart = 10000.0;

// A curvature field that holds kmin too when the fields are kept; the directions are never
// needed past the pass.
CurvatureField curvature_field(std::size_t vertices, bool with_kmin) {
  CurvatureField field;
  if (with_kmin) field.kmin.resize(vertices);
  return field;
}

// The values of a per-vertex array in the view's order, placed in the mesh's order.
template <class T>
std::vector<T> in_mesh_order(const SurfaceView& view, const std::vector<T>& values) {
  std::vector<T> placed(values.size());
  for (std::uint32_t v = 0; v < values.size(); ++v)
    placed[view.mesh_place[v]] = values[v];
  return placed;
}

// A progress that reports one of `parts` equal parts of a whole.
Progress part_of(const Progress& progress, std::size_t part, std::size_t parts) {
  if (!progress) return Progress();
  return [&progress, part, parts](std::size_t done, std::size_t total) {
    progress(part * total + done, parts * total);
  };
}

}  // namespace

SurfaceAnalyzer::SurfaceAnalyzer(Mesh& mesh, bool keep_fields)
    : mesh_(mesh),
      keep_fields_(keep_fields),
      // Walks examine vertices near each other in space; numbered along a space-filling curve,
      // they lie near each other in memory too.
      view_(make_surface_view(mesh, VertexOrder::kLocality)) {}

RoughnessResult SurfaceAnalyzer::measure(double epsilon, const StepProgress& progress) {
  return measure_in_steps(*this, epsilon, progress);
}

void SurfaceAnalyzer::use(Surface surface, bool with_normals) {
  if (positions_of_ != surface) {
    if (surface == Surface::kInput) {
      aside_ = std::move(view_.positions);
      view_.positions.resize(aside_.size());
      load_positions(view_, mesh_);
    } else {
      view_.positions = std::move(aside_);
      aside_ = std::vector<Vec3f>();
    }
    positions_of_ = surface;
  }
  if (with_normals && normals_of_ != surface) {
    if (surface == Surface::kInput) {
      load_facet_normals(view_, mesh_);
    } else {
      compute_facet_normals(view_, mesh_);
    }
    normals_of_ = surface;
  }
}

void SurfaceAnalyzer::smooth(double smoothing_radius, const Progress& progress) {
  // The copy starts from the input's points; whatever the view held of an earlier copy goes.
  use(Surface::kInput, false);
  aside_ = std::vector<Vec3f>();
  // Until the last step the view holds neither surface: a run abandoned in between (its progress
  // callback threw) starts again from the input.
  positions_of_ = Surface::kNeither;
  smooth_copy(view_, smoothing_radius, progress);
  positions_of_ = Surface::kCopy;
  // The copy's facet normals are computed when its curvature is.
  if (normals_of_ == Surface::kCopy) normals_of_ = Surface::kNeither;
}

void SurfaceAnalyzer::curvature(double /*averaging_radius*/, const Progress& progress) {
  const std::size_t n = vertex_count();
  const std::size_t parts = input_curvature_done_ ? 1 : 2;
  use(Surface::kCopy, true);
  copy_curvature_ = curvature_field(n, keep_fields_);
  estimate_curvature(view_, kCurvatureRadius, copy_curvature_, part_of(progress, 0, parts));
  if (input_curvature_done_) return;
  use(Surface::kInput, true);
  input_curvature_ = curvature_field(n, keep_fields_);
  estimate_curvature(view_, kCurvatureRadius, input_curvature_, part_of(progress, 1, parts));
  input_curvature_done_ = true;
}

void SurfaceAnalyzer::average(double averaging_radius, const Progress& progress) {
  // Whichever surface the view holds goes first, so that only one change of positions is
  // needed. The averages need positions only, not facet normals.
  const Surface first = positions_of_;
  const Surface second = first == Surface::kInput ? Surface::kCopy : Surface::kInput;
  const Surface order[] = {first, second};
  for (std::size_t k = 0; k < 2; ++k) {
    use(order[k], false);
    const bool input = order[k] == Surface::kInput;
    average_curvature(view_, input ? input_curvature_.kmax : copy_curvature_.kmax, averaging_radius,
                      input ? input_average_ : copy_average_, part_of(progress, k, 2));
  }
}

RoughnessResult SurfaceAnalyzer::difference() {
  const std::uint32_t n = view_.vertex_count();
  RoughnessResult result;
  result.roughness.resize(n);
  result.roughness_min = kRoughnessRangeStart;
  result.roughness_max = -kRoughnessRangeStart;
  // The range follows the differences before they are narrowed to single precision; a minimum
  // and a maximum do not depend on the order the values come in.
  for (std::uint32_t v = 0; v < n; ++v) {
    const double difference = roughness_difference(input_average_[v], copy_average_[v]);
    result.roughness[view_.mesh_place[v]] = static_cast<float>(difference);
    if (difference < result.roughness_min) result.roughness_min = difference;
    if (difference > result.roughness_max) result.roughness_max = difference;
  }
  if (keep_fields_) {
    RoughnessFields& fields = result.fields;
    fields.kmin = in_mesh_order(view_, input_curvature_.kmin);
    fields.kmax = in_mesh_order(view_, input_curvature_.kmax);
    fields.local_curvature = in_mesh_order(view_, input_average_);
    fields.smoothed_positions =
        in_mesh_order(view_, positions_of_ == Surface::kCopy ? view_.positions : aside_);
    fields.smoothed_kmin = in_mesh_order(view_, copy_curvature_.kmin);
    fields.smoothed_kmax = in_mesh_order(view_, copy_curvature_.kmax);
    fields.smoothed_local_curvature = in_mesh_order(view_, copy_average_);
  }
  return result;
}

}  // namespace meshprobe
