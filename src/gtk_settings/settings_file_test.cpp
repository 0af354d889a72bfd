#include "gtk_settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "gtk_settings/idle_autostart.h"

namespace ambervale {
namespace {

constexpr std::string_view kEdited =
    "# my settings\n"
    "size = 14\n"
    "size = huge\n"
    "idle = 300\n"
    "fps = true\n"
    "random=off\n";

TEST(SettingsFile, SaveChangesOnlyTheValuesAndKeepsEveryOtherLine) {
  const SettingsFile file(kEdited, "a.conf");
  EXPECT_EQ(file.Values().settings.size, 14);
  EXPECT_FALSE(file.Values().settings.random_algorithm);
  EXPECT_EQ(file.Warnings(),
            "ambervale-wayland: a.conf:3: 'huge' is not a whole number (--size=huge); line skipped\n"
            "ambervale-wayland: a.conf:4: unknown setting 'idle'; line skipped\n");

  FileSettings values = file.Values();
  values.settings.size = 20;
  values.settings.random_algorithm = true;
  values.desktop_picture = true;
  EXPECT_EQ(file.Render(values),
            "# my settings\n"
            "size = 20\n"
            "size = huge\n"
            "idle = 300\n"
            "fps = true\n"
            "random = true\n"
            "algorithm = 10\n"
            "transparent = 8\n"
            "fast = 33\n"
            "desktop-picture = true\n");
  // What was written reads back as the values shown, the bad lines named again.
  const SettingsFile again(file.Render(values), "a.conf");
  EXPECT_EQ(again.Values().settings, values.settings);
  EXPECT_EQ(again.Values().desktop_picture, true);
  EXPECT_NE(again.Warnings().find("a.conf:3:"), std::string::npos);
}

TEST(SettingsFile, ANewFileGetsEveryValueAndTheDesktopPictureOnlyWhenShown) {
  const std::string text = SettingsFile().Render(FileSettings{});
  EXPECT_EQ(text.substr(0, 1), "#");
  EXPECT_NE(text.find("\nsize = 12\nalgorithm = 10\ntransparent = 8\nfast = 33\nrandom = true\n"), std::string::npos);
  EXPECT_EQ(text.find("desktop-picture"), std::string::npos);
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

TEST_F(SettingsFileOnDisk, SaveMakesTheFoldersReplacesTheFileWholeAndLeavesNothingElse) {
  const std::string path = folder_ + "/config/ambervale/ambervale.conf";
  SettingsFileLoad missing = LoadSettingsFile(path);
  EXPECT_TRUE(missing.readable);
  EXPECT_EQ(missing.file.Values().settings, FileSettings{}.settings);

  ASSERT_EQ(SaveFileAtomically(path, "size = 3\n"), "");
  ASSERT_EQ(SaveFileAtomically(path, "size = 4\n"), "");
  EXPECT_EQ(LoadSettingsFile(path).file.Values().settings.size, 4);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ + "/config/ambervale"), {}), 1);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(SettingsFileOnDisk, AFileThatCannotBeReadIsNotOfferedForReplacing) {
  SettingsFileLoad folder = LoadSettingsFile(folder_);
  EXPECT_FALSE(folder.readable);
  EXPECT_NE(folder.error.find(folder_), std::string::npos);
  std::ofstream(folder_ + "/big") << std::string(2 * 1024 * 1024, '#');
  EXPECT_FALSE(LoadSettingsFile(folder_ + "/big").readable);
  // A file where the folder should be: named, nothing written.
  std::ofstream(folder_ + "/plain") << "x";
  EXPECT_NE(SaveFileAtomically(folder_ + "/plain/ambervale.conf", "size = 1\n"), "");
}

TEST_F(SettingsFileOnDisk, TheIdleEntryIsWrittenReadBackAndRemovedForOff) {
  const std::string path = IdleAutostartPath(folder_ + "/config/ambervale/ambervale.conf");
  EXPECT_EQ(path, folder_ + "/config/autostart/ambervale-wayland-idle.desktop");
  ASSERT_EQ(SetIdleAutostart(path, 5), "");
  std::ifstream entry(path);
  const std::string text((std::istreambuf_iterator<char>(entry)), {});
  EXPECT_NE(text.find("\nExec=ambervale-wayland --idle 300\n"), std::string::npos);
  EXPECT_EQ(IdleMinutesOf(text), 5);
  ASSERT_EQ(SetIdleAutostart(path, 0), "");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(SetIdleAutostart(path, 0), "");
}

}  // namespace
}  // namespace ambervale
