#include "demo_installation.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "machine_settings.h"

namespace orvabridge::orvactl {
namespace {

constexpr const char* kClassLibraryKey = "Software\\Orvaclass";
constexpr const char* kTextOutValue = "OrvabridgeTXTOUT";

// Registry names compare without regard to ASCII letter case; a trailing backslash is no part.
std::string KeyName(std::string_view path) {
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  std::string name(path);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

struct StoredValue {
  uint32_t type = 0;
  std::vector<std::byte> data;
};
using Values = std::map<std::string, StoredValue>;  // by lower-case name

struct Store {
  std::mutex mutex;
  std::map<std::string, Values> keys;  // HKEY_LOCAL_MACHINE keys by lower-case path
};

class MemoryKey final : public platform::RegistryKey {
 public:
  MemoryKey(std::shared_ptr<Store> store, std::string key) : store_(std::move(store)), key_(key) {}

  platform::RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                                 uint32_t& length) override {
    std::lock_guard lock(store_->mutex);
    const Values& values = store_->keys[key_];
    const auto found = values.find(KeyName(name));
    if (found == values.end()) return platform::RegStatus::kNotFound;
    const auto size = static_cast<uint32_t>(found->second.data.size());
    type = found->second.type;
    if (data != nullptr && length < size) {
      length = size;
      return platform::RegStatus::kMoreData;
    }
    if (data != nullptr && size > 0) std::memcpy(data, found->second.data.data(), size);
    length = size;
    return platform::RegStatus::kOk;
  }

  platform::RegStatus SetValue(std::string_view name, uint32_t type,
                               std::span<const std::byte> data) override {
    std::lock_guard lock(store_->mutex);
    store_->keys[key_][KeyName(name)] = {type, std::vector<std::byte>(data.begin(), data.end())};
    return platform::RegStatus::kOk;
  }

 private:
  std::shared_ptr<Store> store_;
  std::string key_;
};

// Reads the machine's registry; writes nothing to it.
class MachineKeyForReading final : public platform::RegistryKey {
 public:
  explicit MachineKeyForReading(std::unique_ptr<platform::RegistryKey> key)
      : key_(std::move(key)) {}
  platform::RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                                 uint32_t& length) override {
    return key_->QueryValue(name, type, data, length);
  }
  platform::RegStatus SetValue(std::string_view, uint32_t, std::span<const std::byte>) override {
    return platform::RegStatus::kAccessDenied;
  }

 private:
  std::unique_ptr<platform::RegistryKey> key_;
};

class OverlayRegistry final : public platform::Registry {
 public:
  OverlayRegistry(platform::Registry& machine, std::shared_ptr<Store> store)
      : machine_(machine), store_(std::move(store)) {}

  std::unique_ptr<platform::RegistryKey> OpenKey(platform::RegistryRoot root, std::string_view path,
                                                 uint32_t) override {
    if (auto own = OwnKey(root, path)) return own;
    auto key = machine_.OpenKey(root, path, platform::kKeyRead);
    if (!key) return nullptr;
    return std::make_unique<MachineKeyForReading>(std::move(key));
  }
  std::unique_ptr<platform::RegistryKey> CreateKey(platform::RegistryRoot root,
                                                   std::string_view path, std::string_view,
                                                   uint32_t access) override {
    return OpenKey(root, path, access);
  }

 private:
  std::unique_ptr<platform::RegistryKey> OwnKey(platform::RegistryRoot root,
                                                std::string_view path) {
    if (root != platform::RegistryRoot::kLocalMachine) return nullptr;
    const std::string name = KeyName(path);
    std::lock_guard lock(store_->mutex);
    if (store_->keys.count(name) == 0) return nullptr;
    return std::make_unique<MemoryKey>(store_, name);
  }

  platform::Registry& machine_;
  std::shared_ptr<Store> store_;
};

void Put(Store& store, platform::CodePage& code_page, const std::string& key,
         const std::string& name, const std::string& utf8) {
  const std::string ansi = code_page.ToAnsi(utf8);
  StoredValue value{platform::kRegSz, std::vector<std::byte>(ansi.size() + 1, std::byte{0})};
  std::transform(ansi.begin(), ansi.end(), value.data.begin(),
                 [](char c) { return static_cast<std::byte>(c); });
  store.keys[KeyName(key)][KeyName(name)] = std::move(value);
}

}  // namespace

DemoInstallation::DemoInstallation(std::shared_ptr<platform::Platform> machine,
                                   const std::string& text_out_folder)
    : machine_(std::move(machine)) {
  auto machine_text = [&](const char* name, const char* fallback) {
    const auto text = ReadMachineText(*machine_, kClassLibraryKey, name);
    return text && !text->empty() ? *text : std::string(fallback);
  };
  const std::string application = machine_text("ApplicationKey", "Orvanta");
  settings_key_ = std::string("Software\\") + kDemoVendorKey + "\\" + application + "\\Orvabridge";

  auto store = std::make_shared<Store>();
  platform::CodePage& code_page = machine_->AnsiCodePage();
  Put(*store, code_page, kClassLibraryKey, "VendorKey", kDemoVendorKey);
  Put(*store, code_page, kClassLibraryKey, "ApplicationKey", application);
  Put(*store, code_page, kClassLibraryKey, "ExecutablePath", "");
  Put(*store, code_page, kClassLibraryKey, "Version", machine_text("Version", "3.1.1199"));
  Put(*store, code_page, kClassLibraryKey, "ConnectionString",
      machine_text("ConnectionString", ""));
  Put(*store, code_page, settings_key_, kTextOutValue, text_out_folder);
  registry_ = std::make_unique<OverlayRegistry>(machine_->Reg(), std::move(store));
}

DemoInstallation::~DemoInstallation() = default;

}  // namespace orvabridge::orvactl
