#include <cstddef>
#include <functional>
#include <string>

#include "measure/measurement.h"

namespace meshprobe {

namespace {

using Type = FieldColumn::Type;
// One component of a per-vertex position.
using Component = float Vec3f::*;

template <class T>
FieldColumn column(const MeshMeasurement& m, std::string name, Type type,
                   const std::vector<T>& per_mesh_vertex) {
  FieldColumn c{std::move(name), type, {}};
  const std::vector<T> values = m.in_file_order(per_mesh_vertex);
  c.values.assign(values.begin(), values.end());
  return c;
}

FieldColumn component_column(const MeshMeasurement& m, std::string name,
                             const std::vector<Vec3f>& per_mesh_vertex, Component component) {
  std::vector<float> values(per_mesh_vertex.size());
  for (std::size_t v = 0; v < values.size(); ++v)
    values[v] = per_mesh_vertex[v].*component;
  return column(m, std::move(name), Type::kFloat, values);
}

}  // namespace

std::vector<FieldColumn> field_columns(const MeshMeasurement& m) {
  std::vector<FieldColumn> columns;
  FieldColumn index{"vertex", Type::kIndex, std::vector<double>(m.mesh_vertex.size())};
  for (std::size_t i = 0; i < index.values.size(); ++i)
    index.values[i] = static_cast<double>(i);
  columns.push_back(std::move(index));
  const Component xyz[] = {&Vec3f::x, &Vec3f::y, &Vec3f::z};
  const char* const axes[] = {"x", "y", "z"};
  for (int a = 0; a < 3; ++a)
    columns.push_back(component_column(m, axes[a], m.positions, xyz[a]));

  // Columns that depend on epsilon stand once per epsilon, with "_eps" and its text appended
  // when there are several.
  const bool several = m.epsilons.size() > 1;
  const auto per_epsilon =
      [&](const std::string& name,
          const std::function<FieldColumn(const EpsilonMeasurement&, std::string)>& make) {
        for (const EpsilonMeasurement& e : m.epsilons)
          columns.push_back(make(e, several ? name + "_eps" + e.epsilon.text : name));
      };
  for (int a = 0; a < 3; ++a) {
    per_epsilon(std::string("s") + axes[a], [&](const EpsilonMeasurement& e, std::string name) {
      return component_column(m, std::move(name), e.fields.smoothed_positions, xyz[a]);
    });
  }
  columns.push_back(column(m, "kmin", Type::kDouble, m.kmin));
  columns.push_back(column(m, "kmax", Type::kDouble, m.kmax));
  per_epsilon("kmin_s", [&](const EpsilonMeasurement& e, std::string name) {
    return column(m, std::move(name), Type::kDouble, e.fields.smoothed_kmin);
  });
  per_epsilon("kmax_s", [&](const EpsilonMeasurement& e, std::string name) {
    return column(m, std::move(name), Type::kDouble, e.fields.smoothed_kmax);
  });
  per_epsilon("local_curvature", [&](const EpsilonMeasurement& e, std::string name) {
    return column(m, std::move(name), Type::kDouble, e.fields.local_curvature);
  });
  per_epsilon("local_curvature_s", [&](const EpsilonMeasurement& e, std::string name) {
    return column(m, std::move(name), Type::kDouble, e.fields.smoothed_local_curvature);
  });
  per_epsilon("roughness", [&](const EpsilonMeasurement& e, std::string name) {
    return column(m, std::move(name), Type::kFloat, e.roughness);
  });
  return columns;
}

}  // namespace meshprobe
