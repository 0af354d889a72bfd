#include "testing/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ambervale {

namespace {

std::string Lower(const std::string& text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

std::vector<uint8_t> DwordBytes(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)};
}

}  // namespace

// An open key. It finds its key by path at every call, so a key deleted meanwhile simply fails.
class MemoryRegistry::Key : public RegistryKey {
 public:
  Key(MemoryRegistry& registry, std::string path, bool writable)
      : registry_(registry), path_(std::move(path)), writable_(writable) {
    ++registry_.open_keys_;
  }
  ~Key() override { --registry_.open_keys_; }

  bool QueryValue(const std::string& name, DwordBuffer& data, uint32_t& type) override {
    const KeyData* key = registry_.Find(path_);
    const Value* value = key ? FindValue(*key, name) : nullptr;
    if (!value || value->data.size() > data.size()) return false;
    if (!value->data.empty()) std::memcpy(data.data(), value->data.data(), value->data.size());
    type = value->type;
    return true;
  }

  bool SetDword(const std::string& name, uint32_t value) override {
    KeyData* key = registry_.Find(path_);
    if (!key || !writable_ || registry_.failing_writes_.count(Lower(name)) != 0) return false;
    Put(*key, name, kRegDword, DwordBytes(value));
    registry_.write_log_.push_back(name);
    return true;
  }

 private:
  MemoryRegistry& registry_;
  std::string path_;
  bool writable_;
};

MemoryRegistry::MemoryRegistry() { keys_.emplace("", KeyData{}); }

MemoryRegistry::~MemoryRegistry() = default;

std::optional<std::string> MemoryRegistry::Normalize(const std::string& path) {
  std::string text = Lower(path);
  if (!text.empty() && text.back() == '\\') text.pop_back();
  if (text.empty()) return text;
  if (text.front() == '\\' || text.back() == '\\' || text.find("\\\\") != std::string::npos) {
    return std::nullopt;
  }
  return text;
}

std::string MemoryRegistry::Parent(const std::string& normalized) {
  const size_t cut = normalized.rfind('\\');
  return cut == std::string::npos ? std::string() : normalized.substr(0, cut);
}

MemoryRegistry::KeyData* MemoryRegistry::Find(const std::string& normalized) {
  auto found = keys_.find(normalized);
  return found == keys_.end() ? nullptr : &found->second;
}

const MemoryRegistry::KeyData* MemoryRegistry::Find(const std::string& normalized) const {
  auto found = keys_.find(normalized);
  return found == keys_.end() ? nullptr : &found->second;
}

MemoryRegistry::Value* MemoryRegistry::FindValue(KeyData& key, const std::string& name) {
  const std::string wanted = Lower(name);
  for (Value& value : key.values) {
    if (Lower(value.name) == wanted) return &value;
  }
  return nullptr;
}

const MemoryRegistry::Value* MemoryRegistry::FindValue(const KeyData& key, const std::string& name) {
  return FindValue(const_cast<KeyData&>(key), name);
}

void MemoryRegistry::Put(KeyData& key, const std::string& name, uint32_t type, std::vector<uint8_t> data) {
  if (Value* existing = FindValue(key, name)) {
    existing->type = type;
    existing->data = std::move(data);
  } else {
    key.values.push_back(Value{name, type, std::move(data)});
  }
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(const std::string& path) {
  auto normalized = Normalize(path);
  if (!normalized) return nullptr;
  if (!Find(*normalized)) return nullptr;
  return std::make_unique<Key>(*this, *normalized, /*writable=*/false);
}

std::unique_ptr<RegistryKey> MemoryRegistry::CreateKey(const std::string& path) {
  auto normalized = Normalize(path);
  if (!normalized) return nullptr;
  if (const KeyData* key = Find(*normalized)) {
    if (key->read_only) return nullptr;
    return std::make_unique<Key>(*this, *normalized, /*writable=*/true);
  }
  // The nearest existing ancestor must allow new sub-keys.
  std::string ancestor = Parent(*normalized);
  while (!Find(ancestor)) ancestor = Parent(ancestor);
  if (Find(ancestor)->read_only) return nullptr;
  AddKey(*normalized);
  return std::make_unique<Key>(*this, *normalized, /*writable=*/true);
}

bool MemoryRegistry::RenameKey(const std::string& path, const std::string& new_name) {
  auto from = Normalize(path);
  if (!from || from->empty() || new_name.empty() || new_name.find('\\') != std::string::npos) return false;
  const KeyData* key = Find(*from);
  const std::string parent = Parent(*from);
  const std::string to = (parent.empty() ? "" : parent + '\\') + Lower(new_name);
  if (!key || key->read_only || Find(parent)->read_only || Find(to)) return false;
  // The key and every key under it move to the new name.
  const std::string prefix = *from + '\\';
  std::map<std::string, KeyData> moved;
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == *from || it->first.compare(0, prefix.size(), prefix) == 0) {
      moved.emplace(to + it->first.substr(from->size()), std::move(it->second));
      it = keys_.erase(it);
    } else {
      ++it;
    }
  }
  keys_.merge(moved);
  return true;
}

bool MemoryRegistry::KeyExists(const std::string& path) const {
  auto normalized = Normalize(path);
  return normalized && Find(*normalized) != nullptr;
}

void MemoryRegistry::AddKey(const std::string& path) {
  auto normalized = Normalize(path);
  if (!normalized) return;
  for (std::string key = *normalized; !key.empty(); key = Parent(key)) keys_.try_emplace(key);
}

void MemoryRegistry::DeleteKey(const std::string& path) {
  auto normalized = Normalize(path);
  if (!normalized || normalized->empty()) return;  // the root stays
  const std::string prefix = *normalized + '\\';
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == *normalized || it->first.compare(0, prefix.size(), prefix) == 0) {
      it = keys_.erase(it);
    } else {
      ++it;
    }
  }
}

void MemoryRegistry::SetValue(const std::string& path, const std::string& name, uint32_t type,
                              std::vector<uint8_t> data) {
  auto normalized = Normalize(path);
  if (!normalized) return;
  AddKey(path);
  Put(*Find(*normalized), name, type, std::move(data));
}

void MemoryRegistry::SetDwordValue(const std::string& path, const std::string& name, uint32_t value) {
  SetValue(path, name, kRegDword, DwordBytes(value));
}

void MemoryRegistry::SetStringValue(const std::string& path, const std::string& name, const std::string& text,
                                    uint32_t type) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, type, std::move(data));
}

void MemoryRegistry::DeleteValue(const std::string& path, const std::string& name) {
  auto normalized = Normalize(path);
  KeyData* key = normalized ? Find(*normalized) : nullptr;
  if (!key) return;
  const std::string wanted = Lower(name);
  std::erase_if(key->values, [&](const Value& value) { return Lower(value.name) == wanted; });
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(const std::string& path, const std::string& name) const {
  auto normalized = Normalize(path);
  const KeyData* key = normalized ? Find(*normalized) : nullptr;
  const Value* value = key ? FindValue(*key, name) : nullptr;
  if (!value) return std::nullopt;
  return *value;
}

std::vector<MemoryRegistry::Value> MemoryRegistry::Values(const std::string& path) const {
  auto normalized = Normalize(path);
  const KeyData* key = normalized ? Find(*normalized) : nullptr;
  return key ? key->values : std::vector<Value>{};
}

void MemoryRegistry::SetReadOnly(const std::string& path, bool read_only) {
  auto normalized = Normalize(path);
  if (KeyData* key = normalized ? Find(*normalized) : nullptr) key->read_only = read_only;
}

void MemoryRegistry::FailWritesOf(const std::string& name) { failing_writes_.insert(Lower(name)); }

}  // namespace ambervale
