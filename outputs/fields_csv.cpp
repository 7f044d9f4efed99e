#include "outputs/fields_csv.h"

#include <cmath>
#include <cstdio>

#include "outputs/atomic_file.h"

namespace meshprobe {

bool write_fields_csv(const MeshMeasurement& measurement, const std::string& path) {
  const std::vector<FieldColumn> columns = field_columns(measurement);
  AtomicFile file(path);
  if (!file.is_open()) return false;
  std::FILE* out = file.stream();
  for (std::size_t c = 0; c < columns.size(); ++c)
    std::fprintf(out, "%s%s", c == 0 ? "" : ",", columns[c].name.c_str());
  std::fputc('\n', out);
  const std::size_t rows = columns.empty() ? 0 : columns[0].values.size();
  for (std::size_t row = 0; row < rows; ++row) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const double value = columns[c].values[row];
      const char* separator = c == 0 ? "" : ",";
      // A NaN may carry a sign, which printf would show as "-nan"; every one is "nan" here.
      if (std::isnan(value)) {
        std::fprintf(out, "%snan", separator);
      } else if (columns[c].type == FieldColumn::Type::kIndex) {
        std::fprintf(out, "%s%.0f", separator, value);
      } else {
        std::fprintf(out, columns[c].type == FieldColumn::Type::kFloat ? "%s%.9g" : "%s%.17g",
                     separator, value);
      }
    }
    std::fputc('\n', out);
  }
  return file.commit();
}

}  // namespace meshprobe
