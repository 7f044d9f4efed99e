#include "roughness/surface_analyzer.h"

namespace meshprobe {

void SurfaceAnalyzer::compute_roughness(double /*averaging_radius*/, double /*smoothing_radius*/) {
  // Not yet estimated: every vertex keeps roughness 0.
  mesh_->roughness_min = 0.0;
  mesh_->roughness_max = 0.0;
}

}  // namespace meshprobe
