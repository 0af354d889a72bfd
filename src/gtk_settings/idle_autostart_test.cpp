#include "gtk_settings/idle_autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ambervale {
namespace {

TEST(IdleAutostart, TheEntryIsWrittenReadBackAndRemovedForOff) {
  char name[] = "/tmp/ambervale-idle-test.XXXXXX";
  const std::string folder = mkdtemp(name);
  const std::string path = IdleAutostartPath(folder + "/config/ambervale/ambervale.conf");
  EXPECT_EQ(path, folder + "/config/autostart/ambervale-wayland-idle.desktop");
  ASSERT_EQ(SetIdleAutostart(path, 5), "");
  std::ifstream entry(path);
  const std::string text((std::istreambuf_iterator<char>(entry)), {});
  EXPECT_NE(text.find("\nExec=ambervale-wayland --idle 300\n"), std::string::npos);
  EXPECT_EQ(IdleMinutesOf(text), 5);
  ASSERT_EQ(SetIdleAutostart(path, 0), "");
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(SetIdleAutostart(path, 0), "");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace ambervale
