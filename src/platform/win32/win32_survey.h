// The machine survey on real Win32: the registry views through KEY_WOW64_32KEY and
// KEY_WOW64_64KEY, the process's bitness from IsWow64Process, PE headers read from the file, a
// folder's write access from the system's own access check (opening the folder for adding
// entries, which creates nothing).
#pragma once

#include "platform/machine_survey.h"

namespace orvabridge::platform::win32 {

class Win32Survey final : public MachineSurvey {
 public:
  int ProcessBits() override;
  int SystemBits() override;
  bool KeyExistsInView(RegistryRoot root, std::string_view path, RegistryView view) override;
  std::optional<std::string> TextInView(RegistryRoot root, std::string_view path,
                                        std::string_view name, RegistryView view) override;
  bool FileExists(std::string_view path) override;
  std::optional<uint16_t> ExecutableMachine(std::string_view path) override;
  FolderAccess FolderAccessOf(std::string_view path) override;
  uint32_t WindowProcess(WindowHandle window) override;
};

}  // namespace orvabridge::platform::win32
