#include "roughness/curvature_averaging.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "roughness/parallel_failure.h"

namespace meshprobe {

namespace {

// Normal density with standard deviation 0.008: 1 / (2 * 0.008^2) and 1 / 0.008. The
// normalisation takes 2 pi as 6.283184.
constexpr double kGaussianExponent = 7812.5;
constexpr double kInverseDeviation = 125.0;
constexpr double kTwoPi = 6.283184;
// Vertices handed to a thread at a time: walks differ in size, so work is dealt out as it goes.
constexpr std::uint32_t kVerticesPerTask = 256;

}  // namespace

namespace {

// average_curvature_at; with kTrack, `exact` is cleared when the walk reads a position or a
// kmax that is not the whole mesh's.
template <bool kTrack>
double average_over_sphere(SphereWalker& walker, SampleWeights& weights, const SurfaceView& view,
                           const std::vector<double>& kmax, std::uint32_t vertex, double radius,
                           const ExactReads* reads, bool& exact) {
  static const double normalisation = 1 / std::sqrt(kTwoPi);
  const Vec3f centre = view.positions[vertex];
  const auto weight_at = [&](const Vec3f& position) {
    const Vec3f offset = difference(position, centre);
    const double d = std::sqrt(dot(offset, offset));
    return std::exp(-kGaussianExponent * (d * d)) * normalisation * kInverseDeviation;
  };
  // Samples are weighted as the walk produces them; the sums run in sample order.
  double weight_sum = 0.0;
  double weighted_sum = 0.0;
  walker.walk_sphere(vertex, radius, /*guarded=*/true, [&](const SphereEdge& e) {
    if constexpr (kTrack) {
      if (!reads->reads_exact(e)) exact = false;
    }
    double value;
    double w;
    if (dot(e.full_edge, e.full_edge) == 0.0) {
      value = kmax[e.far];
      w = weights.weight(vertex, e.far, view.positions[e.far], weight_at);
    } else if (!e.crosses) {
      // An edge ending inside the sphere is not clipped, and the ratio of two equal lengths is
      // exactly 1: the sample is the far end's value, at near + edge.
      value = 0 * kmax[e.near] + 1 * kmax[e.far];
      const Vec3f& near_point = view.positions[e.near];
      const Vec3f position{near_point.x + e.edge.x, near_point.y + e.edge.y,
                           near_point.z + e.edge.z};
      w = weights.weight(vertex, e.far, position, weight_at);
    } else {
      const double t = std::sqrt(dot(e.edge, e.edge)) / std::sqrt(dot(e.full_edge, e.full_edge));
      value = (1 - t) * kmax[e.near] + t * kmax[e.far];
      const Vec3f& near_point = view.positions[e.near];
      w = weight_at(
          Vec3f{near_point.x + e.edge.x, near_point.y + e.edge.y, near_point.z + e.edge.z});
    }
    weight_sum += w;
    weighted_sum += w * value;
  });
  // Without samples this is infinity times zero: not a number, which the roughness maps to 0.
  // Samples all about 0.3 or more from the vertex (37 deviations) have weights whose sum lies so
  // deep in the subnormal range that its reciprocal overflows; the mean would come out infinite
  // where it is bounded by the samples. Such a vertex counts as one without samples.
  const double inverse = 1 / weight_sum;
  if (std::isinf(inverse)) return std::numeric_limits<double>::quiet_NaN();
  return inverse * weighted_sum;
}

}  // namespace

double average_curvature_at(SphereWalker& walker, SampleWeights& weights, const SurfaceView& view,
                            const std::vector<double>& kmax, std::uint32_t vertex, double radius) {
  bool unused = false;
  return average_over_sphere<false>(walker, weights, view, kmax, vertex, radius, nullptr, unused);
}

void average_curvature(const SurfaceView& view, const std::vector<double>& kmax, double radius,
                       std::vector<double>& local_curvature, const Progress& progress,
                       const PassScope& scope) {
  const std::uint32_t all = view.vertex_count();
  local_curvature.assign(all, 0.0);
  const std::uint32_t n = scope.count(all);
  const std::uint32_t tasks = (n + kVerticesPerTask - 1) / kVerticesPerTask;
  ProgressCounter counter(progress, n);
  // Each vertex's mean depends only on the points and kmax values, which the pass does not
  // change: the vertices can be shared among threads, each walking with its own walker.
  ParallelFailure failure;
#pragma omp parallel
  {
    std::optional<SphereWalker> walker;
    std::optional<SampleWeights> weights;
    failure.capture([&] {
      walker.emplace(view);
      weights.emplace(all);
    });
#pragma omp for schedule(dynamic, 1)
    for (std::uint32_t task = 0; task < tasks; ++task) {
      if (counter.stopped()) continue;  // the run is abandoned
      failure.capture([&] {
        const std::uint32_t first = task * kVerticesPerTask;
        const std::uint32_t end = std::min(n, first + kVerticesPerTask);
        for (std::uint32_t k = first; k < end; ++k) {
          const std::uint32_t v = scope.vertex(k);
          if (scope.tracks()) {
            bool exact = scope.reads->walkable[v] != 0;
            local_curvature[v] = average_over_sphere<true>(*walker, *weights, view, kmax, v, radius,
                                                           scope.reads, exact);
            (*scope.exact)[v] = exact ? 1 : 0;
          } else {
            local_curvature[v] = average_curvature_at(*walker, *weights, view, kmax, v, radius);
          }
        }
        counter.add(end - first);
      });
    }
  }
  failure.rethrow();
  counter.finish();
}

}  // namespace meshprobe
