#include "environment/class_library.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

using platform::desk::Desktop;

class ClassLibraryTest : public ::testing::Test {
 protected:
  std::unique_ptr<ClassLibrary> Create() {
    return CreateClassLibrary(desk_->Reg(), desk_->AnsiCodePage(), desk_->Databases());
  }

  std::shared_ptr<Desktop> desk_ = Desktop::Create();
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

TEST_F(ClassLibraryTest, AbsentValuesOverwriteWhatTheCallerHeld) {
  desk_->SetRegistryString(platform::RegistryRoot::kLocalMachine, kClassLibraryKey, "VendorKey",
                           "Acme");
  InstallationInfo info;
  info.application_key = "stale";
  Create()->GetInstallationInfo(info);
  EXPECT_EQ(info.vendor_key, "Acme");
  EXPECT_EQ(info.application_key, "");
}

}  // namespace
}  // namespace orvabridge::environment
