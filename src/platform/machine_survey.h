// Questions about the machine that a support tool asks and the library itself never needs: how
// many bits the process and the system have, what each registry view holds, what kind of program
// a file is, whether a folder takes new files, which process owns a window. Nothing here changes
// the machine: every call only looks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/window_system.h"

namespace orvabridge::platform {

// The two halves of the registry of a 64-bit Windows. A 32-bit process reads the 32-bit view,
// where most of HKLM\Software lies below HKLM\Software\WOW6432Node; a 64-bit process reads the
// 64-bit view. A 32-bit Windows has the 32-bit view only.
enum class RegistryView { k32Bit, k64Bit };

// The machine field of a program's PE header.
inline constexpr uint16_t kMachineX86 = 0x014C;
inline constexpr uint16_t kMachineX64 = 0x8664;
inline constexpr uint16_t kMachineArm64 = 0xAA64;

enum class FolderAccess {
  kMissing,   // no such folder (or the path names a file)
  kReadOnly,  // the folder exists, but this process may not add files to it
  kWritable,  // this process may add files and folders to it
};

class MachineSurvey {
 public:
  virtual ~MachineSurvey() = default;

  virtual int ProcessBits() = 0;  // 32 or 64
  virtual int SystemBits() = 0;   // 32 or 64

  // Whether the key exists in the given view. On a 32-bit Windows both views are the one view.
  virtual bool KeyExistsInView(RegistryRoot root, std::string_view path, RegistryView view) = 0;
  // A text value (REG_SZ or REG_EXPAND_SZ, unexpanded) of a key in the given view, as UTF-8;
  // "" names the key's default value. nullopt when the key or the value is missing or the value
  // is no text.
  virtual std::optional<std::string> TextInView(RegistryRoot root, std::string_view path,
                                                std::string_view name, RegistryView view) = 0;

  // Windows paths, as the library uses them.
  virtual bool FileExists(std::string_view path) = 0;
  // The machine a PE file (a DLL or a program) is built for, from its header; nullopt when the
  // file cannot be read or is no PE file.
  virtual std::optional<uint16_t> ExecutableMachine(std::string_view path) = 0;
  // Asks the system whether this process may add files to the folder; creates nothing.
  virtual FolderAccess FolderAccessOf(std::string_view path) = 0;

  // The process that owns a window; 0 when the window is gone.
  virtual uint32_t WindowProcess(WindowHandle window) = 0;
};

}  // namespace orvabridge::platform
