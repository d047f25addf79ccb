#include "com/registration.h"

#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/module.h"
#include "com/type_library.h"
#include "platform/win32/unique_handle.h"

// In oleaut32 since Windows Vista, but not declared by the mingw-w64 headers.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help_folder);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID library, WORD major, WORD minor, LCID lcid,
                                        SYSKIND kind);
}

namespace orvabridge::com {
namespace {

using platform::win32::UniqueKey;

constexpr WORD kMajorVersion = identity::kLibraryVersionMajor;
constexpr WORD kMinorVersion = identity::kLibraryVersionMinor;
constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  const int length = ::StringFromGUID2(guid, text, 40);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length - 1)) : std::wstring();
}

HKEY ScopeRoot(RegistrationScope scope) {
  return scope == RegistrationScope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Class registrations live below Software\Classes of the scope's root; the system merges both
// into HKEY_CLASSES_ROOT, the user's entries first.
std::wstring ClassesPath(const std::wstring& key) { return L"Software\\Classes\\" + key; }

std::wstring ClassKey() { return L"CLSID\\" + GuidText(CLSID_Appl); }

struct Entry {
  std::wstring key;   // below Software\Classes
  std::wstring name;  // empty: the key's default value
  std::wstring value;
};

std::vector<Entry> ClassEntries(const std::wstring& module_path) {
  const std::wstring clsid = GuidText(CLSID_Appl);
  const std::wstring class_key = ClassKey();
  const std::wstring prog_id = kProgId;
  const std::wstring versioned = kVersionedProgId;
  return {
      {class_key, L"", prog_id},
      {class_key + L"\\InprocServer32", L"", module_path},
      // The link objects live on their creating thread and pump its messages.
      {class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {class_key + L"\\ProgID", L"", versioned},
      {class_key + L"\\VersionIndependentProgID", L"", prog_id},
      {class_key + L"\\TypeLib", L"", GuidText(LIBID_Orvabridge)},
      {class_key + L"\\Version", L"", identity::wide::kLibraryVersion},
      {prog_id, L"", prog_id},
      {prog_id + L"\\CLSID", L"", clsid},
      {prog_id + L"\\CurVer", L"", versioned},
      {versioned, L"", prog_id},
      {versioned + L"\\CLSID", L"", clsid},
  };
}

LSTATUS WriteEntry(HKEY root, const Entry& entry) {
  UniqueKey key;
  LSTATUS status =
      ::RegCreateKeyExW(root, ClassesPath(entry.key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  const DWORD bytes = static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.Get(), entry.name.empty() ? nullptr : entry.name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(entry.value.c_str()), bytes);
}

LSTATUS DeleteClassKeys(HKEY root) {
  LSTATUS first_failure = ERROR_SUCCESS;
  for (const std::wstring& key :
       {ClassKey(), std::wstring(kProgId), std::wstring(kVersionedProgId)}) {
    const LSTATUS status = ::RegDeleteTreeW(root, ClassesPath(key).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND &&
        first_failure == ERROR_SUCCESS) {
      first_failure = status;
    }
  }
  return first_failure;
}

HRESULT RegisterLibrary(RegistrationScope scope, const std::wstring& module_path) {
  ComPtr<ITypeLib> library;
  const HRESULT loaded = LoadOwnTypeLibrary(library);
  if (FAILED(loaded)) return loaded;
  // Both calls take a non-const path.
  std::wstring path = module_path;
  return scope == RegistrationScope::kUser
             ? ::RegisterTypeLibForUser(library.get(), path.data(), nullptr)
             : ::RegisterTypeLib(library.get(), path.data(), nullptr);
}

HRESULT UnregisterLibrary(RegistrationScope scope) {
  const HRESULT status = scope == RegistrationScope::kUser
                             ? ::UnRegisterTypeLibForUser(LIBID_Orvabridge, kMajorVersion,
                                                          kMinorVersion, LOCALE_NEUTRAL, kSysKind)
                             : ::UnRegisterTypeLib(LIBID_Orvabridge, kMajorVersion, kMinorVersion,
                                                   LOCALE_NEUTRAL, kSysKind);
  // Not registered (any more) is what we want.
  if (status == TYPE_E_REGISTRYACCESS || status == TYPE_E_CANTLOADLIBRARY ||
      status == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
    return S_OK;
  }
  return status;
}

}  // namespace

HRESULT RegisterServer(RegistrationScope scope) {
  const std::wstring module_path = ModulePath();
  if (module_path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  const HKEY root = ScopeRoot(scope);
  for (const Entry& entry : ClassEntries(module_path)) {
    const LSTATUS status = WriteEntry(root, entry);
    if (status != ERROR_SUCCESS) {
      DeleteClassKeys(root);
      return HRESULT_FROM_WIN32(status);
    }
  }
  const HRESULT library = RegisterLibrary(scope, module_path);
  if (FAILED(library)) {
    DeleteClassKeys(root);
    return library;
  }
  return S_OK;
}

HRESULT UnregisterServer(RegistrationScope scope) {
  const LSTATUS classes = DeleteClassKeys(ScopeRoot(scope));
  const HRESULT library = UnregisterLibrary(scope);
  if (classes != ERROR_SUCCESS) return HRESULT_FROM_WIN32(classes);
  return library;
}

}  // namespace orvabridge::com
