// The DLL's entry points, as the system and regsvr32 call them.
#include <cwchar>

#include "com/class_factory.h"
#include "com/com_include.h"
#include "com/module.h"
#include "platform/system_call_count.h"
#include "com/registration.h"

using orvabridge::com::RegistrationScope;

// Declared by no system header that this build includes.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR command_line);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // Thread notifications stay on: the runtime's per-thread cleanup depends on them.
  if (reason == DLL_PROCESS_ATTACH) orvabridge::com::SetModuleInstance(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_Appl)) return CLASS_E_CLASSNOTAVAILABLE;
  return orvabridge::com::TheApplFactory().QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow() { return orvabridge::com::CanUnloadModule() ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return orvabridge::com::RegisterServer(RegistrationScope::kMachine); }

STDAPI DllUnregisterServer() {
  return orvabridge::com::UnregisterServer(RegistrationScope::kMachine);
}

// `regsvr32 /n /i:user Orvabridge.dll` registers for the current user only, `/u /n /i:user`
// removes that registration; no command line (or "machine") means the whole machine.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR command_line) {
  RegistrationScope scope = RegistrationScope::kMachine;
  if (command_line != nullptr && *command_line != L'\0') {
    if (_wcsicmp(command_line, L"user") == 0) {
      scope = RegistrationScope::kUser;
    } else if (_wcsicmp(command_line, L"machine") != 0) {
      return E_INVALIDARG;
    }
  }
  return install ? orvabridge::com::RegisterServer(scope)
                 : orvabridge::com::UnregisterServer(scope);
}

#ifdef ORVABRIDGE_COUNT_SYSTEM_CALLS
// Only in builds that count: the calling thread's count of the server's own calls into the
// window manager, for the figures tool (the server keeps its own copy of the counter).
extern "C" __declspec(dllexport) unsigned long long OrvabridgeSystemCallsOfThisThread() {
  return orvabridge::platform::SystemCallsOfThisThread();
}
#endif
