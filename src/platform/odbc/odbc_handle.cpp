#include "platform/odbc/odbc_handle.h"

#include "platform/odbc/odbc_failure.h"
#include "platform/runtime_failure.h"

namespace orvabridge::platform::odbc {

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN rc = DriverManager().AllocHandle(type, parent, &handle_);
  if (Succeeded(rc)) return;
  handle_ = nullptr;
  // Without an environment there is nobody to ask for diagnostics.
  if (type == SQL_HANDLE_ENV) {
    throw RuntimeFailure(kUnspecifiedFailure, "The ODBC driver manager could not be initialised.");
  }
  const SQLSMALLINT parent_type = type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC;
  ThrowDiagnostics(parent_type, parent, "SQLAllocHandle");
}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    type_ = other.type_;
    handle_ = std::exchange(other.handle_, nullptr);
    connected_ = std::exchange(other.connected_, false);
  }
  return *this;
}

void OdbcHandle::Reset() noexcept {
  if (handle_ == nullptr) return;
  if (connected_) DriverManager().Disconnect(handle_);
  DriverManager().FreeHandle(type_, handle_);
  handle_ = nullptr;
  connected_ = false;
}

}  // namespace orvabridge::platform::odbc
