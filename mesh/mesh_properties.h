// Geometric preparation of a loaded mesh: its bounding box, the normalisation that centres it at
// the origin and scales its largest bounding-box side to 1, and the facet-degree test behind the
// mesh's two degree flags.
#pragma once

#include <vector>

#include "mesh/mesh.h"

namespace meshprobe {

// Sets bbox_min and bbox_max from the vertex points. Comparisons are strict, so a coordinate that
// is not a number never becomes a bound. A mesh without vertices keeps its old box.
void compute_bounding_box(Mesh& mesh);

// The centre of the box [low, high], per axis (low + high) / 2 in single precision; where that
// sum overflows, low / 2 + high / 2, which is finite for finite bounds.
Vec3f bounding_box_centre(const Vec3f& low, const Vec3f& high);

// The bounding box of points and the centring and scaling that normalize() derives from it.
struct Normalisation {
  Vec3f bbox_min;
  Vec3f bbox_max;
  float extent = 0.0f;  // the box's largest side
  float length = 0.0f;  // the length scaled to 1: the given one, or the extent
  Vec3f centre;
  double scale = 0.0;  // 1 / length
};

// The normalisation of a mesh whose points are `points` (its whole vertex list), with `length`
// as normalize() takes it. All zero for no points.
Normalisation normalisation_of(const std::vector<Vec3f>& points, float length);

// A point as normalize() places it.
Vec3f normalised(const Vec3f& p, const Normalisation& n);

// Centres the bounding box at the origin, then scales every point by 1 / length, `length` in
// the file's units; a length <= 0 (the default) means the largest box side, which makes that
// side 1. Both passes round each coordinate to single precision. Returns the length used. A mesh
// without vertices is unchanged (0 returned). A box of zero extent with no length given yields
// coordinates that are not numbers: callers reject such meshes first.
float normalize(Mesh& mesh, float length = 0.0f);

// The largest side of the bounding box of the current points (0 for a mesh without vertices).
float bounding_box_extent(Mesh& mesh);

}  // namespace meshprobe
