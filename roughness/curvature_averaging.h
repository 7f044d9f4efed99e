// Gaussian-weighted averaging of the maximum curvature over sphere-bounded neighbourhoods: the
// smoother scalar field that the roughness compares between the input and its smoothed copy.
// In: a view's positions, kmax per vertex and a radius. Out: local_curvature per vertex.
#pragma once

#include <cstdint>
#include <vector>

#include "roughness/exact_reads.h"
#include "roughness/progress.h"
#include "roughness/sphere_walk.h"
#include "roughness/surface_view.h"

namespace meshprobe {

// A vertex inside the sphere is usually sampled several times in one walk, once per examined
// edge that ends at it, and mostly at the very same rounded position: its weight is then the
// same number, which is remembered instead of computed again. Entries belong to the centre whose
// walk made them. One per thread.
class SampleWeights {
 public:
  explicit SampleWeights(std::uint32_t vertex_count) : entries_(vertex_count) {}

  // The weight of a sample of `vertex` at `position` in the walk about `centre`, from `weigh`
  // unless the same vertex was sampled at the same position earlier in that walk.
  template <class Weigh>
  double weight(std::uint32_t centre, std::uint32_t vertex, const Vec3f& position, Weigh&& weigh) {
    Entry& entry = entries_[vertex];
    if (entry.centre == centre && entry.position == position) return entry.weight;
    entry.centre = centre;
    entry.position = position;
    entry.weight = weigh(position);
    return entry.weight;
  }

 private:
  struct Entry {
    std::uint32_t centre = 0xffffffff;  // no centre
    Vec3f position;
    double weight = 0.0;
  };
  std::vector<Entry> entries_;
};

// The Gaussian-weighted mean of kmax over the samples of one vertex's sphere walk (radius
// `radius`, guarded rule), in walk order: an edge ending inside the sphere gives its far end's
// kmax at the far end, an edge leaving it gives kmax interpolated where it leaves. Weights are the
// normal density of the sample's distance from the vertex with standard deviation 0.008. Not a
// number for a vertex without samples, or whose samples all lie so far (about 0.3) that the sum
// of their weights has no finite reciprocal.
double average_curvature_at(SphereWalker& walker, SampleWeights& weights, const SurfaceView& view,
                            const std::vector<double>& kmax, std::uint32_t vertex, double radius);

// average_curvature_at for every vertex, in parallel. `local_curvature` gets one entry per vertex.
// Reports to `progress` as progress.h describes. `scope` may narrow the pass to some vertices
// (the others get 0) and track which results are exact (roughness/exact_reads.h).
void average_curvature(const SurfaceView& view, const std::vector<double>& kmax, double radius,
                       std::vector<double>& local_curvature, const Progress& progress = {},
                       const PassScope& scope = {});

}  // namespace meshprobe
