#include "com/module.h"

#include <atomic>

#include "platform/win32/module_file.h"

namespace orvabridge::com {
namespace {

HINSTANCE module_instance = nullptr;
std::atomic<long> live_objects{0};
std::atomic<long> server_locks{0};
std::atomic<bool> pinned{false};

}  // namespace

void SetModuleInstance(HINSTANCE instance) { module_instance = instance; }
HINSTANCE ModuleInstance() { return module_instance; }

std::wstring ModulePath() { return platform::win32::ModuleFileName(module_instance); }

void AddObject() { ++live_objects; }
void RemoveObject() { --live_objects; }
void LockModule() { ++server_locks; }
void UnlockModule() { --server_locks; }
bool CanUnloadModule() { return live_objects.load() == 0 && server_locks.load() == 0; }

void PinModule() {
  if (pinned.exchange(true)) return;
  // Any address inside this DLL names it; a variable of ours will do.
  HMODULE self = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&module_instance), &self);
}

}  // namespace orvabridge::com
