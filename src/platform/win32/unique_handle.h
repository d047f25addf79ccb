// Typed RAII owners for the Win32 handles the backend keeps: kernel objects and registry keys.
// Each owner closes exactly once, on every path, including the ones that throw.
#pragma once

#include <utility>

#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {

template <typename Handle, typename Traits>
class UniqueOwner {
 public:
  UniqueOwner() = default;
  explicit UniqueOwner(Handle handle) : handle_(handle) {}
  UniqueOwner(const UniqueOwner&) = delete;
  UniqueOwner& operator=(const UniqueOwner&) = delete;
  UniqueOwner(UniqueOwner&& other) noexcept
      : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  UniqueOwner& operator=(UniqueOwner&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Traits::Invalid()));
    return *this;
  }
  ~UniqueOwner() { Reset(); }

  Handle Get() const { return handle_; }
  bool Valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  void Reset(Handle handle = Traits::Invalid()) {
    if (Valid()) Traits::Close(handle_);
    handle_ = handle;
  }
  // For APIs that return the handle through an out-parameter.
  Handle* Receive() {
    Reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
// CreateFile reports failure as INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
struct RegistryKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { ::RegCloseKey(key); }
};

// FindFirstFile's search handle is closed by FindClose.
struct FindHandleTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { ::FindClose(handle); }
};

using UniqueHandle = UniqueOwner<HANDLE, KernelHandleTraits>;
using UniqueFind = UniqueOwner<HANDLE, FindHandleTraits>;
using UniqueFile = UniqueOwner<HANDLE, FileHandleTraits>;
using UniqueKey = UniqueOwner<HKEY, RegistryKeyTraits>;

}  // namespace orvabridge::platform::win32
