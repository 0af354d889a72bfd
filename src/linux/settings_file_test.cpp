#include "linux/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace ambervale {
namespace {

std::string Described(const SettingsFile& file) {
  std::string lines;
  for (const SkippedLine& line : file.Skipped()) lines += DescribeSkippedLine("a.conf", line) + "\n";
  return lines;
}

TEST(SettingsFile, ReadsEverySettingAndSkipsBadLinesByNumber) {
  const SettingsFile file(
      "# comment\n\n size = 5 \nalgorithm=3\nrandom = no\nfast = 99\ntransparent = 2\r\nfps = on\n"
      "desktop-picture = yes\nbogus = 1\nsize = big\nrandom = maybe\njust text\nhelp = 1\n\x1b[2J = 1\n");
  const LinuxSettings& s = file.Values();
  EXPECT_EQ(s.size, 5);
  EXPECT_EQ(s.algorithm, 3);
  EXPECT_FALSE(s.random_algorithm);
  EXPECT_EQ(s.fast, 50);  // pulled into range, as on the command line
  EXPECT_EQ(s.opacity, 2);
  EXPECT_TRUE(s.show_fps);
  EXPECT_EQ(s.desktop_picture, true);
  EXPECT_EQ(Described(file),
            "a.conf:10: unknown setting 'bogus'; line skipped\n"
            "a.conf:11: 'big' is not a whole number; line skipped\n"
            "a.conf:12: 'maybe' is not true or false; line skipped\n"
            "a.conf:13: expected 'key = value'; line skipped\n"
            "a.conf:14: unknown setting 'help'; line skipped\n"
            "a.conf:15: unknown setting '?[2J'; line skipped\n");
}

TEST(SettingsFile, RenderChangesOnlyTheValuesAndKeepsEveryOtherLine) {
  const SettingsFile file(
      "# my settings\nsize = 14\nsize = huge\nidle = 300\nfps = true\nrandom=off\nlock-on-end = yes\n");
  LinuxSettings values = file.Values();
  EXPECT_EQ(values.size, 14);
  EXPECT_EQ(values.lock_on_end, true);
  values.size = 20;
  values.random_algorithm = true;
  values.desktop_picture = true;
  values.lock_on_end = false;
  const std::string text = file.Render(values);
  EXPECT_EQ(text,
            "# my settings\nsize = 20\nsize = huge\nidle = 300\nfps = true\nrandom = true\nlock-on-end = false\n"
            "algorithm = 10\ntransparent = 8\nfast = 33\ndesktop-picture = true\n");
  // What was written reads back as the values shown, the bad lines named again.
  const SettingsFile again(text);
  EXPECT_EQ(static_cast<const Settings&>(again.Values()), static_cast<const Settings&>(values));
  EXPECT_EQ(again.Values().desktop_picture, true);
  EXPECT_EQ(again.Skipped().size(), 2u);

  // A new file gets a header and every value, the desktop picture and lock-on-end only when set.
  const std::string fresh = SettingsFile().Render(LinuxSettings{});
  EXPECT_EQ(fresh.substr(0, 1), "#");
  EXPECT_NE(fresh.find("\nsize = 12\nalgorithm = 10\ntransparent = 8\nfast = 33\nrandom = true\n"), std::string::npos);
  EXPECT_EQ(fresh.find("desktop-picture"), std::string::npos);
  EXPECT_EQ(fresh.find("lock-on-end"), std::string::npos);
}

TEST(SettingsFile, PathFollowsTheXdgRules) {
  EXPECT_EQ(SettingsFilePath("/x/cfg", "/home/u"), "/x/cfg/ambervale/ambervale.conf");
  EXPECT_EQ(SettingsFilePath("relative", "/home/u"), "/home/u/.config/ambervale/ambervale.conf");
  EXPECT_EQ(SettingsFilePath(nullptr, nullptr), "");
}

class SettingsFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/ambervale-settings-test.XXXXXX";
    folder_ = mkdtemp(name);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string folder_;
};

TEST_F(SettingsFileOnDisk, CommandLineOverridesTheFileAndRejectsX11Flags) {
  const std::string path = folder_ + "/ambervale.conf";
  std::ofstream(path) << "size = 4\ndesktop-picture = true\nfps = false\nfast = x\nrandom = true\nalgorithm = 3\n";
  // A value the command line gives wins even where it is the default (random off, Fast 33).
  const char* argv[] = {"ambervale-wayland", "--no-desktop-picture", "--fast", "33", "--no-random", "--fps",
                        "--lock-on-end"};
  LinuxOptionsResult r =
      WithSettingsFile(ParseLinuxOptions(7, argv, LinuxProgram::kWayland), LinuxProgram::kWayland, path);
  EXPECT_FALSE(r.exit_code);
  EXPECT_EQ(r.options.settings.size, 4);
  EXPECT_EQ(r.options.settings.algorithm, 3);
  EXPECT_EQ(r.options.settings.fast, 33);
  EXPECT_FALSE(r.options.settings.random_algorithm);
  EXPECT_TRUE(r.options.settings.show_fps);
  EXPECT_EQ(r.options.settings.desktop_picture, false);
  EXPECT_EQ(r.options.settings.lock_on_end, true);
  EXPECT_EQ(r.error, "ambervale-wayland: " + path + ":4: 'x' is not a whole number; line skipped\n");

  const char* x11[] = {"ambervale-wayland", "--root"};
  r = WithSettingsFile(ParseLinuxOptions(2, x11, LinuxProgram::kWayland), LinuxProgram::kWayland, path);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.error.find("usage: ambervale-wayland"), std::string::npos);
  const char* valued[] = {"ambervale-wayland", "--desktop-picture=1"};
  EXPECT_EQ(
      WithSettingsFile(ParseLinuxOptions(2, valued, LinuxProgram::kWayland), LinuxProgram::kWayland, path).exit_code,
      2);

  // No file: the defaults, the desktop picture unset, nothing said.
  const char* none[] = {"ambervale"};
  r = WithSettingsFile(ParseLinuxOptions(1, none, LinuxProgram::kX11Hack), LinuxProgram::kX11Hack,
                       folder_ + "/missing.conf");
  EXPECT_FALSE(r.exit_code);
  EXPECT_EQ(r.error, "");
  EXPECT_FALSE(r.options.settings.desktop_picture.has_value());
  EXPECT_EQ(r.options.settings.size, 12);
}

TEST_F(SettingsFileOnDisk, SaveMakesTheFoldersReplacesTheFileWholeAndLeavesNothingElse) {
  const std::string path = folder_ + "/config/ambervale/ambervale.conf";
  const SettingsFileRead missing = ReadSettingsFile(path);
  EXPECT_TRUE(missing.Readable());
  EXPECT_EQ(missing.file.Values(), LinuxSettings{});

  ASSERT_EQ(SaveFileAtomically(path, "size = 3\n"), "");
  ASSERT_EQ(SaveFileAtomically(path, "size = 4\n"), "");
  EXPECT_EQ(ReadSettingsFile(path).file.Values().size, 4);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ + "/config/ambervale"), {}), 1);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  // A file where the folder should be: named, nothing written.
  EXPECT_NE(SaveFileAtomically(path + "/ambervale.conf", "size = 1\n"), "");
}

// Unreadable is never missing: the window may not replace it, the savers say so and keep the
// defaults.
TEST_F(SettingsFileOnDisk, AFileThatCannotBeReadIsReportedNotTakenForMissing) {
  const std::string big = folder_ + "/big.conf";
  std::ofstream(big) << "size = 3\n" << std::string(64 * 1024, '#');
  for (const std::string& path : {folder_, big}) {
    const SettingsFileRead read = ReadSettingsFile(path);
    EXPECT_FALSE(read.Readable()) << path;
    EXPECT_NE(read.error.find(path), std::string::npos);
    EXPECT_EQ(read.file.Values(), LinuxSettings{});
    const char* argv[] = {"ambervale"};
    const LinuxOptionsResult r =
        WithSettingsFile(ParseLinuxOptions(1, argv, LinuxProgram::kX11Hack), LinuxProgram::kX11Hack, path);
    EXPECT_FALSE(r.exit_code);
    EXPECT_EQ(r.error, "ambervale: " + read.error + "; using the defaults\n");
  }
}

}  // namespace
}  // namespace ambervale
