// The settings store against whatever another program (or a hand edit) may have left in the
// settings key: any of the seven values missing, of any type, of any size, under names of any
// case, next to stray values; the key absent or read-only; writes that fail.
// Every outcome is checked against the store's rules, worked out here from the registry's
// contents alone: the fields loaded, or the one error message and the fields read before it;
// no key is left open; a successful load survives a save and a second load unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "base/errors.h"
#include "fuzz/require.h"
#include "testing/memory_registry.h"
#include "win32/settings/settings_store.h"

using namespace ambervale;
using ambervale::fuzz::Require;

namespace {

constexpr char kKey[] = "Software\\Ambervale";
// Spelled out, not taken from the settings table: what earlier versions stored must still load.
constexpr std::array<const char*, 7> kNames = {"Size",    "Algorithm", "Transparent",    "Fast",
                                               "Color_s", "Key_Exit",  "Rands_Algorithm"};
constexpr uint32_t kTypes[] = {kRegNone,           kRegSz,      kRegExpandSz, kRegBinary, kRegDword,
                               kRegDwordBigEndian, kRegMultiSz, kRegQword};

struct Fields {
  std::array<int, 7> values{};  // Size, Algorithm, Transparent, Fast, Color_s, Key_Exit, Rands_Algorithm

  static Fields Of(const Settings& s) {
    return {{s.size, s.algorithm, s.opacity, s.fast, s.color, s.exit_on_input, s.random_algorithm}};
  }
  void Into(Settings& s) const {
    s.size = static_cast<uint8_t>(values[0]);
    s.algorithm = static_cast<uint8_t>(values[1]);
    s.opacity = static_cast<uint8_t>(values[2]);
    s.fast = static_cast<uint8_t>(values[3]);
    s.color = static_cast<uint8_t>(values[4]);
    s.exit_on_input = values[5] != 0;
    s.random_algorithm = values[6] != 0;
  }
  bool operator==(const Fields&) const = default;
};

struct Outcome {
  Fields fields;
  std::optional<std::string> error;
};

std::string ValueName(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return kNames[input.ConsumeIntegralInRange<size_t>(0, kNames.size() - 1)];
    case 1: {  // the same name in another case: the registry ignores case
      std::string name = kNames[input.ConsumeIntegralInRange<size_t>(0, kNames.size() - 1)];
      for (char& c : name)
        c = input.ConsumeBool() ? static_cast<char>(std::toupper(c)) : static_cast<char>(std::tolower(c));
      return name;
    }
    default: return input.ConsumeRandomLengthString(16);
  }
}

uint32_t ValueType(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? kTypes[input.ConsumeIntegralInRange<size_t>(0, std::size(kTypes) - 1)]
                             : input.ConsumeIntegral<uint32_t>();
}

// What a load must do with this registry, from the store's rules.
// A key the user may only read loads like any other; only the write-back passes it over.
Outcome ExpectedLoad(const MemoryRegistry& registry, const Fields& before, bool key_exists, bool read_only,
                     const std::optional<std::string>& failing_write) {
  Outcome out{before, std::nullopt};
  if (key_exists) {
    for (size_t i = 0; i < kNames.size(); ++i) {
      const auto value = registry.GetValue(kKey, kNames[i]);
      if (!value || value->data.size() > 4) {
        out.error = Format("Failed to get data for '%s'", kNames[i]);
        return out;
      }
      if (value->type != kRegDword) {
        out.error = Format("Invalid data type for '%s'", kNames[i]);
        return out;
      }
      uint32_t bits = 0;
      for (size_t b = 0; b < value->data.size(); ++b) bits |= uint32_t{value->data[b]} << (8 * b);
      out.fields.values[i] = i < 5 ? static_cast<int>(bits & 0xFF) : (bits != 0);
    }
  }
  bool all_zero = true;
  for (size_t i = 0; i < 5; ++i) all_zero = all_zero && out.fields.values[i] == 0;
  if (!all_zero) return out;
  out.fields = Fields{{12, 10, 8, 33, 3, 1, 1}};  // the first-run values
  // The defaults go back to the key; a key that cannot be written is silently passed over, but
  // a value that cannot be written is an error.
  if (!read_only) {
    for (const char* name : kNames) {
      if (failing_write && name == *failing_write) {
        out.error = Format("Failed to set data for '%s'", name);
        break;
      }
    }
  }
  return out;
}

Outcome Load(Settings& state, MemoryRegistry& registry) {
  try {
    LoadSettings(state, registry);
    return {Fields::Of(state), std::nullopt};
  } catch (const RegistryError& error) {
    return {Fields::Of(state), std::string(error.what())};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto state = std::make_unique<Settings>();  // large: made once
  FuzzedDataProvider input(data, size);

  MemoryRegistry registry;
  const bool key_exists = input.ConsumeBool();
  const bool read_only = key_exists && input.ConsumeBool();
  std::optional<std::string> failing_write;
  if (input.ConsumeBool()) failing_write = kNames[input.ConsumeIntegralInRange<size_t>(0, kNames.size() - 1)];

  Fields before;
  for (int& value : before.values) value = input.ConsumeIntegral<uint8_t>();
  before.values[5] = before.values[5] & 1;
  before.values[6] = before.values[6] & 1;
  before.Into(*state);

  if (key_exists) registry.AddKey(kKey);
  const int value_count = input.ConsumeIntegralInRange<int>(0, 12);
  for (int i = 0; i < value_count && key_exists; ++i) {
    const std::string name = ValueName(input);
    const uint32_t type = ValueType(input);
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, 12);
    registry.SetValue(kKey, name, type, input.ConsumeBytes<uint8_t>(length));
  }
  if (read_only) registry.SetReadOnly(kKey);
  if (failing_write) registry.FailWritesOf(*failing_write);

  const Outcome expected = ExpectedLoad(registry, before, key_exists, read_only, failing_write);
  const Outcome loaded = Load(*state, registry);
  Require(registry.OpenKeyCount() == 0, "a key was left open");
  Require(loaded.error == expected.error, "the load's error differs from the rules");
  Require(loaded.fields == expected.fields, "the loaded fields differ from the rules");
  if (loaded.error || read_only || failing_write) return 0;

  // What loaded cleanly is saved and loaded again unchanged, as the dialog's Save would.
  SaveSettings(*state, registry);
  Require(registry.OpenKeyCount() == 0, "a key was left open by the save");
  Fields{}.Into(*state);
  const Outcome reloaded = Load(*state, registry);
  Require(!reloaded.error && reloaded.fields == loaded.fields, "a save and a reload changed the settings");
  return 0;
}
