#include "com/appl_object.h"

#include <new>
#include <utility>

#include "com/call_boundary.h"
#include "com/dispatcher.h"
#include "com/module.h"
#include "orvabridge/appl.h"

namespace orvabridge::com {

HRESULT ApplObject::Create(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;

  ComPtr<ITypeInfo> type_info;
  HRESULT status = LoadApplTypeInfo(type_info);
  if (FAILED(status)) return status;
  MemberMap members;
  status = MemberMap::Build(*type_info, members);
  if (FAILED(status)) return status;

  std::unique_ptr<Appl> appl;
  status = GuardedCall([&] { appl = std::make_unique<Appl>(); });
  if (FAILED(status)) return status;

  PinModule();
  auto* created =
      new (std::nothrow) ApplObject(std::move(type_info), std::move(members), std::move(appl));
  if (created == nullptr) return E_OUTOFMEMORY;
  status = created->QueryInterface(riid, object);
  created->Release();
  return status;
}

ApplObject::ApplObject(ComPtr<ITypeInfo> type_info, MemberMap members, std::unique_ptr<Appl> appl)
    : type_info_(std::move(type_info)), members_(std::move(members)), appl_(std::move(appl)) {
  AddObject();
}

ApplObject::~ApplObject() {
  // The link object goes first (it writes pending call-log lines and restores windows), and only
  // then does the module stop counting this object.
  appl_.reset();
  RemoveObject();
}

STDMETHODIMP ApplObject::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, IID__Appl)) {
    *object = static_cast<_Appl*>(this);
  } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ApplObject::AddRef() {
  return static_cast<ULONG>(::InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) ApplObject::Release() {
  const LONG remaining = ::InterlockedDecrement(&references_);
  if (remaining == 0) delete this;
  return static_cast<ULONG>(remaining);
}

STDMETHODIMP ApplObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP ApplObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  *info = ComPtr<ITypeInfo>(type_info_).Detach();
  return S_OK;
}

STDMETHODIMP ApplObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                       DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // The member's name first, then names of its parameters, which map to their positions.
  return ::DispGetIDsOfNames(type_info_.get(), names, count, ids);
}

STDMETHODIMP ApplObject::Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags,
                                DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                UINT* argument_error) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // A call may pump messages, and a host may drop its last reference from inside one.
  const ComPtr<ApplObject> keep_alive = ComPtr<ApplObject>::Retain(this);
  return InvokeMember(*this, *type_info_, members_, member, flags, params, lcid, result, exception,
                      argument_error);
}

STDMETHODIMP ApplObject::InterfaceSupportsErrorInfo(REFIID riid) {
  return IsEqualIID(riid, IID__Appl) ? S_OK : S_FALSE;
}

}  // namespace orvabridge::com
