// The in-memory registry: two roots, keys and value names compared case-insensitively, values
// queried like RegQueryValueExA. The .reg loader applies what platform/desk/reg_text reads.
#include <cstring>
#include <stdexcept>

#include "platform/desk/desk_services.h"
#include "platform/desk/key_path.h"
#include "platform/desk/reg_text.h"
#include "platform/desk/text_case.h"

namespace orvabridge::platform::desk {
namespace {

constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;

struct Value {
  std::string name;
  uint32_t type = 0;
  std::vector<std::byte> data;
};

struct Key {
  std::string name;
  std::map<std::string, std::shared_ptr<Key>> subkeys;  // by lower-case name
  std::map<std::string, Value> values;                  // by lower-case name
  bool deleted = false;
  bool denied = false;
};

std::vector<std::string> SplitOrThrow(std::string_view path) {
  auto parts = SplitKeyPath(path);
  if (!parts)
    throw std::invalid_argument("malformed registry key path \"" + std::string(path) + "\"");
  return *parts;
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& [name, sub] : key.subkeys) MarkDeleted(*sub);
}

}  // namespace

struct DeskRegistry::State {
  std::mutex mutex;
  std::shared_ptr<Key> current_user = std::make_shared<Key>();
  std::shared_ptr<Key> local_machine = std::make_shared<Key>();

  std::shared_ptr<Key> Root(RegistryRoot root) const {
    return root == RegistryRoot::kCurrentUser ? current_user : local_machine;
  }
  std::shared_ptr<Key> Find(RegistryRoot root, const std::vector<std::string>& parts) const {
    auto key = Root(root);
    for (const auto& part : parts) {
      auto it = key->subkeys.find(Lower(part));
      if (it == key->subkeys.end()) return nullptr;
      key = it->second;
    }
    return key;
  }
  // Creates missing keys; nullptr when a key that must be created lies below a denied one.
  std::shared_ptr<Key> Make(RegistryRoot root, const std::vector<std::string>& parts,
                            bool respect_denial) {
    auto key = Root(root);
    for (const auto& part : parts) {
      auto it = key->subkeys.find(Lower(part));
      if (it == key->subkeys.end()) {
        if (respect_denial && key->denied) return nullptr;
        auto sub = std::make_shared<Key>();
        sub->name = part;
        it = key->subkeys.emplace(Lower(part), std::move(sub)).first;
      }
      key = it->second;
    }
    return key;
  }
};

namespace {

class DeskKey final : public RegistryKey {
 public:
  DeskKey(std::shared_ptr<DeskRegistry::State> state, std::shared_ptr<Key> key, uint32_t access)
      : state_(std::move(state)), key_(std::move(key)), access_(access) {}

  RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                       uint32_t& length) override {
    std::lock_guard lock(state_->mutex);
    if (key_->deleted) return RegStatus::kOtherError;  // ERROR_KEY_DELETED
    if (!(access_ & kKeyQueryValue)) return RegStatus::kAccessDenied;
    auto it = key_->values.find(Lower(name));
    if (it == key_->values.end()) return RegStatus::kNotFound;
    const Value& value = it->second;
    const auto size = static_cast<uint32_t>(value.data.size());
    type = value.type;
    if (data == nullptr) {
      length = size;
      return RegStatus::kOk;
    }
    if (length < size) {
      length = size;
      return RegStatus::kMoreData;
    }
    if (size > 0) std::memcpy(data, value.data.data(), size);
    length = size;
    return RegStatus::kOk;
  }

  RegStatus SetValue(std::string_view name, uint32_t type,
                     std::span<const std::byte> data) override {
    std::lock_guard lock(state_->mutex);
    if (key_->deleted) return RegStatus::kOtherError;
    if (!(access_ & kKeySetValue)) return RegStatus::kAccessDenied;
    Value& value = key_->values[Lower(name)];
    value.name = std::string(name);
    value.type = type;
    value.data.assign(data.begin(), data.end());
    return RegStatus::kOk;
  }

  RegStatus DeleteValue(std::string_view name) override {
    std::lock_guard lock(state_->mutex);
    if (key_->deleted) return RegStatus::kOtherError;
    if (!(access_ & kKeySetValue)) return RegStatus::kAccessDenied;
    return key_->values.erase(Lower(name)) > 0 ? RegStatus::kOk : RegStatus::kNotFound;
  }

 private:
  std::shared_ptr<DeskRegistry::State> state_;
  std::shared_ptr<Key> key_;
  uint32_t access_;
};

}  // namespace

DeskRegistry::DeskRegistry() : state_(std::make_shared<State>()) {}
DeskRegistry::~DeskRegistry() = default;

std::unique_ptr<RegistryKey> DeskRegistry::OpenKey(RegistryRoot root, std::string_view path,
                                                   uint32_t access) {
  auto parts = SplitKeyPath(path);
  if (!parts) return nullptr;
  std::lock_guard lock(state_->mutex);
  auto key = state_->Find(root, *parts);
  if (!key || key->denied) return nullptr;
  return std::make_unique<DeskKey>(state_, std::move(key), access);
}

std::unique_ptr<RegistryKey> DeskRegistry::CreateKey(RegistryRoot root, std::string_view path,
                                                     std::string_view /*class_name*/,
                                                     uint32_t access) {
  auto parts = SplitKeyPath(path);
  if (!parts) return nullptr;
  std::lock_guard lock(state_->mutex);
  auto key = state_->Make(root, *parts, true);
  if (!key || key->denied) return nullptr;
  return std::make_unique<DeskKey>(state_, std::move(key), access);
}

void DeskRegistry::Set(RegistryRoot root, std::string_view path, std::string_view name,
                       uint32_t type, std::span<const std::byte> data) {
  const auto parts = SplitOrThrow(path);
  std::lock_guard lock(state_->mutex);
  auto key = state_->Make(root, parts, false);
  Value& value = key->values[Lower(name)];
  value.name = std::string(name);
  value.type = type;
  value.data.assign(data.begin(), data.end());
}

std::optional<std::vector<std::byte>> DeskRegistry::Get(RegistryRoot root, std::string_view path,
                                                        std::string_view name,
                                                        uint32_t* type) const {
  const auto parts = SplitKeyPath(path);
  if (!parts) return std::nullopt;
  std::lock_guard lock(state_->mutex);
  auto key = state_->Find(root, *parts);
  if (!key) return std::nullopt;
  auto it = key->values.find(Lower(name));
  if (it == key->values.end()) return std::nullopt;
  if (type) *type = it->second.type;
  return it->second.data;
}

bool DeskRegistry::KeyExists(RegistryRoot root, std::string_view path) const {
  const auto parts = SplitKeyPath(path);
  if (!parts) return false;
  std::lock_guard lock(state_->mutex);
  return state_->Find(root, *parts) != nullptr;
}

void DeskRegistry::DeleteKey(RegistryRoot root, std::string_view path) {
  const auto parts = SplitOrThrow(path);
  if (parts.empty()) throw std::invalid_argument("a registry root cannot be deleted");
  std::lock_guard lock(state_->mutex);
  auto parent = state_->Find(root, std::vector<std::string>(parts.begin(), parts.end() - 1));
  if (!parent) return;
  auto it = parent->subkeys.find(Lower(parts.back()));
  if (it == parent->subkeys.end()) return;
  MarkDeleted(*it->second);  // open handles now fail, as with ERROR_KEY_DELETED
  parent->subkeys.erase(it);
}

void DeskRegistry::DeleteValue(RegistryRoot root, std::string_view path, std::string_view name) {
  const auto parts = SplitOrThrow(path);
  std::lock_guard lock(state_->mutex);
  if (auto key = state_->Find(root, parts)) key->values.erase(Lower(name));
}

void DeskRegistry::Deny(RegistryRoot root, std::string_view path, bool denied) {
  const auto parts = SplitOrThrow(path);
  std::lock_guard lock(state_->mutex);
  state_->Make(root, parts, false)->denied = denied;
}

// ---- the .reg loader ----

void DeskRegistry::LoadText(std::string_view text, CodePage& to_ansi) {
  ReadRegText(text, [&](const RegTextEntry& entry) {
    switch (entry.kind) {
      case RegTextEntry::Kind::kKey: {
        const auto parts = SplitOrThrow(entry.path);
        std::lock_guard lock(state_->mutex);
        state_->Make(entry.root, parts, false);
        break;
      }
      case RegTextEntry::Kind::kDeleteKey:
        DeleteKey(entry.root, entry.path);
        break;
      case RegTextEntry::Kind::kDeleteValue:
        DeleteValue(entry.root, entry.path, entry.name);
        break;
      case RegTextEntry::Kind::kSetValue:
        if (entry.utf8_text) {
          const std::string ansi = to_ansi.ToAnsi(std::string_view(
              reinterpret_cast<const char*>(entry.data.data()), entry.data.size()));
          const auto bytes = std::as_bytes(std::span(ansi));
          Set(entry.root, entry.path, entry.name, entry.type, bytes);
        } else {
          Set(entry.root, entry.path, entry.name, entry.type, entry.data);
        }
        break;
    }
  });
}

}  // namespace orvabridge::platform::desk
