// The value file: one "%f \n" line per vertex, replaced only when complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "outputs/value_file.h"
#include "tests/support/shapes.h"

namespace meshprobe {
namespace {

TEST(ValueFile, OneFixedPointLinePerValueInOrder) {
  const std::vector<float> values = {0.0f, 0.25f, 1.5f, 0.0000001f};
  const std::string path = testing::scratch_folder("value-file") + "/out_labels.lb";
  ASSERT_TRUE(write_value_file(values, path));
  EXPECT_EQ(testing::read_file(path), "0.000000 \n0.250000 \n1.500000 \n0.000000 \n");
}

TEST(ValueFile, ReplacesAnExistingFileAndWritesAnEmptyOneForNoValues) {
  const std::string folder = testing::scratch_folder("value-file-replace");
  const std::string path = folder + "/out_labels.lb";
  testing::write_file(path, "old content that is longer than the new one\n");
  ASSERT_TRUE(write_value_file({}, path));
  EXPECT_EQ(testing::read_file(path), "");
  // Nothing but the value file is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(ValueFile, ReportsAFileThatCannotBeCreated) {
  EXPECT_FALSE(write_value_file({1.0f}, "/nonexistent/folder/x.lb"));
}

}  // namespace
}  // namespace meshprobe
