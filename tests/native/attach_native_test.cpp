// Attaching, where the test needs the in-process desktop's own controls: an empty registry and
// the record of started programs.
#include <gtest/gtest.h>

#include "link/appl_core.h"
#include "platform/desk/desktop.h"
#include "support/link_fixture.h"

namespace orvabridge::testing {
namespace {

class AttachNativeTest : public LinkTest {
 protected:
  platform::desk::Desktop& desktop() { return static_cast<platform::desk::Desktop&>(*platform_); }
};

TEST_F(AttachNativeTest, MissingClassLibraryGivesMinusFiveWithoutABox) {
  platform_ = platform::desk::Desktop::Create();  // nothing installed
  auto appl = MakeAppl();
  EXPECT_TRUE(link::ThisThread().installation.class_library_missing);
  EXPECT_EQ(CoreOf(*appl).computer_name, "");
  EXPECT_EQ(CoreOf(*appl).workstation_name, "");
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), -5);
  EXPECT_TRUE(desktop().MessageBoxes().empty());
}

TEST_F(AttachNativeTest, KnownExecutableIsStartedOnceMinimisedWithoutActivation) {
  struct Case {
    const char* path;
    const char* command_line;  // a path with blanks is quoted
  };
  for (const Case& c : {Case{"C:\\Orvanta\\Orvanta.exe", "C:\\Orvanta\\Orvanta.exe /NOFP /NOLOGIN"},
                        Case{"C:\\Program Files\\Orvanta\\Orvanta.exe",
                             "\"C:\\Program Files\\Orvanta\\Orvanta.exe\" /NOFP /NOLOGIN"}}) {
    SCOPED_TRACE(c.path);
    TearDown();  // a fresh platform and thread-wide state for each case
    SetUp();
    Installation installed;
    installed.executable_path = c.path;
    InstallClassLibrary(*platform_, installed);
    int launches = 0;
    int show_command = -1;
    desktop().RegisterProgram(c.path, [&](const std::string&, int show) {
      ++launches;
      show_command = show;
      return true;  // started, but it never answers
    });
    auto appl = MakeAppl();
    std::string name, version;
    EXPECT_EQ(appl->InitApplication(name, version), -3);
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(show_command, platform::kSwShowMinNoActive);
    EXPECT_EQ(desktop().StartedCommandLines(), std::vector<std::string>{c.command_line});
    EXPECT_FALSE(link::ThisThread().stub_mode);
  }
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
