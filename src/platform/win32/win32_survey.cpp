#include "platform/win32/win32_survey.h"

#include <vector>

#include "platform/pe_header.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window_handle.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

REGSAM ViewFlag(RegistryView view) {
  return view == RegistryView::k32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

LSTATUS OpenInView(RegistryRoot root, std::string_view path, RegistryView view, UniqueKey& key) {
  const std::wstring wide = Utf8ToWide(path);
  return ::RegOpenKeyExW(RootKey(root), wide.c_str(), 0, KEY_QUERY_VALUE | ViewFlag(view),
                         key.Receive());
}

}  // namespace

int Win32Survey::ProcessBits() { return sizeof(void*) == 8 ? 64 : 32; }

int Win32Survey::SystemBits() {
  if (ProcessBits() == 64) return 64;
  // A 32-bit process on a 64-bit Windows runs under WOW64.
  BOOL under_wow64 = FALSE;
  if (!::IsWow64Process(::GetCurrentProcess(), &under_wow64)) return 32;
  return under_wow64 ? 64 : 32;
}

bool Win32Survey::KeyExistsInView(RegistryRoot root, std::string_view path, RegistryView view) {
  UniqueKey key;
  const LSTATUS status = OpenInView(root, path, view, key);
  // A key this process may not read still exists.
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

std::optional<std::string> Win32Survey::TextInView(RegistryRoot root, std::string_view path,
                                                   std::string_view name, RegistryView view) {
  UniqueKey key;
  if (OpenInView(root, path, view, key) != ERROR_SUCCESS) return std::nullopt;
  const std::wstring wide_name = Utf8ToWide(name);
  const wchar_t* value_name = wide_name.empty() ? nullptr : wide_name.c_str();
  std::vector<wchar_t> buffer(128);
  for (;;) {
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = ::RegQueryValueExW(key.Get(), value_name, nullptr, &type,
                                              reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
      buffer.resize(bytes / sizeof(wchar_t) + 1);
      continue;
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring_view text(buffer.data(), bytes / sizeof(wchar_t));
    // Stored with its terminator, or without one, or ending early.
    if (const size_t zero = text.find(L'\0'); zero != std::wstring_view::npos) {
      text = text.substr(0, zero);
    }
    return WideToUtf8(text);
  }
}

bool Win32Survey::FileExists(std::string_view path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<uint16_t> Win32Survey::ExecutableMachine(std::string_view path) {
  const std::wstring wide = Utf8ToWide(path);
  UniqueFile file(::CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::vector<std::byte> head(kPeHeadBytes);
  DWORD read = 0;
  if (!::ReadFile(file.Get(), head.data(), static_cast<DWORD>(head.size()), &read, nullptr)) {
    return std::nullopt;
  }
  head.resize(read);
  return PeMachine(head);
}

FolderAccess Win32Survey::FolderAccessOf(std::string_view path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return FolderAccess::kMissing;
  }
  // Opening the folder with the rights to add files and folders makes the system check this
  // process's access to it; nothing is created. A folder needs the backup-semantics flag to open.
  const UniqueFile folder(::CreateFileW(wide.c_str(), FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  return folder ? FolderAccess::kWritable : FolderAccess::kReadOnly;
}

uint32_t Win32Survey::WindowProcess(WindowHandle window) {
  DWORD process = 0;
  if (!::GetWindowThreadProcessId(ToHwnd(window), &process)) return 0;
  return process;
}

}  // namespace orvabridge::platform::win32
