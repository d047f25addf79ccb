// The type library embedded in this DLL (resource TYPELIB 1) and what the dispatcher needs of it:
// the dispatch view of _Appl, which members it has, and their function descriptions.
#pragma once

#include <optional>
#include <vector>

#include "com/com_include.h"
#include "com/com_ptr.h"

namespace orvabridge::com {

// Loads the library from this DLL's own file, without touching the registry.
HRESULT LoadOwnTypeLibrary(ComPtr<ITypeLib>& library);
// The type information of _Appl as IDispatch clients see it.
HRESULT LoadApplTypeInfo(ComPtr<ITypeInfo>& info);

struct Member {
  DISPID id = DISPID_UNKNOWN;
  UINT index = 0;  // of its function description
  INVOKEKIND kind = INVOKE_FUNC;
  short vtable_offset = -1;  // of the vtable method that implements it
};

// Dispatch id to function description and vtable method, read once per object from the type
// information (the dispatch view) and the interface it describes.
class MemberMap {
 public:
  static HRESULT Build(ITypeInfo& info, MemberMap& map);
  std::optional<Member> Find(DISPID id) const;

 private:
  std::vector<Member> members_;
};

// One FUNCDESC, released with its owner.
class FuncDescription {
 public:
  FuncDescription(ITypeInfo& info, UINT index);
  FuncDescription(const FuncDescription&) = delete;
  FuncDescription& operator=(const FuncDescription&) = delete;
  ~FuncDescription();

  const FUNCDESC* get() const { return description_; }
  explicit operator bool() const { return description_ != nullptr; }

 private:
  ITypeInfo& info_;
  FUNCDESC* description_ = nullptr;
};

// The value type behind a parameter's type description: pointers are followed (by-reference
// parameters) and enumerations read as VT_I4. VT_EMPTY when the type has no automation value.
VARTYPE ValueTypeOf(ITypeInfo& info, const TYPEDESC& type);

}  // namespace orvabridge::com
