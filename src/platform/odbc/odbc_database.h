// The database service over ODBC: a connection string names the driver and the database
// ("Driver={SQLite3};Database=C:\\Data\\orva.db", a DSN, ...); the driver manager does the rest.
#pragma once

#include <memory>
#include <string_view>

#include "platform/database.h"

namespace orvabridge::platform::odbc {

class OdbcDatabase final : public Database {
 public:
  // Opens a connection without prompting; throws RuntimeFailure with the driver's diagnostics
  // when the driver manager or the driver refuses.
  std::unique_ptr<DbConnection> Connect(std::string_view connection_string) override;
  // Sets the connection's access mode to read-only and its login time-out before connecting.
  std::unique_ptr<DbConnection> ConnectToRead(std::string_view connection_string,
                                              std::chrono::seconds login_limit) override;
};

}  // namespace orvabridge::platform::odbc
