#include "environment/settings.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "environment/registry_text.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

using platform::RegistryRoot;

// A per-user value and its machine-wide default are read into a buffer of this size; longer data
// do not fit and count as absent.
constexpr uint32_t kPerUserCapacity = 100;
// The smallest buffer of a machine-wide read; larger values are read at their reported size.
constexpr uint32_t kMachineMinimumCapacity = 20;

constexpr const char* kDefaultUserSettings = "DefaultUserSettings";
constexpr const char* kCreateClass = "1";

// One leading and one trailing backslash are dropped, no more.
std::string NormaliseSection(std::string_view section) {
  if (!section.empty() && section.front() == '\\') section.remove_prefix(1);
  if (!section.empty() && section.back() == '\\') section.remove_suffix(1);
  return std::string(section);
}

bool IsNullText(std::string_view text) {
  constexpr std::string_view kNull = "null";
  return text.size() == kNull.size() &&
         std::equal(text.begin(), text.end(), kNull.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

std::string SettingsReader::ReadSetting(std::string Section, const std::string& ValueName,
                                        bool PerUser, bool AbsolutePath) {
  if (ValueName.empty()) return {};
  try {
    const std::optional<std::string> ansi =
        ReadAnsi(NormaliseSection(std::move(Section)), ValueName, PerUser, AbsolutePath);
    if (!ansi) return {};
    std::string text = AnsiToUtf8(code_page_, *ansi);
    if (IsNullText(text)) return {};
    return text;
  } catch (const RuntimeFailure&) {
    // The reader never fails its caller: whatever goes wrong reads as an empty setting.
    return {};
  }
}

std::optional<std::string> SettingsReader::ReadAnsi(std::string section,
                                                    const std::string& value_name, bool per_user,
                                                    bool absolute_path) {
  std::string base = base_key_;
  if (absolute_path) {
    base = std::move(section);
    section.clear();
  }

  if (!per_user) {
    // The separator is added even for an empty section: the key then ends in a backslash.
    const std::string key_path = base + "\\" + section;
    auto key = registry_.OpenKey(RegistryRoot::kLocalMachine, key_path, platform::kKeyRead);
    if (!key) return std::nullopt;
    return QueryAnsiTextAnySize(*key, value_name, kMachineMinimumCapacity,
                                {platform::kRegSz, platform::kRegMultiSz});
  }

  const std::string user_key = section.empty() ? base : base + "\\" + section;
  if (auto key = registry_.OpenKey(RegistryRoot::kCurrentUser, user_key, platform::kKeyRead)) {
    if (auto value = QueryAnsiText(*key, value_name, kPerUserCapacity, {platform::kRegSz})) {
      return value;
    }
  }

  std::string default_key = base + "\\" + kDefaultUserSettings;
  if (!section.empty()) default_key += "\\" + section;
  std::optional<std::string> value;
  if (auto key = registry_.OpenKey(RegistryRoot::kLocalMachine, default_key, platform::kKeyRead)) {
    value = QueryAnsiText(*key, value_name, kPerUserCapacity, {platform::kRegSz});
  }
  if (value) CopyDefaultToUser(user_key, value_name, *value);
  return value;
}

std::string SettingsReader::ReadMachineSetting(const std::string& KeyPath,
                                               const std::string& ValueName) {
  return ReadSetting("Software\\" + KeyPath, ValueName, false, true);
}

void SettingsReader::CopyDefaultToUser(const std::string& user_key, const std::string& value_name,
                                       const std::string& ansi) {
  // Best effort: a user branch that cannot be written leaves the default in use.
  auto key =
      registry_.CreateKey(RegistryRoot::kCurrentUser, user_key, kCreateClass, platform::kKeyCreate);
  if (!key) return;
  std::vector<std::byte> data(ansi.size() + 1, std::byte{0});
  std::transform(ansi.begin(), ansi.end(), data.begin(),
                 [](char c) { return static_cast<std::byte>(c); });
  key->SetValue(value_name, platform::kRegSz, data);
}

}  // namespace orvabridge::environment
