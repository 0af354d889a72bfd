#include "run/saver_startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"

namespace ambervale {
namespace {

TEST(RunModeTest, FirstCharacterDroppedNextUpperCased) {
  for (const char* arg : {"/s", "-s", "/S", "xs"}) EXPECT_EQ(ParseRunMode(arg), 'S') << arg;
  EXPECT_EQ(ParseRunMode("/z"), 'Z');
  for (const char* arg : {"/c", "/C", "/c:1234"}) EXPECT_EQ(ParseRunMode(arg), 'C') << arg;
  EXPECT_EQ(ParseRunMode("/a"), 'A');
  EXPECT_EQ(ParseRunMode("/p"), 'P');
  EXPECT_EQ(ParseRunMode("s"), 0);
  EXPECT_EQ(ParseRunMode(""), 0);
  // Only a..z change case.
  EXPECT_EQ(ParseRunMode("/1"), '1');
  EXPECT_EQ(ParseRunMode("/\xe9"), '\xe9');
}

TEST(PreviewHandleTest, DecimalIntegersAndTheConversionMessage) {
  EXPECT_EQ(ParsePreviewHandle("1234"), 1234);
  EXPECT_EQ(ParsePreviewHandle("  -7"), -7);
  EXPECT_EQ(ParsePreviewHandle("+2147483647"), 2147483647);
  EXPECT_EQ(ParsePreviewHandle("-2147483648"), INT32_MIN);
  for (const char* bad : {"abc", "", "12x", "2147483648", "-", "1 2", "99999999999999999999"}) {
    try {
      ParsePreviewHandle(bad);
      ADD_FAILURE() << bad;
    } catch (const ConvertError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(TickIntervalTest, PaceFromFastWithAFloor) {
  EXPECT_EQ(TickInterval(0), 102u);
  EXPECT_EQ(TickInterval(33), 36u);
  EXPECT_EQ(TickInterval(50), 2u);
  EXPECT_EQ(TickInterval(51), 2u);
  EXPECT_EQ(TickInterval(255), 2u);
}

}  // namespace
}  // namespace ambervale
