// The settings store against the real registry of the test run's own Wine prefix. Every test
// deletes the settings key before and after it runs, so these tests refuse to run anywhere
// else (on Windows, or in a Wine prefix that was not made for the test run).
#include "settings/win32/win_registry.h"
// clang-format off
#include <sddl.h>  // after windows.h, which it needs
// clang-format on

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/errors.h"
#include "settings/settings_store.h"

namespace ambervale {
namespace {

constexpr char kSubKey[] = "Software\\Ambervale";

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

bool InTestWinePrefix() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const bool under_wine =
      ntdll && reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")) != nullptr;
  const char* prefix = std::getenv("WINEPREFIX");
  return under_wine && prefix && *prefix;
}

// Replaces the key's access list (SDDL form); the owner may always do so.
bool SetSettingsKeyAccess(const char* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  bool done = ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                   &descriptor, nullptr) &&
              RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
  if (descriptor) LocalFree(descriptor);
  RegCloseKey(key);
  return done;
}

void DeleteSettingsKey() {
  SetSettingsKeyAccess("D:(A;;KA;;;WD)");  // a key left read-only could not be deleted
  const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, kSubKey);
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kSubKey);
  }
}

bool SettingsKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class WinRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!InTestWinePrefix()) GTEST_SKIP() << "only in the test run's own Wine prefix";
    DeleteSettingsKey();
    ASSERT_FALSE(SettingsKeyExists());
  }

  void TearDown() override {
    if (!InTestWinePrefix()) return;
    DeleteSettingsKey();
    EXPECT_FALSE(SettingsKeyExists());
  }

  // Writes straight through advapi32, as another program (or the user) would.
  void Put(const char* name, DWORD type, std::vector<BYTE> data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void PutDword(const char* name, DWORD value) {
    Put(name, REG_DWORD,
        {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
         static_cast<BYTE>(value >> 24)});
  }
  void PutAll(const std::vector<DWORD>& values) {
    const char* names[] = {"Size",    "Algorithm", "Transparent",    "Fast",
                           "Color_s", "Key_Exit",  "Rands_Algorithm"};
    for (size_t i = 0; i < values.size(); ++i) PutDword(names[i], values[i]);
  }

  // Everything the key holds, read back with the real API.
  std::map<std::string, RawValue> ReadAll() {
    std::map<std::string, RawValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return values;
    }
    for (DWORD index = 0;; ++index) {
      char name[256];
      DWORD name_size = sizeof name;
      RawValue value;
      value.data.resize(64);
      DWORD data_size = static_cast<DWORD>(value.data.size());
      if (RegEnumValueA(key, index, name, &name_size, nullptr, &value.type, value.data.data(),
                        &data_size) != ERROR_SUCCESS) {
        break;
      }
      value.data.resize(data_size);
      values[std::string(name, name_size)] = value;
    }
    RegCloseKey(key);
    return values;
  }

  void ExpectKeyHolds(const std::map<std::string, DWORD>& expected) {
    const auto values = ReadAll();
    EXPECT_EQ(values.size(), expected.size());
    for (const auto& [name, number] : expected) {
      SCOPED_TRACE(name);
      auto found = values.find(name);
      ASSERT_NE(found, values.end());
      EXPECT_EQ(found->second.type, static_cast<DWORD>(REG_DWORD));
      ASSERT_EQ(found->second.data.size(), 4u);
      DWORD stored = 0;
      memcpy(&stored, found->second.data.data(), 4);
      EXPECT_EQ(stored, number);
    }
  }

  std::string LoadFailure() {
    try {
      LoadSettings(*state_, root_);
    } catch (const ERegistryException& error) {
      return error.what();
    }
    return "(no error)";
  }

  WinRegistryRoot root_;
  std::unique_ptr<SaverState> state_ = std::make_unique<SaverState>();
};

const std::map<std::string, DWORD> kDefaultValues = {
    {"Size", 12},   {"Algorithm", 10}, {"Transparent", 8},     {"Fast", 33},
    {"Color_s", 3}, {"Key_Exit", 1},   {"Rands_Algorithm", 1},
};

TEST_F(WinRegistryTest, FirstRunCreatesTheKeyWithSevenDwords) {
  LoadSettings(*state_, root_);
  EXPECT_EQ(state_->Size, 12);
  EXPECT_EQ(state_->Algorithm, 10);
  EXPECT_EQ(state_->Transparent, 8);
  EXPECT_EQ(state_->Fast, 33);
  EXPECT_EQ(state_->Color_s, 3);
  EXPECT_TRUE(state_->Key_Exit);
  EXPECT_TRUE(state_->Rands_Algorithm);
  ExpectKeyHolds(kDefaultValues);

  // The next start reads them back.
  auto next = std::make_unique<SaverState>();
  LoadSettings(*next, root_);
  EXPECT_EQ(next->Fast, 33);
}

TEST_F(WinRegistryTest, AllZeroOrTruncatingToZeroWritesTheDefaults) {
  for (const std::vector<DWORD>& stored : {std::vector<DWORD>{0, 0, 0, 0, 0, 0, 0},
                                           std::vector<DWORD>{0, 256, 512, 768, 1024, 0, 0}}) {
    DeleteSettingsKey();
    PutAll(stored);
    state_ = std::make_unique<SaverState>();
    LoadSettings(*state_, root_);
    EXPECT_EQ(state_->Fast, 33);
    EXPECT_TRUE(state_->Key_Exit);
    ExpectKeyHolds(kDefaultValues);
  }
}

TEST_F(WinRegistryTest, BytesLoadUnclampedAndSaveBack) {
  PutAll({300, 0, 0xFFFFFFFFu, 50, 0x1F7, 2, 0});
  LoadSettings(*state_, root_);
  EXPECT_EQ(state_->Size, 44);
  EXPECT_EQ(state_->Algorithm, 0);
  EXPECT_EQ(state_->Transparent, 255);
  EXPECT_EQ(state_->Fast, 50);
  EXPECT_EQ(state_->Color_s, 0xF7);
  EXPECT_TRUE(state_->Key_Exit);
  EXPECT_FALSE(state_->Rands_Algorithm);
  ExpectKeyHolds({{"Size", 300},
                  {"Algorithm", 0},
                  {"Transparent", 0xFFFFFFFFu},
                  {"Fast", 50},
                  {"Color_s", 0x1F7},
                  {"Key_Exit", 2},
                  {"Rands_Algorithm", 0}});  // a complete load writes nothing

  SaveSettings(*state_, root_);
  ExpectKeyHolds({{"Size", 44},
                  {"Algorithm", 0},
                  {"Transparent", 255},
                  {"Fast", 50},
                  {"Color_s", 0xF7},
                  {"Key_Exit", 1},
                  {"Rands_Algorithm", 0}});
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
    state_ = std::make_unique<SaverState>();
    EXPECT_EQ(LoadFailure(), c.message);
    EXPECT_EQ(state_->Size, 20);
    EXPECT_EQ(state_->Algorithm, 7);
    EXPECT_EQ(state_->Transparent, 9);
    EXPECT_EQ(state_->Fast, 0);
    EXPECT_EQ(state_->Color_s, 0);
    EXPECT_FALSE(state_->Key_Exit);
  }

  // A REG_DWORD of two bytes reads as those bytes zero-extended.
  Put("Fast", REG_DWORD, {0x2A, 0x01});
  LoadSettings(*state_, root_);
  EXPECT_EQ(state_->Fast, 0x2A);
}

TEST_F(WinRegistryTest, KeyWithoutValuesFailsAtSizeUntilASaveRepairsIt) {
  Put("Unrelated", REG_DWORD, {1, 0, 0, 0});
  EXPECT_EQ(LoadFailure(), "Failed to get data for 'Size'");
  EXPECT_EQ(state_->Fast, 0);
  EXPECT_EQ(ReadAll().size(), 1u);

  state_->Size = 12;
  SaveSettings(*state_, root_);
  LoadSettings(*state_, root_);
  EXPECT_EQ(state_->Size, 12);
}

TEST_F(WinRegistryTest, KeyThatMayOnlyBeReadIsAFirstRunWhoseSaveFails) {
  PutAll({20, 7, 9, 40, 6, 0, 0});
  ASSERT_TRUE(SetSettingsKeyAccess("D:P(A;;KR;;;WD)"));
  LoadSettings(*state_, root_);  // treated as absent; the write-back fails silently
  EXPECT_EQ(state_->Size, 12);
  EXPECT_EQ(state_->Fast, 33);
  EXPECT_TRUE(state_->Key_Exit);
  ExpectKeyHolds({{"Size", 20},
                  {"Algorithm", 7},
                  {"Transparent", 9},
                  {"Fast", 40},
                  {"Color_s", 6},
                  {"Key_Exit", 0},
                  {"Rands_Algorithm", 0}});
  EXPECT_THROW(SaveSettings(*state_, root_), ERegistryException);
  EXPECT_EQ(ReadAll().at("Size").data[0], 20);
}

TEST_F(WinRegistryTest, RootThatCannotBeOpenedGivesDefaultsAndAReportedSave) {
  // A handle that names no key: every open and create fails.
  WinRegistryRoot broken(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x7FFFFFF0)));
  LoadSettings(*state_, broken);  // a first run whose write-back fails silently
  EXPECT_EQ(state_->Size, 12);
  EXPECT_TRUE(state_->Rands_Algorithm);
  try {
    SaveSettings(*state_, broken);
    ADD_FAILURE() << "the save reported success";
  } catch (const ERegistryException& error) {
    EXPECT_STREQ(error.what(),
                 "Failed to open key 'HKEY_CURRENT_USER\\Software\\Ambervale\\' for writing");
  }
  SaveSettings(*state_, broken, SaveKeyFailure::kIgnore);
  EXPECT_FALSE(SettingsKeyExists());
}

}  // namespace
}  // namespace ambervale
