// The maker's class library, which knows the installation and opens the imaging application's
// database. Our stand-in is described by the registry key HKEY_LOCAL_MACHINE\Software\Orvaclass
// (values "VendorKey", "ApplicationKey", "ExecutablePath", "Version" as "major.minor.revision",
// "ConnectionString"); without that key the class library counts as not installed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "platform/database.h"
#include "platform/registry.h"

namespace orvabridge::environment {

inline constexpr const char* kClassLibraryKey = "Software\\Orvaclass";

// The nine by-reference arguments of GetInstallationInfo.
struct InstallationInfo {
  std::string vendor_key;
  std::string application_key;
  std::string text3;
  std::string text4;
  std::string executable_path;
  int16_t major = 0;
  int16_t minor = 0;
  int16_t revision = 0;
  bool result = false;
};

class ClassLibrary {
 public:
  virtual ~ClassLibrary() = default;
  virtual void GetInstallationInfo(InstallationInfo& info) = 0;
  // An open connection to the imaging application's database, or nullptr when there is none.
  virtual std::unique_ptr<platform::DbConnection> GetDatabaseConnection(
      std::string_view vendor_key, std::string_view application_key) = 0;
};

// Creates the class library's object; throws RuntimeFailure 429 when it is not installed.
std::unique_ptr<ClassLibrary> CreateClassLibrary(platform::Registry& registry,
                                                 platform::CodePage& code_page,
                                                 platform::Database& database);

}  // namespace orvabridge::environment
