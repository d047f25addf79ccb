// The machine survey of the in-process desktop. The desktop stands for a 64-bit process on a
// 64-bit Windows: its registry is the 64-bit view, and the 32-bit view is found where a 64-bit
// Windows keeps it (registry_view.h). Every window belongs to this very process.
#pragma once

#include <memory>

#include "platform/desk/desktop.h"
#include "platform/machine_survey.h"

namespace orvabridge::platform::desk {

class DeskSurvey : public MachineSurvey {
 public:
  explicit DeskSurvey(std::shared_ptr<Desktop> desktop);

  int ProcessBits() override;
  int SystemBits() override;
  bool KeyExistsInView(RegistryRoot root, std::string_view path, RegistryView view) override;
  std::optional<std::string> TextInView(RegistryRoot root, std::string_view path,
                                        std::string_view name, RegistryView view) override;
  bool FileExists(std::string_view path) override;
  std::optional<uint16_t> ExecutableMachine(std::string_view path) override;
  FolderAccess FolderAccessOf(std::string_view path) override;
  uint32_t WindowProcess(WindowHandle window) override;

 private:
  std::shared_ptr<Desktop> desktop_;
};

}  // namespace orvabridge::platform::desk
