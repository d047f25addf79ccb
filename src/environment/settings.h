// modRegistry: text settings from the registry, machine-wide or per user with a machine-wide
// default that is copied into the user's branch on first use. Every failure reads as empty text.
#pragma once

#include <optional>
#include <string>

#include "platform/code_page.h"
#include "platform/registry.h"

namespace orvabridge::environment {

class SettingsReader {
 public:
  // `settings_base_key` is the thread-wide "Software\<vendor>\<application>", read at each call.
  SettingsReader(platform::Registry& registry, platform::CodePage& code_page,
                 const std::string& settings_base_key)
      : registry_(registry), code_page_(code_page), base_key_(settings_base_key) {}

  std::string ReadSetting(std::string Section, const std::string& ValueName, bool PerUser = false,
                          bool AbsolutePath = false);
  // HKEY_LOCAL_MACHINE\Software\<KeyPath>\ValueName without the base key.
  std::string ReadMachineSetting(const std::string& KeyPath, const std::string& ValueName);

 private:
  // The raw ANSI data of the setting, or nullopt when there is none. `section` is normalised.
  std::optional<std::string> ReadAnsi(std::string section, const std::string& value_name,
                                      bool per_user, bool absolute_path);
  // Writes a default found under "DefaultUserSettings" into the user's own branch.
  void CopyDefaultToUser(const std::string& user_key, const std::string& value_name,
                         const std::string& ansi);

  platform::Registry& registry_;
  platform::CodePage& code_page_;
  const std::string& base_key_;
};

}  // namespace orvabridge::environment
