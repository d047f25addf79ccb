#include "platform/win32/win32_registry.h"

#include <limits>
#include <string>

#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

RegStatus StatusOf(LSTATUS status) {
  switch (status) {
    case ERROR_SUCCESS:
      return RegStatus::kOk;
    case ERROR_FILE_NOT_FOUND:
      return RegStatus::kNotFound;
    case ERROR_MORE_DATA:
      return RegStatus::kMoreData;
    case ERROR_ACCESS_DENIED:
      return RegStatus::kAccessDenied;
    default:
      return RegStatus::kOtherError;
  }
}

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(UniqueKey key) : key_(std::move(key)) {}

  RegStatus QueryValue(std::string_view name, uint32_t& type, std::byte* data,
                       uint32_t& length) override {
    const std::string ansi_name = Utf8ToAnsi(name);
    DWORD value_type = 0;
    DWORD value_length = length;
    const LSTATUS status = ::RegQueryValueExA(key_.Get(), ansi_name.c_str(), nullptr, &value_type,
                                              reinterpret_cast<BYTE*>(data), &value_length);
    type = value_type;
    length = value_length;
    return StatusOf(status);
  }

  RegStatus SetValue(std::string_view name, uint32_t type,
                     std::span<const std::byte> data) override {
    if (data.size() > std::numeric_limits<DWORD>::max()) return RegStatus::kOtherError;
    const std::string ansi_name = Utf8ToAnsi(name);
    const LSTATUS status = ::RegSetValueExA(key_.Get(), ansi_name.c_str(), 0, type,
                                            reinterpret_cast<const BYTE*>(data.data()),
                                            static_cast<DWORD>(data.size()));
    return StatusOf(status);
  }

  RegStatus DeleteValue(std::string_view name) override {
    const std::string ansi_name = Utf8ToAnsi(name);
    return StatusOf(::RegDeleteValueA(key_.Get(), ansi_name.c_str()));
  }

 private:
  UniqueKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::OpenKey(RegistryRoot root, std::string_view path,
                                                    uint32_t access) {
  const std::string ansi_path = Utf8ToAnsi(path);
  UniqueKey key;
  if (::RegOpenKeyExA(RootKey(root), ansi_path.c_str(), 0, access, key.Receive()) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32RegistryKey>(std::move(key));
}

std::unique_ptr<RegistryKey> Win32Registry::CreateKey(RegistryRoot root, std::string_view path,
                                                      std::string_view class_name,
                                                      uint32_t access) {
  const std::string ansi_path = Utf8ToAnsi(path);
  std::string ansi_class = Utf8ToAnsi(class_name);  // the call takes a non-const class string
  UniqueKey key;
  DWORD disposition = 0;
  if (::RegCreateKeyExA(RootKey(root), ansi_path.c_str(), 0, ansi_class.data(),
                        REG_OPTION_NON_VOLATILE, access, nullptr, key.Receive(),
                        &disposition) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32RegistryKey>(std::move(key));
}

bool Win32Registry::DeleteTree(RegistryRoot root, std::string_view path) {
  // An empty path would empty the whole root.
  if (path.empty()) return false;
  const std::string ansi_path = Utf8ToAnsi(path);
  const LSTATUS status = ::RegDeleteTreeA(RootKey(root), ansi_path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace orvabridge::platform::win32
