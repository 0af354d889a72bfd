#include "win32/settings/settings_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "testing/memory_registry.h"

namespace ambervale {
namespace {

constexpr char kPath[] = "Software\\Ambervale\\";
const std::vector<std::string> kValueOrder = {"Size",    "Algorithm", "Transparent",    "Fast",
                                              "Color_s", "Key_Exit",  "Rands_Algorithm"};

struct Stored {
  uint32_t size, algorithm, opacity, fast, color, key_exit, random;
};

struct Fields {
  uint8_t size, algorithm, opacity, fast, color;
  bool key_exit, random;
};

constexpr Fields kDefaults = {12, 10, 8, 33, 3, true, true};

// Notes every key created; with a rival, another saver's first run completes its key between
// this one's draft and its rename.
class WatchedRegistry : public MemoryRegistry {
 public:
  bool rival = false;
  std::vector<std::string> created;
  std::unique_ptr<RegistryKey> CreateKey(const std::string& path) override {
    created.push_back(path);
    return MemoryRegistry::CreateKey(path);
  }
  bool RenameKey(const std::string& path, const std::string& new_name) override {
    if (rival)
      for (const std::string& name : kValueOrder) SetDwordValue(kPath, name, 1);
    return MemoryRegistry::RenameKey(path, new_name);
  }
  // Nothing but the settings key stays of what was created.
  void ExpectNoDraftLeft() const {
    for (const std::string& path : created) {
      if (path != kPath) {
        EXPECT_FALSE(KeyExists(path)) << path;
      }
    }
  }
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  void Store(const Stored& s) {
    const uint32_t numbers[] = {s.size, s.algorithm, s.opacity, s.fast, s.color, s.key_exit, s.random};
    for (size_t i = 0; i < kValueOrder.size(); ++i) registry_.SetDwordValue(kPath, kValueOrder[i], numbers[i]);
  }

  void Set(const Fields& f) {
    settings_.size = f.size;
    settings_.algorithm = f.algorithm;
    settings_.opacity = f.opacity;
    settings_.fast = f.fast;
    settings_.color = f.color;
    settings_.exit_on_input = f.key_exit;
    settings_.random_algorithm = f.random;
  }

  void ExpectFields(const Fields& f) const {
    EXPECT_EQ(settings_.size, f.size);
    EXPECT_EQ(settings_.algorithm, f.algorithm);
    EXPECT_EQ(settings_.opacity, f.opacity);
    EXPECT_EQ(settings_.fast, f.fast);
    EXPECT_EQ(settings_.color, f.color);
    EXPECT_EQ(settings_.exit_on_input, f.key_exit);
    EXPECT_EQ(settings_.random_algorithm, f.random);
  }

  // The key holds exactly the seven values, all REG_DWORD, in the store's order.
  void ExpectKeyHolds(const Stored& s) const {
    const uint32_t numbers[] = {s.size, s.algorithm, s.opacity, s.fast, s.color, s.key_exit, s.random};
    const auto values = registry_.Values(kPath);
    ASSERT_EQ(values.size(), kValueOrder.size());
    for (size_t i = 0; i < values.size(); ++i) {
      SCOPED_TRACE(kValueOrder[i]);
      EXPECT_EQ(values[i].name, kValueOrder[i]);
      EXPECT_EQ(values[i].type, kRegDword);
      const std::vector<uint8_t> bytes = {static_cast<uint8_t>(numbers[i]), static_cast<uint8_t>(numbers[i] >> 8),
                                          static_cast<uint8_t>(numbers[i] >> 16),
                                          static_cast<uint8_t>(numbers[i] >> 24)};
      EXPECT_EQ(values[i].data, bytes);
    }
  }

  // Loads expecting RegistryError, and returns its message.
  std::string LoadFailure() {
    try {
      LoadSettings(settings_, registry_);
    } catch (const RegistryError& error) {
      return error.what();
    }
    ADD_FAILURE() << "LoadSettings did not raise";
    return {};
  }

  std::string SaveFailure(SaveKeyFailure mode = SaveKeyFailure::kRaise) {
    try {
      SaveSettings(settings_, registry_, mode);
    } catch (const RegistryError& error) {
      return error.what();
    }
    ADD_FAILURE() << "SaveSettings did not raise";
    return {};
  }

  void TearDown() override { EXPECT_EQ(registry_.OpenKeyCount(), 0) << "a key was left open"; }

  WatchedRegistry registry_;
  Settings settings_;
};

TEST_F(SettingsStoreTest, FirstRunCreatesTheKeyWithTheDefaults) {
  LoadSettings(settings_, registry_);
  ExpectFields(kDefaults);
  EXPECT_TRUE(registry_.KeyExists("Software\\Ambervale"));
  ExpectKeyHolds({12, 10, 8, 33, 3, 1, 1});
  EXPECT_EQ(registry_.WriteLog(), kValueOrder);

  // A second start reads them back and writes nothing.
  Settings second;
  LoadSettings(second, registry_);
  EXPECT_EQ(second.fast, 33);
  EXPECT_TRUE(second.random_algorithm);
  EXPECT_EQ(registry_.WriteLog().size(), kValueOrder.size());
}

TEST_F(SettingsStoreTest, NumbersThatAllTruncateToZeroMeanFirstRun) {
  const Stored cases[] = {
      {0, 0, 0, 0, 0, 0, 0},           // everything zero, booleans off
      {0, 256, 512, 768, 1024, 0, 1},  // each keeps a low byte of 0
      {0x7F00, 0xFF00, 0, 0x100, 0x10000, 5, 0},
  };
  for (const Stored& stored : cases) {
    SCOPED_TRACE(stored.algorithm);
    registry_.DeleteKey(kPath);
    Store(stored);
    Set({0, 0, 0, 0, 0, false, false});
    LoadSettings(settings_, registry_);
    ExpectFields(kDefaults);  // the booleans are overwritten with true as well
    ExpectKeyHolds({12, 10, 8, 33, 3, 1, 1});
  }
}

TEST_F(SettingsStoreTest, LoadKeepsEveryByteReadWithoutClamping) {
  // Algorithm 0 alone is no first run; 300 keeps 44; -1 keeps 255; 2 is true.
  Store({300, 0, 0xFFFFFFFFu, 50, 0x1F7, 2, 0});
  LoadSettings(settings_, registry_);
  ExpectFields({44, 0, 255, 50, 0xF7, true, false});
  EXPECT_TRUE(registry_.WriteLog().empty()) << "a complete load must not write";

  // One non-zero numeric setting, whichever it is, keeps everything that was read.
  for (int which = 0; which < 5; ++which) {
    Stored stored = {0, 0, 0, 0, 0, 0, 0};
    uint32_t* numbers[] = {&stored.size, &stored.algorithm, &stored.opacity, &stored.fast, &stored.color};
    *numbers[which] = 0x101;
    Store(stored);
    LoadSettings(settings_, registry_);
    EXPECT_EQ(settings_.size + settings_.algorithm + settings_.opacity + settings_.fast + settings_.color, 1) << which;
    EXPECT_FALSE(settings_.exit_on_input);
  }
  EXPECT_TRUE(registry_.WriteLog().empty());
  Store({300, 0, 0xFFFFFFFFu, 50, 0x1F7, 2, 0});
  LoadSettings(settings_, registry_);

  // A save writes the loaded bytes back, the boolean stored as 2 as 1, and Color_s untouched.
  SaveSettings(settings_, registry_);
  ExpectKeyHolds({44, 0, 255, 50, 0xF7, 1, 0});
}

TEST_F(SettingsStoreTest, ColorSurvivesLoadAndSaveForEveryByte) {
  for (uint32_t color : {1u, 3u, 0x80u, 0xFFu, 0x12345678u}) {
    Store({12, 10, 8, 33, color, 1, 1});
    LoadSettings(settings_, registry_);
    settings_.size = 5;  // the dialog changes another setting
    SaveSettings(settings_, registry_);
    ExpectKeyHolds({5, 10, 8, 33, color & 0xFF, 1, 1});
  }
}

TEST_F(SettingsStoreTest, MissingValueFailsAtThatValueAndKeepsWhatWasRead) {
  struct Case {
    const char* missing;
    Fields expected;  // starting from 1, 2, 3, 4, 5, false, false
  };
  const Case cases[] = {
      {"Size", {1, 2, 3, 4, 5, false, false}},
      {"Fast", {20, 7, 9, 4, 5, false, false}},
      {"Rands_Algorithm", {20, 7, 9, 40, 6, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    Store({20, 7, 9, 40, 6, 1, 1});
    registry_.DeleteValue(kPath, c.missing);
    Set({1, 2, 3, 4, 5, false, false});
    EXPECT_EQ(LoadFailure(), Format("Failed to get data for '%s'", c.missing));
    ExpectFields(c.expected);
    EXPECT_TRUE(registry_.WriteLog().empty());
  }
}

TEST_F(SettingsStoreTest, KeyWithoutValuesIsNeverRepairedByALoad) {
  registry_.AddKey(kPath);
  for (int start = 0; start < 2; ++start) {
    Set({0, 0, 0, 0, 0, false, false});
    EXPECT_EQ(LoadFailure(), "Failed to get data for 'Size'");
    ExpectFields({0, 0, 0, 0, 0, false, false});  // no defaults either
  }
  EXPECT_TRUE(registry_.Values(kPath).empty());

  // A save from the dialog writes all seven values and so repairs it.
  Set(kDefaults);
  SaveSettings(settings_, registry_);
  LoadSettings(settings_, registry_);
  ExpectFields(kDefaults);
}

TEST_F(SettingsStoreTest, AllZeroNumbersWithAFailingBooleanSkipTheDefaults) {
  Store({0, 0, 0, 0, 0, 1, 1});
  registry_.SetStringValue(kPath, "Key_Exit", "on");
  EXPECT_EQ(LoadFailure(), "Invalid data type for 'Key_Exit'");
  ExpectFields({0, 0, 0, 0, 0, false, false});
  EXPECT_TRUE(registry_.WriteLog().empty());
}

TEST_F(SettingsStoreTest, ValuesThatAreNotFourByteDwords) {
  struct Case {
    uint32_t type;
    std::vector<uint8_t> data;
    const char* message;
    uint8_t fast;  // what Fast holds after the load (it starts at 4)
  };
  const Case cases[] = {
      {kRegSz, {'a', 'b', 'c', 0}, "Invalid data type for 'Fast'", 4},        // fits in four bytes
      {kRegSz, {'a', 'b', 'c', 'd', 0}, "Failed to get data for 'Fast'", 4},  // five bytes
      {kRegExpandSz, {'%', 'a', 0}, "Invalid data type for 'Fast'", 4},
      {kRegBinary, {1, 0, 0, 0}, "Invalid data type for 'Fast'", 4},
      {kRegDwordBigEndian, {0, 0, 0, 1}, "Invalid data type for 'Fast'", 4},
      {kRegDword, {1, 0, 0, 0, 0, 0, 0, 0}, "Failed to get data for 'Fast'", 4},
      {kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, "Failed to get data for 'Fast'", 4},
      // A REG_DWORD shorter than four bytes reads as its bytes zero-extended.
      {kRegDword, {0x2A, 0x01}, nullptr, 0x2A},
      {kRegDword, {}, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << ", " << c.data.size() << " bytes");
    Store({20, 7, 9, 40, 6, 1, 1});
    registry_.SetValue(kPath, "Fast", c.type, c.data);
    Set({1, 2, 3, 4, 5, false, false});
    if (c.message) {
      EXPECT_EQ(LoadFailure(), c.message);
      ExpectFields({20, 7, 9, c.fast, 5, false, false});
    } else {
      LoadSettings(settings_, registry_);
      ExpectFields({20, 7, 9, c.fast, 6, true, true});
    }
  }
}

TEST_F(SettingsStoreTest, KeyThatMayOnlyBeReadLoadsAndIsNeverWritten) {
  Store({20, 7, 9, 40, 6, 0, 0});
  registry_.SetReadOnly(kPath);
  LoadSettings(settings_, registry_);
  ExpectFields({20, 7, 9, 40, 6, false, false});
  // All zero: the defaults hold for this run only, silently.
  Store({0, 0, 0, 0, 0, 0, 0});
  LoadSettings(settings_, registry_);
  ExpectFields(kDefaults);
  ExpectKeyHolds({0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(registry_.WriteLog().empty());
}

TEST_F(SettingsStoreTest, FirstRunLosingTheRaceKeepsTheOtherSaversKey) {
  registry_.rival = true;
  LoadSettings(settings_, registry_);
  ExpectFields(kDefaults);
  ExpectKeyHolds({1, 1, 1, 1, 1, 1, 1});
  registry_.ExpectNoDraftLeft();
}

TEST_F(SettingsStoreTest, SaveToAKeyThatCannotBeOpenedIsReportedUnlessAskedNotTo) {
  registry_.AddKey("Software");
  registry_.SetReadOnly("Software");  // the settings key cannot even be created
  Set(kDefaults);
  EXPECT_EQ(SaveFailure(), "Failed to open key 'HKEY_CURRENT_USER\\Software\\Ambervale\\' for writing");
  SaveSettings(settings_, registry_, SaveKeyFailure::kIgnore);
  EXPECT_FALSE(registry_.KeyExists(kPath));

  registry_.SetReadOnly("Software", false);
  registry_.SetDwordValue(kPath, "Size", 1);
  registry_.SetReadOnly(kPath);
  EXPECT_EQ(SaveFailure(), "Failed to open key 'HKEY_CURRENT_USER\\Software\\Ambervale\\' for writing");
  EXPECT_TRUE(registry_.WriteLog().empty());
}

TEST_F(SettingsStoreTest, FailedWriteStopsTheSaveAfterTheValuesBeforeIt) {
  registry_.FailWritesOf("Fast");
  Set({20, 7, 9, 40, 6, true, false});
  EXPECT_EQ(SaveFailure(), "Failed to set data for 'Fast'");
  EXPECT_EQ(registry_.WriteLog(), (std::vector<std::string>{"Size", "Algorithm", "Transparent"}));

  // The first-run write reports it too, through the load,
  registry_.DeleteKey(kPath);
  Set({0, 0, 0, 0, 0, false, false});
  EXPECT_EQ(LoadFailure(), "Failed to set data for 'Fast'");
  ExpectFields(kDefaults);
  // and leaves no key at all: the next run is a first run again.
  EXPECT_FALSE(registry_.KeyExists(kPath));
  registry_.ExpectNoDraftLeft();
}

TEST_F(SettingsStoreTest, KeyAndValueNamesIgnoreCase) {
  registry_.SetDwordValue("SOFTWARE\\AMBERVALE", "size", 3);
  for (size_t i = 1; i < kValueOrder.size(); ++i) registry_.SetDwordValue("software\\ambervale", kValueOrder[i], 1);
  LoadSettings(settings_, registry_);
  ExpectFields({3, 1, 1, 1, 1, true, true});
  SaveSettings(settings_, registry_);
  EXPECT_EQ(registry_.Values(kPath).size(), kValueOrder.size());
}

TEST(RegistryAccessorTest, ClosesItsKeyAndFailsCleanlyWithoutOne) {
  MemoryRegistry registry;
  {
    RegistryAccess accessor(registry);
    EXPECT_THROW(accessor.ReadInteger("Size"), RegistryError);
    EXPECT_THROW(accessor.WriteInteger("Size", 1), RegistryError);
    EXPECT_FALSE(accessor.OpenKey(kSettingsKey, false));
    EXPECT_TRUE(accessor.OpenKey(kSettingsKey, true));
    EXPECT_TRUE(accessor.OpenKey("\\Software", false));  // reopening closes the key held
    EXPECT_EQ(registry.OpenKeyCount(), 1);
  }
  EXPECT_EQ(registry.OpenKeyCount(), 0);
  EXPECT_TRUE(registry.KeyExists(kPath));

  // A REG_DWORD shorter than four bytes reads zero-extended, whatever the buffer held before.
  registry.SetValue(kPath, "Short", kRegDword, {0x2A, 0x01});
  registry.SetDwordValue(kPath, "Long", 0xFFFFFFFFu);
  RegistryAccess accessor(registry);
  ASSERT_TRUE(accessor.OpenKey(kSettingsKey, false));
  EXPECT_EQ(accessor.ReadInteger("Long"), -1);
  EXPECT_EQ(accessor.ReadInteger("Short"), 0x012A);
}

TEST(MemoryRegistryTest, MalformedPathsAndDeletedKeys) {
  MemoryRegistry registry;
  EXPECT_EQ(registry.CreateKey("\\Software"), nullptr);  // absolute forms are the caller's job
  EXPECT_EQ(registry.OpenKey("Software\\"), nullptr);
  EXPECT_NE(registry.OpenKey(""), nullptr);  // the root itself
  EXPECT_FALSE(registry.KeyExists("Software"));

  auto orphan = registry.CreateKey("A\\B");
  ASSERT_NE(orphan, nullptr);
  registry.DeleteKey("A");
  DwordBuffer data{};
  uint32_t type = 0;
  EXPECT_FALSE(orphan->SetDword("x", 1));  // the key was deleted under it
  EXPECT_FALSE(orphan->QueryValue("x", data, type));
}

}  // namespace
}  // namespace ambervale
