// The driver manager that the build links (unixODBC): its functions, taken by address.
#include "platform/odbc/odbc_api.h"

namespace orvabridge::platform::odbc {

const DriverManagerCalls& DriverManager() {
  static constexpr DriverManagerCalls calls{
      &::SQLAllocHandle,     &::SQLBindParameter, &::SQLDescribeColW,  &::SQLDisconnect,
      &::SQLDriverConnectW,  &::SQLExecute,       &::SQLFetch,         &::SQLFreeHandle,
      &::SQLGetData,         &::SQLGetDiagRecW,   &::SQLNumResultCols, &::SQLPrepareW,
      &::SQLSetConnectAttrW, &::SQLSetEnvAttr};
  return calls;
}

}  // namespace orvabridge::platform::odbc
