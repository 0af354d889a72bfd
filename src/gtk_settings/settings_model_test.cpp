#include "gtk_settings/settings_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ambervale {
namespace {

class SettingsModelTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/ambervale-model-test.XXXXXX";
    folder_ = mkdtemp(name);
    path_ = folder_ + "/ambervale.conf";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  void Write(const std::string& text) { std::ofstream(path_) << text; }
  std::string Read() const {
    std::ifstream file(path_);
    return std::string((std::istreambuf_iterator<char>(file)), {});
  }

  std::string folder_;
  std::string path_;
};

TEST_F(SettingsModelTest, ChangesArePulledIntoRangeAndSaveKeepsTheFilesOtherLines) {
  Write("# mine\nsize = 14\nfuture-setting = 7\n");
  SettingsModel model(path_);
  EXPECT_FALSE(model.Change(SettingId::kSize, 14));  // no change: the preview goes on
  EXPECT_TRUE(model.Change(SettingId::kSize, 17));
  EXPECT_TRUE(model.Change(SettingId::kFast, 500));
  EXPECT_EQ(model.Values().fast, SpecOf(SettingId::kFast).max);
  const SettingsModel::Status saved = model.Save();
  EXPECT_FALSE(saved.problem);
  EXPECT_EQ(saved.text, "Saved to " + path_);
  EXPECT_TRUE(Read().starts_with("# mine\nsize = 17\nfuture-setting = 7\n")) << Read();
  EXPECT_NE(Read().find("\nfast = 50\n"), std::string::npos);

  // The next Save edits what the last one wrote: each value stays on one line.
  model.Change(SettingId::kFast, 3);
  model.Save();
  EXPECT_EQ(SettingsFile(Read()).Values().fast, 3);
  EXPECT_EQ(Read().find("fast = 50"), std::string::npos);
}

TEST_F(SettingsModelTest, SaveIsOffWhereItWouldLoseOrHasNoPlace) {
  EXPECT_FALSE(SettingsModel("").CanSave());
  EXPECT_NE(SettingsModel("").Problems(), "");

  std::filesystem::create_directory(path_);  // a settings file that cannot be read
  SettingsModel unreadable(path_);
  EXPECT_FALSE(unreadable.CanSave());
  EXPECT_NE(unreadable.Problems().find("Save is off"), std::string::npos);
  EXPECT_TRUE(unreadable.Save().problem);
  std::filesystem::remove(path_);

  Write("size = 3\n");
  SettingsModel failed(path_);
  EXPECT_TRUE(failed.CanSave());
  failed.Change(SettingId::kSize, 9);
  failed.Stop();
  EXPECT_FALSE(failed.CanSave());
  EXPECT_TRUE(failed.Save().problem);
  EXPECT_EQ(Read(), "size = 3\n");
}

}  // namespace
}  // namespace ambervale
