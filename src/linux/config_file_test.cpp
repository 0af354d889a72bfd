#include "linux/config_file.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

LinuxOptions Apply(const std::string& text, std::string& warnings) {
  return ApplyConfigText(text, "ambervale.conf", LinuxOptions{}, warnings, LinuxProgram::kWayland);
}

TEST(ConfigFile, ReadsEverySettingAndSkipsBadLinesByNumber) {
  std::string warnings;
  const LinuxOptions o = Apply(
      "# comment\n\n size = 5 \nalgorithm=3\nrandom = no\nfast = 99\ntransparent = 2\r\nfps = on\n"
      "desktop-picture = yes\nbogus = 1\nsize = big\nrandom = maybe\njust text\nhelp = 1\n\x1b[2J = 1\n",
      warnings);
  EXPECT_EQ(o.settings.size, 5);
  EXPECT_EQ(o.settings.algorithm, 3);
  EXPECT_FALSE(o.settings.random_algorithm);
  EXPECT_EQ(o.settings.fast, 50);  // pulled into range, as on the command line
  EXPECT_EQ(o.settings.transparent, 2);
  EXPECT_TRUE(o.settings.show_fps);
  EXPECT_EQ(o.desktop_picture, true);
  EXPECT_EQ(warnings,
            "ambervale-wayland: ambervale.conf:10: unknown setting 'bogus'; line skipped\n"
            "ambervale-wayland: ambervale.conf:11: 'big' is not a whole number (--size=big); line skipped\n"
            "ambervale-wayland: ambervale.conf:12: 'maybe' is not true or false; line skipped\n"
            "ambervale-wayland: ambervale.conf:13: expected 'key = value'; line skipped\n"
            "ambervale-wayland: ambervale.conf:14: unknown setting 'help'; line skipped\n"
            "ambervale-wayland: ambervale.conf:15: unknown setting '?[2J'; line skipped\n");
}

TEST(ConfigFile, CommandLineOverridesTheFileAndRejectsX11Flags) {
  const std::string path = ::testing::TempDir() + "ambervale-wayland-test.conf";
  FILE* file = std::fopen(path.c_str(), "w");
  std::fputs("size = 4\ndesktop-picture = true\nfps = false\n", file);
  std::fclose(file);
  const char* argv[] = {"ambervale-wayland", "--no-desktop-picture", "--fast", "10"};
  LinuxOptionsResult r = ReadLinuxOptions(4, argv, LinuxProgram::kWayland, path);
  EXPECT_FALSE(r.exit_code);
  EXPECT_EQ(r.options.settings.size, 4);
  EXPECT_EQ(r.options.settings.fast, 10);
  EXPECT_EQ(r.options.desktop_picture, false);

  const char* x11[] = {"ambervale-wayland", "--root"};
  r = ReadLinuxOptions(2, x11, LinuxProgram::kWayland, path);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.error.find("usage: ambervale-wayland"), std::string::npos);
  const char* valued[] = {"ambervale-wayland", "--desktop-picture=1"};
  EXPECT_EQ(ReadLinuxOptions(2, valued, LinuxProgram::kWayland, path).exit_code, 2);
  std::remove(path.c_str());

  // No file: the defaults, desktop pictures unset (the program's own default).
  const char* none[] = {"ambervale-wayland"};
  r = ReadLinuxOptions(1, none, LinuxProgram::kWayland, path);
  EXPECT_FALSE(r.exit_code);
  EXPECT_FALSE(r.options.desktop_picture.has_value());
  EXPECT_EQ(r.options.settings.size, 12);
}

TEST(ConfigFile, TheX11HackTakesTheSettingsAndPassesOverTheDesktopPictureQuietly) {
  std::string warnings;
  const LinuxOptions o = ApplyConfigText("size = 20\ndesktop-picture = true\nrandom = off\nfast = x\n", "a.conf",
                                         LinuxOptions{}, warnings, LinuxProgram::kX11Hack);
  EXPECT_EQ(o.settings.size, 20);
  EXPECT_FALSE(o.settings.random_algorithm);
  EXPECT_FALSE(o.desktop_picture.has_value());
  EXPECT_EQ(warnings, "ambervale: a.conf:4: 'x' is not a whole number (--fast=x); line skipped\n");
}

TEST(ConfigFile, PathFollowsTheXdgRules) {
  EXPECT_EQ(ConfigFilePath("/x/cfg", "/home/u"), "/x/cfg/ambervale/ambervale.conf");
  EXPECT_EQ(ConfigFilePath("relative", "/home/u"), "/home/u/.config/ambervale/ambervale.conf");
  EXPECT_EQ(ConfigFilePath(nullptr, nullptr), "");
}

}  // namespace
}  // namespace ambervale
