// Attaching, where the test needs the in-process desktop's own controls: an empty registry and
// the record of started programs.
#include <gtest/gtest.h>

#include "link/appl_core.h"
#include "platform/desk/desktop.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

class AttachNativeTest : public LinkTest {
 protected:
  platform::desk::Desktop& desktop() {
    return static_cast<platform::desk::Desktop&>(*platform_);
  }
};

TEST_F(AttachNativeTest, MissingClassLibraryGivesMinusFiveWithoutABox) {
  platform_ = platform::desk::Desktop::Create();  // nothing installed
  auto appl = MakeAppl();
  EXPECT_TRUE(link::ThisThread().installation.class_library_missing);
  EXPECT_EQ(appl->core().computer_name, "");
  EXPECT_EQ(appl->core().workstation_name, "");
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), -5);
  EXPECT_TRUE(desktop().MessageBoxes().empty());
}

TEST_F(AttachNativeTest, KnownExecutableIsStartedMinimisedWithoutActivationOnce) {
  Installation installed;
  installed.executable_path = "C:\\Orvanta\\Orvanta.exe";
  InstallClassLibrary(*platform_, installed);
  int launches = 0;
  int show_command = -1;
  std::string arguments;
  desktop().RegisterProgram(installed.executable_path,
                            [&](const std::string& args, int show) {
                              ++launches;
                              arguments = args;
                              show_command = show;
                              return true;  // started, but it never answers
                            });
  auto appl = MakeAppl();
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), -3);
  EXPECT_EQ(launches, 1);
  EXPECT_EQ(show_command, platform::kSwShowMinNoActive);
  ASSERT_EQ(desktop().StartedCommandLines().size(), 1u);
  EXPECT_EQ(desktop().StartedCommandLines()[0], "C:\\Orvanta\\Orvanta.exe /NOFP /NOLOGIN");
  EXPECT_FALSE(link::ThisThread().stub_mode);
}

TEST_F(AttachNativeTest, ExecutablePathWithBlanksIsQuoted) {
  Installation installed;
  installed.executable_path = "C:\\Program Files\\Orvanta\\Orvanta.exe";
  InstallClassLibrary(*platform_, installed);
  desktop().RegisterProgram(installed.executable_path, [](const std::string&, int) { return true; });
  auto appl = MakeAppl();
  std::string name, version;
  appl->InitApplication(name, version);
  ASSERT_EQ(desktop().StartedCommandLines().size(), 1u);
  EXPECT_EQ(desktop().StartedCommandLines()[0],
            "\"C:\\Program Files\\Orvanta\\Orvanta.exe\" /NOFP /NOLOGIN");
}

TEST_F(AttachNativeTest, ProductCheckEmptiesTheExecutableSoTheLinkEntersStubMode) {
  Installation installed;
  installed.executable_path = "C:\\Programs\\TESSARO\\viewer.exe";
  InstallClassLibrary(*platform_, installed);
  auto appl = MakeAppl();
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(name, "OrvaStub");
  EXPECT_TRUE(desktop().StartedCommandLines().empty());
}

TEST_F(AttachNativeTest, ProgramThatCannotStartShowsTheLaunchBox) {
  Installation installed;
  installed.executable_path = "C:\\Missing\\Orvanta.exe";
  InstallClassLibrary(*platform_, installed);
  auto appl = MakeAppl();
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), -3);
  ASSERT_FALSE(boxes_.empty());
  EXPECT_EQ(boxes_[0].text.rfind("Orvabridge.Appl.LaunchExe error: 53 ", 0), 0u);
  EXPECT_NE(boxes_[0].text.find("\r\nC:\\Missing\\Orvanta.exe"), std::string::npos);
}

}  // namespace
}  // namespace orvabridge::testing
