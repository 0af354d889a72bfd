// The settings store against the real registry of the test run's own Wine prefix. Every test
// deletes the settings key before and after it runs, so these tests refuse to run anywhere
// else (on Windows, or in a Wine prefix that was not made for the test run).
#include "win32/win_registry.h"
// clang-format off
#include <sddl.h>  // after windows.h, which it needs
// clang-format on

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "win32/settings/settings_store.h"

namespace ambervale {
namespace {

constexpr char kSubKey[] = "Software\\Ambervale";
const char* const kNames[] = {"Size", "Algorithm", "Transparent", "Fast", "Color_s", "Key_Exit", "Rands_Algorithm"};
const std::vector<DWORD> kDefaultValues = {12, 10, 8, 33, 3, 1, 1};

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

bool InTestWinePrefix() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const bool under_wine = ntdll && reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")) != nullptr;
  const char* prefix = std::getenv("WINEPREFIX");
  return under_wine && prefix && *prefix;
}

// Replaces the key's access list (SDDL form); the owner may always do so.
bool SetSettingsKeyAccess(const char* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool done = ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr) &&
              RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  if (descriptor) LocalFree(descriptor);
  RegCloseKey(key);
  return done;
}

// Everything the settings key holds, read with the registry API; nothing when it is absent.
std::map<std::string, RawValue> ReadAll() {
  std::map<std::string, RawValue> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD name_size = sizeof name;
    RawValue value;
    value.data.resize(64);
    DWORD data_size = static_cast<DWORD>(value.data.size());
    if (RegEnumValueA(key, index, name, &name_size, nullptr, &value.type, value.data.data(), &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    value.data.resize(data_size);
    values[std::string(name, name_size)] = value;
  }
  RegCloseKey(key);
  return values;
}

class WinRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InTestWinePrefix()) GTEST_SKIP() << "only in the test run's own Wine prefix";
    DeleteSettingsKey();
  }
  void TearDown() override {
    if (InTestWinePrefix()) DeleteSettingsKey();
  }
  static void DeleteSettingsKey() {
    SetSettingsKeyAccess("D:(A;;KA;;;WD)");  // a key left read-only could not be deleted
    RegDeleteTreeA(HKEY_CURRENT_USER, kSubKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSubKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  }

  // Writes straight through advapi32, as another program (or the user) would.
  static void Put(const char* name, DWORD type, std::vector<BYTE> data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void PutAll(const std::vector<DWORD>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
      Put(kNames[i], REG_DWORD,
          {static_cast<BYTE>(values[i]), static_cast<BYTE>(values[i] >> 8), static_cast<BYTE>(values[i] >> 16),
           static_cast<BYTE>(values[i] >> 24)});
    }
  }

  // The key holds exactly the seven values, each a four-byte REG_DWORD.
  static void ExpectKeyHolds(const std::vector<DWORD>& expected) {
    const auto values = ReadAll();
    EXPECT_EQ(values.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(kNames[i]);
      auto found = values.find(kNames[i]);
      ASSERT_NE(found, values.end());
      EXPECT_EQ(found->second.type, static_cast<DWORD>(REG_DWORD));
      ASSERT_EQ(found->second.data.size(), 4u);
      DWORD stored = 0;
      memcpy(&stored, found->second.data.data(), 4);
      EXPECT_EQ(stored, expected[i]);
    }
  }

  std::string LoadFailure() {
    try {
      LoadSettings(settings_, root_);
    } catch (const RegistryError& error) {
      return error.what();
    }
    return "(no error)";
  }

  WinRegistryRoot root_;
  Settings settings_;
};

TEST_F(WinRegistryTest, FirstRunsWriteTheDefaults) {
  // No key, then a key whose five numbers all keep a low byte of zero.
  for (const std::vector<DWORD>& stored : {std::vector<DWORD>{}, std::vector<DWORD>{0, 256, 512, 768, 1024, 0, 0}}) {
    DeleteSettingsKey();
    PutAll(stored);
    settings_ = {};
    LoadSettings(settings_, root_);
    EXPECT_EQ(settings_, DefaultSettings());
    ExpectKeyHolds(kDefaultValues);
  }
}

TEST_F(WinRegistryTest, BytesLoadUnclampedAndSaveBack) {
  PutAll({300, 0, 0xFFFFFFFFu, 50, 0x1F7, 2, 0});
  LoadSettings(settings_, root_);
  EXPECT_EQ(settings_.size, 44);
  EXPECT_EQ(settings_.algorithm, 0);
  EXPECT_EQ(settings_.opacity, 255);
  EXPECT_EQ(settings_.color, 0xF7);
  EXPECT_TRUE(settings_.exit_on_input);
  EXPECT_FALSE(settings_.random_algorithm);
  ExpectKeyHolds({300, 0, 0xFFFFFFFFu, 50, 0x1F7, 2, 0});  // a complete load writes nothing

  SaveSettings(settings_, root_);
  ExpectKeyHolds({44, 0, 255, 50, 0xF7, 1, 0});
}

TEST_F(WinRegistryTest, ValuesThatCannotBeReadAsDwords) {
  struct Case {
    DWORD type;
    std::vector<BYTE> data;
    const char* message;
  };
  const Case cases[] = {
      {REG_SZ, {'a', 'b', 'c', 0}, "Invalid data type for 'Fast'"},
      {REG_SZ, {'a', 'b', 'c', 'd', 0}, "Failed to get data for 'Fast'"},
      {REG_BINARY, {1, 2, 3, 4}, "Invalid data type for 'Fast'"},
      {REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}, "Failed to get data for 'Fast'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << ", " << c.data.size() << " bytes");
    PutAll({20, 7, 9, 40, 6, 1, 1});
    Put("Fast", c.type, c.data);
    settings_ = {};
    EXPECT_EQ(LoadFailure(), c.message);
    EXPECT_EQ(settings_.opacity, 9);  // read before the failure
    EXPECT_EQ(settings_.fast, 0);
    EXPECT_EQ(settings_.color, 0);
  }

  // A REG_DWORD of two bytes reads as those bytes zero-extended.
  Put("Fast", REG_DWORD, {0x2A, 0x01});
  LoadSettings(settings_, root_);
  EXPECT_EQ(settings_.fast, 0x2A);
}

TEST_F(WinRegistryTest, KeyWithoutValuesFailsAtSizeUntilASaveRepairsIt) {
  Put("Unrelated", REG_DWORD, {1, 0, 0, 0});
  EXPECT_EQ(LoadFailure(), "Failed to get data for 'Size'");
  EXPECT_EQ(settings_.fast, 0);
  EXPECT_EQ(ReadAll().size(), 1u);

  settings_.size = 12;
  SaveSettings(settings_, root_);
  LoadSettings(settings_, root_);
  EXPECT_EQ(settings_.size, 12);
}

TEST_F(WinRegistryTest, KeyThatMayOnlyBeReadLoadsAndOnlyTheSaveFails) {
  PutAll({20, 7, 9, 40, 6, 0, 0});
  ASSERT_TRUE(SetSettingsKeyAccess("D:P(A;;KR;;;WD)"));
  LoadSettings(settings_, root_);
  EXPECT_EQ(settings_.size, 20);
  EXPECT_EQ(settings_.fast, 40);
  EXPECT_FALSE(settings_.exit_on_input);
  try {
    SaveSettings(settings_, root_);
    ADD_FAILURE() << "the save reported success";
  } catch (const RegistryError& error) {
    EXPECT_STREQ(error.what(), "Failed to open key 'HKEY_CURRENT_USER\\Software\\Ambervale\\' for writing");
  }
  ExpectKeyHolds({20, 7, 9, 40, 6, 0, 0});
}

// The first run's key comes whole by a rename; a name already taken is refused.
TEST_F(WinRegistryTest, RenameMovesAWholeKeyAndRefusesATakenName) {
  const std::string draft = std::string(kSubKey) + ".draft";
  RegDeleteTreeA(HKEY_CURRENT_USER, draft.c_str());
  ASSERT_NE(root_.CreateKey(draft), nullptr);
  ASSERT_TRUE(root_.CreateKey(draft)->SetDword("Size", 5));
  ASSERT_TRUE(root_.RenameKey(draft, "Ambervale"));
  ExpectKeyHolds({5});
  ASSERT_NE(root_.CreateKey(draft), nullptr);
  EXPECT_FALSE(root_.RenameKey(draft, "Ambervale"));
  root_.DeleteKey(draft);
  EXPECT_EQ(root_.OpenKey(draft), nullptr);
}

}  // namespace
}  // namespace ambervale
