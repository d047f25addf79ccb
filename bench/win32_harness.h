// What the Windows figures programs share: the class library's registry entries, orva-sim.exe as
// a process of its own, the automation server loaded from its file, and late-bound calls made
// the way a script makes them. Windows builds only.
#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

// Order matters: windows_include.h sets the lean, no-min/max switches before any system header.
#include "platform/win32/windows_include.h"

#include <ole2.h>
#include <oleauto.h>

#include "identity/identity.h"

namespace orvabridge::bench {

inline constexpr CLSID kClsidAppl = identity::kClass.As<CLSID>();

// The class library's stand-in: the installation the object reads when it is made.
inline bool InstallClassLibrary(const std::wstring& executable) {
  const wchar_t* key = L"Software\\Orvaclass";
  const std::array<std::pair<const wchar_t*, std::wstring>, 5> values = {{
      {L"VendorKey", L"Orvadent"},
      {L"ApplicationKey", L"Orvanta"},
      {L"ExecutablePath", executable},
      {L"Version", L"3.1.1199"},
      {L"ConnectionString", L""},
  }};
  for (const auto& [name, value] : values) {
    if (::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value.c_str(),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) !=
        ERROR_SUCCESS) {
      return false;
    }
  }
  return true;
}

// A program started by this one and ended with it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { Stop(); }

  bool Start(const std::wstring& path, const std::wstring& arguments) {
    Stop();
    std::wstring command = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
      return false;
    }
    ::CloseHandle(started.hThread);
    process_ = started.hProcess;
    return true;
  }
  void Stop() {
    if (process_ == nullptr) return;
    ::TerminateProcess(process_, 0);
    ::WaitForSingleObject(process_, 10000);
    ::CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  HANDLE process_ = nullptr;
};

// The object of the automation server in `server` (a DLL path), made through its class factory
// without registration. Null when the file cannot be loaded or makes no object.
inline IDispatch* MakeServerObject(const std::wstring& server) {
  const HMODULE module = ::LoadLibraryW(server.c_str());
  if (module == nullptr) return nullptr;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get_class_object = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  IDispatch* object = nullptr;
  if (get_class_object == nullptr ||
      FAILED(get_class_object(kClsidAppl, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
    return nullptr;
  }
  if (FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)))) {
    object = nullptr;
  }
  factory->Release();
  return object;
}

// Late-bound calls, as a script makes them: the member looked up by name on every call, every
// argument a VARIANT by reference; `texts` fill the first arguments, the others start empty.
class LateBound {
 public:
  explicit LateBound(IDispatch* target) : target_(target) {}
  // The member's result, or the failure's HRESULT (negative) when the call failed.
  long Call(const wchar_t* member, const std::vector<std::wstring>& texts, size_t arguments) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    if (FAILED(target_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return -1;
    arguments = std::max(arguments, texts.size());
    std::vector<VARIANT> values(arguments);
    std::vector<VARIANTARG> by_reference(arguments);
    for (size_t i = 0; i < arguments; ++i) {
      ::VariantInit(&values[i]);
      if (i < texts.size()) {
        V_VT(&values[i]) = VT_BSTR;
        V_BSTR(&values[i]) = ::SysAllocString(texts[i].c_str());
      }
      // Arguments travel last to first.
      VARIANTARG& slot = by_reference[arguments - 1 - i];
      ::VariantInit(&slot);
      V_VT(&slot) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&slot) = &values[i];
    }
    DISPPARAMS params = {by_reference.data(), nullptr, static_cast<UINT>(arguments), 0};
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argument_error = 0;
    const HRESULT status =
        target_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &params, &result, &exception, &argument_error);
    for (auto& value : values) ::VariantClear(&value);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    long answer = FAILED(status) ? static_cast<long>(status) : 0;
    if (SUCCEEDED(status) && V_VT(&result) == VT_I4) answer = V_I4(&result);
    ::VariantClear(&result);
    return answer;
  }
  long Call(const wchar_t* member, const std::vector<std::wstring>& texts) {
    return Call(member, texts, texts.size());
  }

 private:
  IDispatch* target_;
};

}  // namespace orvabridge::bench
