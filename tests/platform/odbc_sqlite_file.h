// A throw-away SQLite database reached through the SQLite ODBC driver, for the tests of the ODBC
// backend and of the database look-ups. The driver is the one the machine has installed: the
// variable ORVABRIDGE_SQLITE_ODBC_DRIVER (a library path or a {registered name}) when set, else
// the library in the usual multiarch folder, else the name "{SQLite3}" that the driver package
// registers with the driver manager.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace orvabridge::testing {

inline std::string SqliteOdbcDriver() {
  if (const char* chosen = std::getenv("ORVABRIDGE_SQLITE_ODBC_DRIVER"); chosen && *chosen) {
    return chosen;
  }
#if defined(__linux__)
#if defined(__x86_64__)
  const char* multiarch = "x86_64-linux-gnu";
#elif defined(__i386__)
  const char* multiarch = "i386-linux-gnu";
#elif defined(__aarch64__)
  const char* multiarch = "aarch64-linux-gnu";
#else
  const char* multiarch = "";
#endif
  const std::filesystem::path candidates[] = {
      std::filesystem::path("/usr/lib") / multiarch / "odbc" / "libsqlite3odbc.so",
      "/usr/lib/odbc/libsqlite3odbc.so", "/usr/local/lib/libsqlite3odbc.so"};
  for (const auto& candidate : candidates) {
    std::error_code ec;
    if (std::filesystem::exists(candidate, ec)) return candidate.string();
  }
#endif
  return "{SQLite3}";
}

// A database file name below the temporary folder that nobody else uses; the driver creates the
// file on the first connection. The file is removed with the object. Windows builds run under
// Wine, whose ODBC hands the connection to the host's driver manager: the driver then needs the
// host's path, and the test removes the file through drive Z:, where Wine shows the host's root.
class SqliteTestFile {
 public:
  SqliteTestFile() {
    std::random_device random;
    const auto tag = std::to_string(random()) + std::to_string(random());
    const auto name = "orvabridge-db-" + tag + ".db";
#ifdef _WIN32
    driver_path_ = "/tmp/" + name;
    path_ = std::filesystem::path("Z:\\tmp") / name;
#else
    path_ = std::filesystem::temp_directory_path() / name;
    driver_path_ = path_.string();
#endif
  }
  ~SqliteTestFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  SqliteTestFile(const SqliteTestFile&) = delete;
  SqliteTestFile& operator=(const SqliteTestFile&) = delete;

  std::string ConnectionString() const {
    return "Driver=" + SqliteOdbcDriver() + ";Database=" + driver_path_ + ";";
  }

 private:
  std::filesystem::path path_;  // as this program sees it
  std::string driver_path_;     // as the driver sees it
};

}  // namespace orvabridge::testing
