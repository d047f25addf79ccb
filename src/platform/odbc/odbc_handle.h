// An RAII owner for one ODBC handle (environment, connection or statement). Freeing a
// connection handle first disconnects it, so no path, including one that throws, leaks a
// session with the database.
#pragma once

#include <utility>

#include "platform/odbc/odbc_api.h"

namespace orvabridge::platform::odbc {

class OdbcHandle {
 public:
  OdbcHandle() = default;
  // Allocates a handle of `type` below `parent` (SQL_NULL_HANDLE for an environment); throws
  // RuntimeFailure when the driver manager refuses.
  OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  OdbcHandle(OdbcHandle&& other) noexcept
      : type_(other.type_),
        handle_(std::exchange(other.handle_, nullptr)),
        connected_(std::exchange(other.connected_, false)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept;
  ~OdbcHandle() { Reset(); }

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  // A connection handle that SQLDriverConnectW opened: it is disconnected before it is freed.
  void MarkConnected() { connected_ = true; }

 private:
  void Reset() noexcept;

  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = nullptr;
  bool connected_ = false;
};

}  // namespace orvabridge::platform::odbc
