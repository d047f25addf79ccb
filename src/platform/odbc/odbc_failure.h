// Turning a failed ODBC call into the library's RuntimeFailure: the number is the driver's
// native error (the generic provider failure -2147467259 when the driver gives none) and the
// description is the driver's own message.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/odbc/odbc_api.h"

namespace orvabridge::platform::odbc {

// The number of a database failure for which the driver reports no native error.
inline constexpr int32_t kUnspecifiedFailure = -2147467259;  // 0x80004005

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Throws the failure that the diagnostics of `handle` describe; `call` names the ODBC function
// for the case that the driver left no diagnostic record.
[[noreturn]] void ThrowDiagnostics(SQLSMALLINT handle_type, SQLHANDLE handle,
                                   std::string_view call);

// Throws unless `rc` reports success (with or without information).
inline void Check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle, std::string_view call) {
  if (!Succeeded(rc)) ThrowDiagnostics(handle_type, handle, call);
}

}  // namespace orvabridge::platform::odbc
