#include "environment/class_library.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

using platform::RegistryRoot;
using platform::desk::Desktop;

// Notes the connection string it is asked for instead of opening anything.
class RecordingDatabase : public platform::Database {
 public:
  std::unique_ptr<platform::DbConnection> Connect(std::string_view connection_string) override {
    connections.emplace_back(connection_string);
    return std::make_unique<NoConnection>();
  }
  std::vector<std::string> connections;

 private:
  class NoConnection : public platform::DbConnection {
   public:
    platform::QueryResult Query(std::string_view, std::span<const std::string>) override {
      return {};
    }
  };
};

class ClassLibraryTest : public ::testing::Test {
 protected:
  std::unique_ptr<ClassLibrary> Create() {
    return CreateClassLibrary(desk_->Reg(), desk_->AnsiCodePage(), database_);
  }
  void Set(const std::string& name, const std::string& value) {
    desk_->SetRegistryString(RegistryRoot::kLocalMachine, kClassLibraryKey, name, value);
  }

  std::shared_ptr<Desktop> desk_ = Desktop::Create();
  RecordingDatabase database_;
};

TEST_F(ClassLibraryTest, NotInstalledFailsCreationWith429) {
  try {
    Create();
    FAIL() << "creation succeeded without the class library's key";
  } catch (const RuntimeFailure& failure) {
    EXPECT_EQ(failure.number(), 429);
    EXPECT_EQ(failure.description(), "ActiveX component can't create object");
  }
}

TEST_F(ClassLibraryTest, ConfiguredConnectionStringIsUsedAndAbsentValuesReadEmptyOrZero) {
  Set("VendorKey", "Acme");
  auto library = Create();
  EXPECT_EQ(library->GetDatabaseConnection("Acme", "Imaging"), nullptr);
  EXPECT_TRUE(database_.connections.empty());

  Set("ConnectionString", "DSN=imaging;UID=reader");
  EXPECT_NE(library->GetDatabaseConnection("Acme", "Imaging"), nullptr);
  EXPECT_EQ(database_.connections, std::vector<std::string>{"DSN=imaging;UID=reader"});

  Set("VendorKey", "Acme");
  InstallationInfo info;
  info.application_key = "stale";
  Create()->GetInstallationInfo(info);
  EXPECT_EQ(info.vendor_key, "Acme");
  EXPECT_EQ(info.application_key, "");
  EXPECT_EQ(info.major, 0);
  EXPECT_EQ(info.minor, 0);
  EXPECT_EQ(info.revision, 0);
}

}  // namespace
}  // namespace orvabridge::environment
