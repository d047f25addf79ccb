#include "platform/database.h"

#include <algorithm>
#include <cctype>

namespace orvabridge::platform {

std::optional<size_t> QueryResult::Column(std::string_view name) const {
  auto same = [&](const std::string& column) {
    return column.size() == name.size() &&
           std::equal(column.begin(), column.end(), name.begin(), [](char a, char b) {
             return std::tolower(static_cast<unsigned char>(a)) ==
                    std::tolower(static_cast<unsigned char>(b));
           });
  };
  auto it = std::find_if(columns.begin(), columns.end(), same);
  if (it == columns.end()) return std::nullopt;
  return static_cast<size_t>(it - columns.begin());
}

std::unique_ptr<DbConnection> Database::ConnectToRead(std::string_view connection_string,
                                                      std::chrono::seconds) {
  return Connect(connection_string);
}

}  // namespace orvabridge::platform
