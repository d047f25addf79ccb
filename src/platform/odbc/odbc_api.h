// The ODBC headers, included the one way this backend needs them: on Windows <sql.h> relies on
// the types of <windows.h>; elsewhere the driver manager's headers stand alone. Only the wide
// (...W) entry points are called: Wine's odbc32 has no others, and they carry every character.
//
// Every call goes through DriverManager(), never to the SQL... functions by name: on Windows the
// functions come from the system's odbc32.dll, loaded from the system folder only (odbc32 is not
// one of the known DLLs that Windows always takes from there, so an import of it would be looked
// up in the host program's folder first, where anybody who can write to a shared folder could
// plant one). Elsewhere they are the linked driver manager's own.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC calls must use UTF-16 units");

namespace orvabridge::platform::odbc {

// The driver manager's entry points that this backend calls, with their declared types.
struct DriverManagerCalls {
  decltype(&::SQLAllocHandle) AllocHandle;
  decltype(&::SQLBindParameter) BindParameter;
  decltype(&::SQLDescribeColW) DescribeColW;
  decltype(&::SQLDisconnect) Disconnect;
  decltype(&::SQLDriverConnectW) DriverConnectW;
  decltype(&::SQLExecute) Execute;
  decltype(&::SQLFetch) Fetch;
  decltype(&::SQLFreeHandle) FreeHandle;
  decltype(&::SQLGetData) GetData;
  decltype(&::SQLGetDiagRecW) GetDiagRecW;
  decltype(&::SQLNumResultCols) NumResultCols;
  decltype(&::SQLPrepareW) PrepareW;
  decltype(&::SQLSetConnectAttrW) SetConnectAttrW;
  decltype(&::SQLSetEnvAttr) SetEnvAttr;
};

// The driver manager, loaded on first use and kept for the life of the process; throws
// RuntimeFailure when it cannot be loaded or lacks an entry point.
const DriverManagerCalls& DriverManager();

}  // namespace orvabridge::platform::odbc
