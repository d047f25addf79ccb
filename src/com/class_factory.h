// The class object of `Appl` that DllGetClassObject hands out. There is one for the process; its
// references and server locks keep the DLL loaded.
#pragma once

#include "com/com_include.h"

namespace orvabridge::com {

// Deleted only by its own Release (see com_include.h).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ApplFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;
};
#pragma GCC diagnostic pop

ApplFactory& TheApplFactory();

}  // namespace orvabridge::com
