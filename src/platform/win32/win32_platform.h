// The bundle of real Win32 services, with databases through the system's ODBC driver manager;
// DefaultPlatform() hands out one per process.
#pragma once

#include "platform/odbc/odbc_database.h"
#include "platform/platform.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system_services.h"
#include "platform/win32/win32_window_system.h"

namespace orvabridge::platform::win32 {

class Win32Platform final : public Platform {
 public:
  WindowSystem& Windows() override { return windows_; }
  Registry& Reg() override { return registry_; }
  FileSystem& Files() override { return files_; }
  SystemServices& System() override { return system_; }
  CodePage& AnsiCodePage() override { return code_page_; }
  Database& Databases() override { return database_; }

 private:
  Win32WindowSystem windows_;
  Win32Registry registry_;
  Win32FileSystem files_;
  Win32SystemServices system_;
  Win32CodePage code_page_;
  odbc::OdbcDatabase database_;  // odbc32, the system's driver manager
};

}  // namespace orvabridge::platform::win32
