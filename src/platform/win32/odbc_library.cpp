// The system's ODBC driver manager, odbc32.dll, loaded from the system folder and nowhere else
// (LOAD_LIBRARY_SEARCH_SYSTEM32): the program's folder and the current folder, which may be a
// share others can write to, are never searched for it (platform/odbc/odbc_api.h says why).
#include <string>

#include "platform/odbc/odbc_api.h"
#include "platform/odbc/odbc_failure.h"
#include "platform/runtime_failure.h"
#include "platform/win32/windows_include.h"

namespace orvabridge::platform::odbc {
namespace {

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function) {
  // Through a generic function pointer: GetProcAddress's type is not the function's.
  auto* address = reinterpret_cast<void (*)()>(::GetProcAddress(module, name));
  if (address == nullptr) {
    throw RuntimeFailure(kUnspecifiedFailure,
                         std::string("The system's odbc32.dll has no ") + name + ".");
  }
  function = reinterpret_cast<Function>(address);
}

DriverManagerCalls Load() {
  // Kept loaded for the life of the process, like a DLL of the import table: handles of it may
  // be freed as late as process exit, when unloading it would be unsafe.
  HMODULE module = ::LoadLibraryExW(L"odbc32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    throw RuntimeFailure(kUnspecifiedFailure,
                         "The ODBC driver manager (odbc32.dll) is not in the system folder "
                         "(error " +
                             std::to_string(::GetLastError()) + ").");
  }
  DriverManagerCalls calls{};
  Resolve(module, "SQLAllocHandle", calls.AllocHandle);
  Resolve(module, "SQLBindParameter", calls.BindParameter);
  Resolve(module, "SQLDescribeColW", calls.DescribeColW);
  Resolve(module, "SQLDisconnect", calls.Disconnect);
  Resolve(module, "SQLDriverConnectW", calls.DriverConnectW);
  Resolve(module, "SQLExecute", calls.Execute);
  Resolve(module, "SQLFetch", calls.Fetch);
  Resolve(module, "SQLFreeHandle", calls.FreeHandle);
  Resolve(module, "SQLGetData", calls.GetData);
  Resolve(module, "SQLGetDiagRecW", calls.GetDiagRecW);
  Resolve(module, "SQLNumResultCols", calls.NumResultCols);
  Resolve(module, "SQLPrepareW", calls.PrepareW);
  Resolve(module, "SQLSetConnectAttrW", calls.SetConnectAttrW);
  Resolve(module, "SQLSetEnvAttr", calls.SetEnvAttr);
  return calls;
}

}  // namespace

const DriverManagerCalls& DriverManager() {
  // A failed load throws out of the initialisation, so the next call tries again.
  static const DriverManagerCalls calls = Load();
  return calls;
}

}  // namespace orvabridge::platform::odbc
