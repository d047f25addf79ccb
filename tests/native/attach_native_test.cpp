// Attaching, where the test needs the in-process desktop's own controls: an empty registry and
// the record of started programs.
#include <gtest/gtest.h>

#include <chrono>

#include "link/appl_core.h"
#include "platform/desk/desktop.h"
#include "sim/simulator.h"
#include "support/link_fixture.h"

namespace orvabridge::testing {
namespace {

using namespace std::chrono_literals;

class AttachNativeTest : public LinkTest {
 protected:
  platform::desk::Desktop& desktop() { return static_cast<platform::desk::Desktop&>(*platform_); }

  // Another program, on a thread of its own that is a process of its own.
  void InOwnProcess(const sim::Simulator& program) {
    desktop().SetThreadProcess(platform_->Windows().WindowThread(program.main_window()),
                               desktop().NewProcess());
  }

  // The class library names an executable, so that a search that finds nobody starts it.
  int& CountLaunches() {
    Installation installed;
    installed.executable_path = "C:\\Orvanta\\Orvanta.exe";
    InstallClassLibrary(*platform_, installed);
    desktop().RegisterProgram(installed.executable_path, [this](const std::string&, int) {
      ++launches_;
      return true;
    });
    return launches_;
  }

  int launches_ = 0;
};

// An application busy loading a series looks at its messages only now and then: its title is
// read without asking it, it is told on the first pass and answers within that pass's wait; the
// library never starts a second copy of it.
TEST_F(AttachNativeTest, ABusyApplicationIsAttachedOnTheFirstPassAndNeverLaunchedAgain) {
  const int& launches = CountLaunches();
  sim::SimOptions busy;
  busy.look_interval = 1200ms;  // far beyond a title read's 300 ms, within the 2 s reply wait
  sim::Simulator application(platform_, busy);
  application.Start();
  InOwnProcess(application);

  auto appl = MakeAppl(1.0);  // the real search times
  std::string name, version;
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_EQ(name, "Orvanta");
  EXPECT_EQ(launches, 0) << "a second copy of the imaging application was started";
  EXPECT_EQ(application.AttachRequestCount(), 1u) << "not attached on the first pass";
  application.Stop();
}

// A hung program of another maker whose main window has the imaging application's class: its
// title costs the search nothing, so even the short no-launch search finds the application.
TEST_F(AttachNativeTest, AHungForeignWindowCostsTheSearchNothing) {
  sim::SimOptions other;
  other.application_key = "Practice";
  other.window_title = "Practice Manager";
  sim::Simulator hung(platform_, other);
  hung.Start();
  InOwnProcess(hung);
  hung.Freeze(3s);
  auto& windows = platform_->Windows();
  while (windows.Send(hung.main_window(), 0, 0, 0, platform::Clock::now() + 50ms).handled()) {
    // until the freeze has begun: the program no longer answers
  }
  sim::Simulator application(platform_);
  application.Start();
  InOwnProcess(application);

  const auto started = platform::Clock::now();
  auto appl = MakeAppl(1.0);
  std::string name, version = "NoLaunch";
  EXPECT_EQ(appl->InitApplication(name, version), 1);
  EXPECT_LT(platform::Clock::now() - started, 3s) << "the search waited for the hung program";
  EXPECT_EQ(hung.AttachRequestCount(), 0u);
  application.Stop();
  hung.Stop();
}

TEST_F(AttachNativeTest, MissingClassLibraryGivesMinusFiveWithoutABox) {
  platform_ = platform::desk::Desktop::Create();  // nothing installed
  auto appl = MakeAppl();
  EXPECT_TRUE(link::ThisThread().installation.class_library_missing);
  EXPECT_EQ(CoreOf(*appl).text_out().computer_name(), "");
  EXPECT_EQ(CoreOf(*appl).text_out().workstation_name(), "");
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
