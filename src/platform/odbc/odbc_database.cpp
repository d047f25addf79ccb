#include "platform/odbc/odbc_database.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/odbc/odbc_api.h"
#include "platform/odbc/odbc_failure.h"
#include "platform/odbc/odbc_handle.h"
#include "platform/odbc/odbc_statement.h"
#include "platform/odbc/utf16.h"
#include "platform/runtime_failure.h"

namespace orvabridge::platform::odbc {
namespace {

class OdbcConnection final : public DbConnection {
 public:
  OdbcConnection(OdbcHandle environment, OdbcHandle connection)
      : environment_(std::move(environment)), connection_(std::move(connection)) {}

  QueryResult Query(std::string_view sql, std::span<const std::string> parameters) override {
    return RunQuery(connection_.get(), sql, parameters);
  }

 private:
  // Declared first so that it is freed last: the connection belongs to it.
  OdbcHandle environment_;
  OdbcHandle connection_;
};

// Each connection has its own environment: no state is shared between connections, so
// connections made on different threads never meet.
OdbcHandle MakeEnvironment() {
  OdbcHandle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  const auto version = reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_OV_ODBC3));
  Check(DriverManager().SetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, version, 0),
        SQL_HANDLE_ENV, environment.get(), "SQLSetEnvAttr");
  return environment;
}

// Connects without prompting; `prepare` sets attributes of the connection before it connects.
template <class Prepare>
std::unique_ptr<DbConnection> Open(std::string_view connection_string, Prepare prepare) {
  const std::u16string wide = Utf8ToUtf16(connection_string);
  if (wide.size() > static_cast<size_t>(std::numeric_limits<SQLSMALLINT>::max())) {
    throw RuntimeFailure(kUnspecifiedFailure, "The connection string is too long.");
  }
  std::vector<SQLWCHAR> text(wide.begin(), wide.end());
  text.push_back(0);

  OdbcHandle environment = MakeEnvironment();
  OdbcHandle connection(SQL_HANDLE_DBC, environment.get());
  prepare(connection.get());
  SQLSMALLINT completed_length = 0;
  Check(DriverManager().DriverConnectW(connection.get(), nullptr, text.data(),
                                       static_cast<SQLSMALLINT>(wide.size()), nullptr, 0,
                                       &completed_length, SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, connection.get(), "SQLDriverConnectW");
  connection.MarkConnected();
  return std::make_unique<OdbcConnection>(std::move(environment), std::move(connection));
}

}  // namespace

std::unique_ptr<DbConnection> OdbcDatabase::Connect(std::string_view connection_string) {
  return Open(connection_string, [](SQLHDBC) {});
}

std::unique_ptr<DbConnection> OdbcDatabase::ConnectToRead(std::string_view connection_string,
                                                          std::chrono::seconds login_limit) {
  return Open(connection_string, [&](SQLHDBC connection) {
    // Drivers that do not know an attribute refuse it; the connection is made all the same.
    const auto seconds = static_cast<uintptr_t>(login_limit.count() > 0 ? login_limit.count() : 1);
    DriverManager().SetConnectAttrW(connection, SQL_ATTR_LOGIN_TIMEOUT,
                                    reinterpret_cast<SQLPOINTER>(seconds), SQL_IS_UINTEGER);
    DriverManager().SetConnectAttrW(
        connection, SQL_ATTR_ACCESS_MODE,
        reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_MODE_READ_ONLY)), SQL_IS_UINTEGER);
  });
}

}  // namespace orvabridge::platform::odbc
