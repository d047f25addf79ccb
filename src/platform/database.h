// A database reached through a connection string; parameterised queries only. Failures throw
// RuntimeFailure carrying the driver's native error number and message.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::platform {

struct QueryResult {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;  // nullopt: SQL NULL

  // Index of a column by name (case-insensitive), or nullopt.
  std::optional<size_t> Column(std::string_view name) const;
};

class DbConnection {
 public:
  virtual ~DbConnection() = default;
  // `?` markers in `sql` are bound to `parameters` in order, as text.
  virtual QueryResult Query(std::string_view sql, std::span<const std::string> parameters) = 0;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual std::unique_ptr<DbConnection> Connect(std::string_view connection_string) = 0;
  // For checking a connection string: asks the driver for a read-only connection that gives up
  // logging in after `login_limit`, where the driver supports either. The default connects as
  // Connect does.
  virtual std::unique_ptr<DbConnection> ConnectToRead(std::string_view connection_string,
                                                      std::chrono::seconds login_limit);
};

}  // namespace orvabridge::platform
