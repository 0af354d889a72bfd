#include "x11/xscreensaver_prefs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace ambervale {
namespace {

TEST(XScreenSaverPrefs, ReadsTheValueInTheFormsTheFilesUse) {
  EXPECT_TRUE(GrabDesktopImagesFromText("grabDesktopImages:\tTrue\n", false));
  EXPECT_FALSE(GrabDesktopImagesFromText("*grabDesktopImages:\t\tFalse\n", true));
  EXPECT_TRUE(GrabDesktopImagesFromText("XScreenSaver.grabDesktopImages :  yes  \r\n", false));
  EXPECT_FALSE(GrabDesktopImagesFromText("  grabDesktopImages:NO", true));
  EXPECT_TRUE(GrabDesktopImagesFromText("grabDesktopImages: on", false));
}

TEST(XScreenSaverPrefs, SkipsCommentsOtherNamesAndBadValues) {
  const char* text =
      "! grabDesktopImages: True\n"
      "# grabDesktopImages: True\n"
      "grabDesktopImagesToo: True\n"
      "grabVideoFrames: True\n"
      "grabDesktopImages: maybe\n";
  EXPECT_FALSE(GrabDesktopImagesFromText(text, false));
  EXPECT_TRUE(GrabDesktopImagesFromText(text, true));
  EXPECT_FALSE(HasGrabDesktopImages(text));
  EXPECT_FALSE(HasGrabDesktopImages(""));
}

TEST(XScreenSaverPrefs, LastLineWinsAndContinuationsAreOneLine) {
  EXPECT_TRUE(GrabDesktopImagesFromText("grabDesktopImages: False\ngrabDesktopImages: True\n", false));
  // A program list continued over lines never sets the preference by its contents.
  EXPECT_FALSE(GrabDesktopImagesFromText("programs: foo \\\ngrabDesktopImages: True\n", false));
  EXPECT_TRUE(GrabDesktopImagesFromText("grabDesktop\\\nImages: True", false));
}

class PreferenceFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ambervale-prefs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
  std::string dir_;
};

TEST_F(PreferenceFilesTest, UserFileFirstThenAppDefaultsThenOff) {
  const std::string defaults = Write("XScreenSaver", "*grabDesktopImages: True\n");
  PreferenceFiles files = DefaultPreferenceFiles(dir_.c_str());
  EXPECT_EQ(files.user_file, dir_ + "/.xscreensaver");
  files.app_defaults = {dir_ + "/missing", defaults};
  EXPECT_TRUE(GrabDesktopImagesAllowed(files));  // no user file
  Write(".xscreensaver", "mode: one\n");
  EXPECT_TRUE(GrabDesktopImagesAllowed(files));  // the user file does not say
  Write(".xscreensaver", "grabDesktopImages: False\n");
  EXPECT_FALSE(GrabDesktopImagesAllowed(files));
  files.user_file = dir_;  // a folder, not a file
  EXPECT_TRUE(GrabDesktopImagesAllowed(files));
  files.app_defaults = {dir_ + "/missing"};
  EXPECT_FALSE(GrabDesktopImagesAllowed(files));
  EXPECT_TRUE(DefaultPreferenceFiles(nullptr).user_file.empty());
}

TEST(XScreenSaverPrefs, TheSettingsFileRulesWhereXScreenSaverDoesNotStartTheHack) {
  // Under MATE or Xfce (no XScreenSaver daemon), on its own, in Try's window: the file.
  EXPECT_TRUE(ReadsSettingsFile(WindowTarget::kRoot, true, false));
  EXPECT_TRUE(ReadsSettingsFile(WindowTarget::kWindowId, false, false));
  EXPECT_TRUE(ReadsSettingsFile(WindowTarget::kOwnWindow, false, true));
  EXPECT_TRUE(ReadsSettingsFile(WindowTarget::kRoot, false, true));
  // The daemon's window and xscreensaver-settings' preview: its settings page alone.
  EXPECT_FALSE(ReadsSettingsFile(WindowTarget::kRoot, true, true));
  EXPECT_FALSE(ReadsSettingsFile(WindowTarget::kWindowId, false, true));
}

}  // namespace
}  // namespace ambervale
