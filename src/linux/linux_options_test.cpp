#include "linux/linux_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace ambervale {
namespace {

LinuxOptionsResult Parse(std::initializer_list<const char*> flags) {
  std::vector<const char*> argv{"ambervale"};
  argv.insert(argv.end(), flags);
  return ParseLinuxOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(LinuxOptions, StartsFromTheFirstRunValues) {
  const LinuxOptionsResult r = Parse({});
  ASSERT_FALSE(r.exit_code);
  for (const SettingSpec& spec : kSettingSpecs)
    EXPECT_EQ(ValueOf(r.options.settings, spec.id), spec.default_value) << spec.label;
  EXPECT_FALSE(r.options.settings.show_fps);
  EXPECT_EQ(r.options.target, WindowTarget::kOwnWindow);
  EXPECT_EQ(r.options.geometry.width, 1280);
  EXPECT_EQ(r.options.geometry.height, 720);
}

TEST(LinuxOptions, ReadsEverySettingInEitherSpelling) {
  const LinuxOptionsResult r =
      Parse({"-size", "3", "--algorithm=7", "--no-random", "--fast", "50", "-transparent=2", "--fps", "--root"});
  ASSERT_FALSE(r.exit_code) << r.error;
  EXPECT_EQ(r.options.settings.size, 3);
  EXPECT_EQ(r.options.settings.algorithm, 7);
  EXPECT_FALSE(r.options.settings.random_algorithm);
  EXPECT_EQ(r.options.settings.fast, 50);
  EXPECT_EQ(r.options.settings.opacity, 2);
  EXPECT_TRUE(r.options.settings.show_fps);
  EXPECT_EQ(r.options.target, WindowTarget::kRoot);
}

TEST(LinuxOptions, PullsValuesIntoTheSlidersRanges) {
  const LinuxOptionsResult r =
      Parse({"--size", "21", "--algorithm", "-1", "--fast", "99999999999999999999", "--transparent", "0"});
  ASSERT_FALSE(r.exit_code) << r.error;
  EXPECT_EQ(r.options.settings.size, 20);
  EXPECT_EQ(r.options.settings.algorithm, 0);
  EXPECT_EQ(r.options.settings.fast, 50);
  EXPECT_EQ(r.options.settings.opacity, 1);
}

TEST(LinuxOptions, BadCommandLinesExitTwoWithTheUsage) {
  for (auto flags : {std::initializer_list<const char*>{"--bogus"},
                     {"--size"},
                     {"--size", "12x"},
                     {"--fast", ""},
                     {"--size", "--fps"},
                     {"stray"},
                     {"--window-id", "0x"},
                     {"--window-id", "12junk"},
                     {"--window-id", "0"},
                     {"--geometry", "800"},
                     {"--geometry", "0x600"},
                     {"--fps=1"}}) {
    const LinuxOptionsResult r = Parse(flags);
    ASSERT_TRUE(r.exit_code) << *flags.begin();
    EXPECT_EQ(*r.exit_code, 2);
    EXPECT_NE(r.error.find("usage: ambervale"), std::string::npos);
    EXPECT_TRUE(r.output.empty());
  }
}

TEST(LinuxOptions, HelpPrintsTheUsageAndExitsZero) {
  const LinuxOptionsResult r = Parse({"--size", "3", "--help", "--bogus"});
  ASSERT_TRUE(r.exit_code);
  EXPECT_EQ(*r.exit_code, 0);
  EXPECT_EQ(r.output, LinuxUsage());
  EXPECT_TRUE(r.error.empty());
}

TEST(LinuxOptions, WindowIdsAndGeometry) {
  LinuxOptionsResult r = Parse({"--window-id", "0x2a00005", "--geometry", "640x480-10+20"});
  ASSERT_FALSE(r.exit_code) << r.error;
  EXPECT_EQ(r.options.target, WindowTarget::kWindowId);
  EXPECT_EQ(r.options.window_id, 0x2a00005u);
  EXPECT_EQ(r.options.geometry.width, 640);
  EXPECT_EQ(r.options.geometry.height, 480);
  EXPECT_EQ(r.options.geometry.x, -10);
  EXPECT_EQ(r.options.geometry.y, 20);
  EXPECT_TRUE(r.options.geometry.has_position);
  EXPECT_EQ(ParseWindowId("44040197"), 44040197u);
  EXPECT_EQ(ParseWindowId("0x100000000"), std::nullopt);
  EXPECT_EQ(ParseWindowId("-5"), std::nullopt);
}

// The idle watcher's time is no setting to pull into a range: outside it, the command line is bad.
// The saver it starts gets the command line without it, in every spelling, and nothing else lost.
TEST(LinuxOptions, IdleSecondsAndTheSaversCommandLine) {
  const auto wayland = [](std::vector<const char*> argv) {
    return ParseLinuxOptions(static_cast<int>(argv.size()), argv.data(), LinuxProgram::kWayland);
  };
  EXPECT_EQ(wayland({"w", "--idle", "300"}).options.idle_seconds, 300);
  EXPECT_EQ(wayland({"w", "-idle=86400"}).options.idle_seconds, 86400);
  for (const char* bad : {"0", "-5", "86401", "5m", ""}) EXPECT_EQ(wayland({"w", "--idle", bad}).exit_code, 2) << bad;
  EXPECT_EQ(Parse({"--idle", "300"}).exit_code, 2);  // the X11 hack has a daemon for that

  const char* argv[] = {"ambervale-wayland", "--fast", "40", "--idle", "300", "--fps", "-idle=9", "--no-random"};
  EXPECT_EQ(WithoutIdleOption(8, argv),
            (std::vector<std::string>{"ambervale-wayland", "--fast", "40", "--fps", "--no-random"}));
}

}  // namespace
}  // namespace ambervale
