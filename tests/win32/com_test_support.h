// Driving Orvabridge.dll of this build as an automation client would: the server is loaded
// straight from the build tree (no registration needed), objects come from its class factory, and
// calls go through IDispatch::Invoke (late binding) or through the vtable at the offsets the type
// library gives (early binding), never through the server's own headers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Order matters: windows_include.h sets the lean, no-min/max switches before any system header.
#include "platform/win32/windows_include.h"

#include <ole2.h>
#include <oleauto.h>

#include "identity/identity.h"

namespace orvabridge::com_testing {

// The published identities of the server.
inline constexpr CLSID kClsidAppl = identity::kClass.As<CLSID>();
inline constexpr IID kIidAppl = identity::kInterface.As<IID>();

// <build>\tests\orvabridge_tests.exe -> <build>\src\com\Orvabridge.dll, unless
// ORVABRIDGE_COM_DLL names another.
inline std::wstring ServerPath() {
  wchar_t buffer[MAX_PATH * 2] = {};
  if (::GetEnvironmentVariableW(L"ORVABRIDGE_COM_DLL", buffer, MAX_PATH * 2) > 0) return buffer;
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
  std::wstring path(buffer, length);
  path.erase(path.find_last_of(L'\\') + 1);
  return path + L"..\\src\\com\\Orvabridge.dll";
}

// Loaded once for the whole test program; the server keeps itself loaded anyway.
inline HMODULE Server() {
  static HMODULE module = ::LoadLibraryW(ServerPath().c_str());
  return module;
}

template <class Function>
Function ServerExport(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(Server(), name)));
}

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
using InstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);

// An owned interface reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ~Ref() { Reset(); }
  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  T& operator*() const { return *pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  void** Out() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  T** OutTyped() {
    Reset();
    return &pointer_;
  }

 private:
  T* pointer_ = nullptr;
};

// A VARIANT owned by the test.
class Value {
 public:
  Value() { ::VariantInit(&v_); }
  explicit Value(const wchar_t* text) : Value() {
    V_VT(&v_) = VT_BSTR;
    V_BSTR(&v_) = ::SysAllocString(text);
  }
  explicit Value(LONG number) : Value() {
    V_VT(&v_) = VT_I4;
    V_I4(&v_) = number;
  }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  ~Value() { ::VariantClear(&v_); }
  VARIANT& v() { return v_; }
  std::wstring Text() const {
    return V_VT(&v_) == VT_BSTR && V_BSTR(&v_) != nullptr
               ? std::wstring(V_BSTR(&v_), ::SysStringLen(V_BSTR(&v_)))
               : std::wstring();
  }

 private:
  VARIANT v_;
};

// A BSTR owned by the test, for typed references.
class Text {
 public:
  explicit Text(const wchar_t* text) : text_(::SysAllocString(text)) {}
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  ~Text() { ::SysFreeString(text_); }
  BSTR& b() { return text_; }
  std::wstring str() const {
    return text_ != nullptr ? std::wstring(text_, ::SysStringLen(text_)) : std::wstring();
  }

 private:
  BSTR text_;
};

// Arguments as clients pass them.
inline VARIANTARG ByRef(VARIANT& target) {
  VARIANTARG argument;
  ::VariantInit(&argument);
  V_VT(&argument) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&argument) = &target;
  return argument;
}
inline VARIANTARG ByRef(BSTR& target) {
  VARIANTARG argument;
  ::VariantInit(&argument);
  V_VT(&argument) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&argument) = &target;
  return argument;
}
inline VARIANTARG ByRef(LONG& target) {
  VARIANTARG argument;
  ::VariantInit(&argument);
  V_VT(&argument) = VT_I4 | VT_BYREF;
  V_I4REF(&argument) = &target;
  return argument;
}
inline VARIANTARG ByRef(VARIANT_BOOL& target) {
  VARIANTARG argument;
  ::VariantInit(&argument);
  V_VT(&argument) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&argument) = &target;
  return argument;
}
// A shallow copy: the Value keeps ownership.
inline VARIANTARG ByValue(Value& value) { return value.v(); }
inline VARIANTARG Missing() {
  VARIANTARG argument;
  ::VariantInit(&argument);
  V_VT(&argument) = VT_ERROR;
  V_ERROR(&argument) = DISP_E_PARAMNOTFOUND;
  return argument;
}

struct Outcome {
  HRESULT status = E_FAIL;
  Value result;
  EXCEPINFO exception{};
  UINT argument_error = ~0u;
  Outcome() = default;
  Outcome(const Outcome&) = delete;
  Outcome& operator=(const Outcome&) = delete;
  ~Outcome() {
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
  }
  std::wstring Source() const { return Str(exception.bstrSource); }
  std::wstring Description() const { return Str(exception.bstrDescription); }
  static std::wstring Str(BSTR text) {
    return text != nullptr ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
  }
};

inline DISPID IdOf(IDispatch& target, const wchar_t* name) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  target.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  return id;
}

// A late-bound call. `positional` in parameter order, `named` as (parameter name, argument);
// both are laid out in rgvarg the way clients do it: named first, positional last-first.
inline void Invoke(IDispatch& target, const wchar_t* member, std::vector<VARIANTARG> positional,
                   Outcome& outcome, std::vector<std::pair<const wchar_t*, VARIANTARG>> named = {},
                   WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
  std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(member)};
  for (auto& [name, argument] : named) names.push_back(const_cast<LPOLESTR>(name));
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  target.GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                       ids.data());
  std::vector<VARIANTARG> arguments;
  std::vector<DISPID> named_ids;
  for (size_t k = 0; k < named.size(); ++k) {
    arguments.push_back(named[k].second);
    named_ids.push_back(ids[k + 1]);
  }
  for (auto it = positional.rbegin(); it != positional.rend(); ++it) arguments.push_back(*it);
  DISPPARAMS params = {arguments.data(), named_ids.data(), static_cast<UINT>(arguments.size()),
                       static_cast<UINT>(named_ids.size())};
  outcome.status = target.Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 &outcome.result.v(), &outcome.exception, &outcome.argument_error);
}

// An early-bound call: the vtable slot the type library gives `member`, called with typed
// arguments (by-reference ones as VT_xxx | VT_BYREF holding the pointer), as compiled clients
// do. Returns the method's own HRESULT.
inline HRESULT CallVtable(IDispatch& target, const wchar_t* member,
                          std::vector<VARIANTARG> arguments) {
  Ref<ITypeInfo> dispatch_view, interface_view;
  if (FAILED(target.GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatch_view.OutTyped()))) return E_FAIL;
  HREFTYPE interface_ref = 0;
  if (FAILED(dispatch_view->GetRefTypeOfImplType(static_cast<UINT>(-1), &interface_ref)) ||
      FAILED(dispatch_view->GetRefTypeInfo(interface_ref, interface_view.OutTyped()))) {
    return E_FAIL;
  }
  Ref<IUnknown> vtable;
  if (FAILED(target.QueryInterface(kIidAppl, vtable.Out()))) return E_NOINTERFACE;

  LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
  MEMBERID id = MEMBERID_NIL;
  if (FAILED(interface_view->GetIDsOfNames(names, 1, &id))) return E_FAIL;
  TYPEATTR* attributes = nullptr;
  interface_view->GetTypeAttr(&attributes);
  short offset = -1;
  for (UINT i = 0; i < attributes->cFuncs && offset < 0; ++i) {
    FUNCDESC* function = nullptr;
    interface_view->GetFuncDesc(i, &function);
    if (function->memid == id) offset = function->oVft;
    interface_view->ReleaseFuncDesc(function);
  }
  interface_view->ReleaseTypeAttr(attributes);
  if (offset < 0) return E_FAIL;

  std::vector<VARTYPE> types;
  std::vector<VARIANTARG*> pointers;
  for (auto& argument : arguments) {
    types.push_back(V_VT(&argument));
    pointers.push_back(&argument);
  }
  VARIANT returned;
  ::VariantInit(&returned);
  const HRESULT called =
      ::DispCallFunc(vtable.get(), static_cast<ULONG_PTR>(offset), CC_STDCALL, VT_ERROR,
                     static_cast<UINT>(arguments.size()), types.data(), pointers.data(), &returned);
  return FAILED(called) ? called : V_ERROR(&returned);
}

// Runs `body` on a thread of its own in a single-threaded apartment: the server keeps its link
// state per thread, so every test starts from a thread that never saw it.
inline void InFreshApartment(const std::function<void()>& body) {
  std::thread thread([&] {
    const HRESULT initialised = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(SUCCEEDED(initialised));
    body();
    if (SUCCEEDED(initialised)) ::CoUninitialize();
  });
  thread.join();
}

// A new link object from the server's class factory, as its IDispatch.
inline HRESULT CreateAppl(Ref<IDispatch>& appl) {
  const auto get_class_object = ServerExport<GetClassObjectFn>("DllGetClassObject");
  if (get_class_object == nullptr) return E_NOTIMPL;
  Ref<IClassFactory> factory;
  const HRESULT found = get_class_object(kClsidAppl, IID_IClassFactory, factory.Out());
  if (FAILED(found)) return found;
  return factory->CreateInstance(nullptr, IID_IDispatch, appl.Out());
}

}  // namespace orvabridge::com_testing
