// The registry as the settings reader sees it: keys opened under one of two roots, values queried
// in the manner of RegQueryValueExA. Names and paths are UTF-8; value data are raw bytes in the
// ANSI code page, exactly as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace orvabridge::platform {

enum class RegistryRoot : uint32_t {
  kCurrentUser = 0x80000001,
  kLocalMachine = 0x80000002,
};

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

inline constexpr uint32_t kKeyRead = 0x19;    // query value, enumerate sub-keys, notify
inline constexpr uint32_t kKeyCreate = 0x1F;  // plus set value and create sub-key

enum class RegStatus {
  kOk,
  kNotFound,
  kMoreData,  // the buffer was too small; `length` tells the size needed
  kAccessDenied,
  kOtherError,
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;  // closes the key
  // `data` may be null to ask only for the size. On entry `length` is the buffer's capacity; on
  // return it is the data's length (also when the buffer was too small).
  virtual RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                               uint32_t& length) = 0;
  virtual RegStatus SetValue(std::string_view name, uint32_t type,
                             std::span<const std::byte> data) = 0;
  // kNotFound when there is no such value. Keys that cannot change anything refuse it.
  virtual RegStatus DeleteValue(std::string_view) { return RegStatus::kAccessDenied; }
};

class Registry {
 public:
  virtual ~Registry() = default;
  // nullptr when the key does not exist or cannot be opened with `access`.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, std::string_view path,
                                               uint32_t access) = 0;
  // Creates the key (and missing parents) or opens it; nullptr on failure.
  virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, std::string_view path,
                                                 std::string_view class_name, uint32_t access) = 0;
};

}  // namespace orvabridge::platform
