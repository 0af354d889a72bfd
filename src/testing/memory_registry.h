// A registry held in memory, with the observable rules the settings store relies on:
// key and value names compare without regard to case; a four-byte query of longer data fails;
// a shorter value (a three-character REG_SZ with its terminator) fits and comes back with its
// own type; a missing value fails; a key marked read-only fails to open with full access and
// refuses new sub-keys. Used by the portable tests and the fuzz targets.
// Keys it hands out must not outlive it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "win32/settings/registry_key.h"

namespace ambervale {

class MemoryRegistry : public RegistryRoot {
 public:
  struct Value {
    std::string name;  // as first written
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
  };

  MemoryRegistry();
  ~MemoryRegistry() override;

  std::unique_ptr<RegistryKey> OpenKey(const std::string& path) override;
  std::unique_ptr<RegistryKey> CreateKey(const std::string& path) override;
  bool RenameKey(const std::string& path, const std::string& new_name) override;
  void DeleteKey(const std::string& path) override;  // with its sub-keys

  // Direct access, outside any open key, to set up and inspect the registry. A path that is
  // not well formed names no key: lookups find nothing and changes are ignored.
  bool KeyExists(const std::string& path) const;
  void AddKey(const std::string& path);  // with missing parents
  void SetValue(const std::string& path, const std::string& name, uint32_t type,
                std::vector<uint8_t> data);  // creates the key when missing
  void SetDwordValue(const std::string& path, const std::string& name, uint32_t value);
  // A string value as the ANSI functions see it: the characters and a terminating zero.
  void SetStringValue(const std::string& path, const std::string& name, const std::string& text,
                      uint32_t type = kRegSz);
  void DeleteValue(const std::string& path, const std::string& name);
  std::optional<Value> GetValue(const std::string& path, const std::string& name) const;
  std::vector<Value> Values(const std::string& path) const;  // in the order first written

  // Marks a key as one the user may only read (it must exist).
  void SetReadOnly(const std::string& path, bool read_only = true);
  // Every later write of a value of this name (any key) fails.
  void FailWritesOf(const std::string& name);

  // Keys open now (opened and not yet closed), and the names written through open keys, in
  // order, since the registry was made.
  int OpenKeyCount() const { return open_keys_; }
  const std::vector<std::string>& WriteLog() const { return write_log_; }

 private:
  struct KeyData {
    bool read_only = false;
    std::vector<Value> values;
  };
  class Key;

  // Lower-cased components joined by backslashes, or nothing when the path is malformed
  // (a leading backslash or an empty component other than one trailing backslash).
  static std::optional<std::string> Normalize(const std::string& path);
  static std::string Parent(const std::string& normalized);
  KeyData* Find(const std::string& normalized);
  const KeyData* Find(const std::string& normalized) const;
  static Value* FindValue(KeyData& key, const std::string& name);
  static const Value* FindValue(const KeyData& key, const std::string& name);
  static void Put(KeyData& key, const std::string& name, uint32_t type, std::vector<uint8_t> data);

  std::map<std::string, KeyData> keys_;   // "" is the root itself
  std::set<std::string> failing_writes_;  // lower-cased value names
  std::vector<std::string> write_log_;
  int open_keys_ = 0;
};

}  // namespace ambervale
