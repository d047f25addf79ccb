// The registry through the ANSI calls, in the registry view the process itself sees (a 32-bit
// build reads the 32-bit view of a 64-bit Windows). Paths and names are converted from UTF-8
// to the ANSI code page; value data pass through unchanged.
#pragma once

#include "platform/registry.h"

namespace orvabridge::platform::win32 {

class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, std::string_view path,
                                       uint32_t access) override;
  std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::string_view path,
                                         std::string_view class_name, uint32_t access) override;

  // Beyond the contract, for test set-up on a real registry: removes a key with everything below
  // it. True when the key is gone afterwards (also when it never existed).
  bool DeleteTree(RegistryRoot root, std::string_view path);
};

}  // namespace orvabridge::platform::win32
