// One parameterised query on an open ODBC connection, read completely into a QueryResult.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/database.h"
#include "platform/odbc/odbc_api.h"

namespace orvabridge::platform::odbc {

// Prepares `sql`, binds each `?` to the matching text of `parameters` (as UTF-16), executes it
// and fetches every row with every value as text; SQL NULL becomes nullopt. A statement that
// produces no result set gives an empty result. Throws RuntimeFailure with the driver's
// diagnostics.
QueryResult RunQuery(SQLHDBC connection, std::string_view sql,
                     std::span<const std::string> parameters);

}  // namespace orvabridge::platform::odbc
