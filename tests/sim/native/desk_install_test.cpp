// Starting the simulated application through the in-process desktop's process start, the way
// the library launches the real one.
#include "sim/desk_install.h"

#include <gtest/gtest.h>

#include "platform/desk/desktop.h"

namespace orvabridge::testing {
namespace {

constexpr const char* kExe = "C:\\Program Files\\Orvanta\\Orvanta.exe";

TEST(DeskInstallTest, EachStartRunsASimulatorUntilShutdown) {
  auto desktop = platform::desk::Desktop::Create();
  sim::InstallOnDesktop(desktop, kExe, sim::SimOptions{});

  EXPECT_NE(desktop->System().StartProcess(std::string(kExe) + " /NOFP /NOLOGIN",
                                           platform::kSwShowMinNoActive),
            0u);
  desktop->System().StartProcess(kExe, platform::kSwShow);
  const auto started = sim::InstalledSimulators();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_TRUE(started[0]->running());
  EXPECT_NE(started[0]->options().launch_arguments.find("/NOFP /NOLOGIN"), std::string::npos);
  EXPECT_TRUE(desktop->Windows().IsIconic(started[0]->main_window()));
  const platform::WindowHandle first_main = started[0]->main_window();

  sim::ShutdownInstalledSimulators();
  EXPECT_TRUE(sim::InstalledSimulators().empty());
  EXPECT_FALSE(started[1]->running());
  EXPECT_FALSE(desktop->Windows().IsWindow(first_main));
}

}  // namespace
}  // namespace orvabridge::testing
