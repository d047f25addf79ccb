#include "com/class_factory.h"

#include "com/appl_object.h"
#include "com/module.h"

namespace orvabridge::com {

STDMETHODIMP ApplFactory::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// A static object: its references only count as locks on the module.
STDMETHODIMP_(ULONG) ApplFactory::AddRef() {
  LockModule();
  return 2;
}

STDMETHODIMP_(ULONG) ApplFactory::Release() {
  UnlockModule();
  return 1;
}

STDMETHODIMP ApplFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return ApplObject::Create(riid, object);
}

STDMETHODIMP ApplFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

ApplFactory& TheApplFactory() {
  static ApplFactory factory;
  return factory;
}

}  // namespace orvabridge::com
