#include "com/type_library.h"

#include "com/module.h"

namespace orvabridge::com {
namespace {

// RAII for TYPEATTR, which belongs to the type information that handed it out.
class TypeAttributes {
 public:
  explicit TypeAttributes(ITypeInfo& info) : info_(info) {
    if (FAILED(info_.GetTypeAttr(&attributes_))) attributes_ = nullptr;
  }
  TypeAttributes(const TypeAttributes&) = delete;
  TypeAttributes& operator=(const TypeAttributes&) = delete;
  ~TypeAttributes() {
    if (attributes_ != nullptr) info_.ReleaseTypeAttr(attributes_);
  }
  const TYPEATTR* get() const { return attributes_; }

 private:
  ITypeInfo& info_;
  TYPEATTR* attributes_ = nullptr;
};

}  // namespace

HRESULT LoadOwnTypeLibrary(ComPtr<ITypeLib>& library) {
  const std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
  return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Receive());
}

HRESULT LoadApplTypeInfo(ComPtr<ITypeInfo>& info) {
  ComPtr<ITypeLib> library;
  const HRESULT loaded = LoadOwnTypeLibrary(library);
  if (FAILED(loaded)) return loaded;
  // For a dual interface this is the dispatch view: ids, names and parameters as IDispatch
  // clients see them.
  return library->GetTypeInfoOfGuid(IID__Appl, info.Receive());
}

HRESULT MemberMap::Build(ITypeInfo& info, MemberMap& map) {
  const TypeAttributes attributes(info);
  if (attributes.get() == nullptr) return E_UNEXPECTED;
  // The vtable offsets are the interface's: the dispatch view of a dual interface refers to it.
  ComPtr<ITypeInfo> interface_view;
  HREFTYPE interface_ref = 0;
  if (FAILED(info.GetRefTypeOfImplType(static_cast<UINT>(-1), &interface_ref)) ||
      FAILED(info.GetRefTypeInfo(interface_ref, interface_view.Receive()))) {
    return E_UNEXPECTED;
  }
  const TypeAttributes interface_attributes(*interface_view);
  if (interface_attributes.get() == nullptr) return E_UNEXPECTED;
  map.members_.clear();
  for (UINT index = 0; index < attributes.get()->cFuncs; ++index) {
    const FuncDescription function(info, index);
    if (!function) return E_UNEXPECTED;
    Member member{function.get()->memid, index, function.get()->invkind};
    for (UINT slot = 0; slot < interface_attributes.get()->cFuncs; ++slot) {
      const FuncDescription method(*interface_view, slot);
      if (method && method.get()->memid == member.id && method.get()->invkind == member.kind) {
        member.vtable_offset = method.get()->oVft;
      }
    }
    map.members_.push_back(member);
  }
  return S_OK;
}

std::optional<Member> MemberMap::Find(DISPID id) const {
  for (const Member& member : members_) {
    if (member.id == id) return member;
  }
  return std::nullopt;
}

FuncDescription::FuncDescription(ITypeInfo& info, UINT index) : info_(info) {
  if (FAILED(info_.GetFuncDesc(index, &description_))) description_ = nullptr;
}

FuncDescription::~FuncDescription() {
  if (description_ != nullptr) info_.ReleaseFuncDesc(description_);
}

VARTYPE ValueTypeOf(ITypeInfo& info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR:
      if (type.lptdesc == nullptr) return VT_EMPTY;
      return ValueTypeOf(info, *type.lptdesc);
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> referenced;
      if (FAILED(info.GetRefTypeInfo(type.hreftype, referenced.Receive()))) return VT_EMPTY;
      const TypeAttributes attributes(*referenced);
      if (attributes.get() == nullptr) return VT_EMPTY;
      if (attributes.get()->typekind == TKIND_ENUM) return VT_I4;
      if (attributes.get()->typekind == TKIND_ALIAS) {
        return ValueTypeOf(*referenced, attributes.get()->tdescAlias);
      }
      return VT_EMPTY;
    }
    case VT_BSTR:
    case VT_I4:
    case VT_I2:
    case VT_BOOL:
    case VT_DATE:
      return type.vt;
    default:
      return VT_EMPTY;
  }
}

}  // namespace orvabridge::com
