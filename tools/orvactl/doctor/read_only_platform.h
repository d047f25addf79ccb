// The machine as `orvactl doctor` uses it: everything reads as usual and nothing changes.
// Registry keys open for reading only and refuse every write; folders and files are not made
// (the start-up configuration's attempt to make the workstation's text-out folder is noted and
// passed over); no program starts; message boxes are collected instead of shown; the trace is
// off (ORVABRIDGE_TRACE reads as set and empty). The library runs on it unchanged, so doctor sees
// what a host would, and leaves nothing behind.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace orvabridge::orvactl {

class ReadOnlyPlatform final : public platform::Platform {
 public:
  explicit ReadOnlyPlatform(std::shared_ptr<platform::Platform> machine);
  ~ReadOnlyPlatform() override;

  platform::WindowSystem& Windows() override;
  platform::Registry& Reg() override;
  platform::FileSystem& Files() override;
  platform::SystemServices& System() override;
  platform::CodePage& AnsiCodePage() override;
  platform::Database& Databases() override;

  // What the library asked to change and was refused ("create folder C:\Out\WS", ...), in order.
  std::vector<std::string> RefusedChanges() const;
  // The message boxes shown since the last call, in order.
  std::vector<platform::MessageBoxRequest> TakeMessageBoxes();

  // Shared by the wrappers of the single services.
  struct Journal {
    mutable std::mutex mutex;
    std::vector<std::string> refused;
    std::vector<platform::MessageBoxRequest> boxes;
    void Refuse(std::string change);
  };

 private:
  std::shared_ptr<platform::Platform> machine_;
  std::shared_ptr<Journal> journal_;
  std::unique_ptr<platform::Registry> registry_;
  std::unique_ptr<platform::FileSystem> files_;
  std::unique_ptr<platform::SystemServices> system_;
};

}  // namespace orvabridge::orvactl
