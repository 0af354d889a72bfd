#include <gtest/gtest.h>

#include "leaf_model.h"

namespace leafgen {
namespace {

TEST(Pictures, TwentyFiveInOrder) {
  ASSERT_EQ(Pictures().size(), 25u);
  for (size_t i = 0; i < Pictures().size(); ++i) EXPECT_EQ(Pictures()[i].index, static_cast<int>(i) + 1);
}

}  // namespace
}  // namespace leafgen
