// `orvactl doctor` on real Win32: orva-sim.exe in a process of its own is found by its window,
// attached and asked for its session, and the automation server's registration is read as the
// server itself writes it.
#include <gtest/gtest.h>

#include "com_test_support.h"
#include "doctor/doctor.h"
#include "identity/identity.h"
#include "platform/win32/win32_survey.h"
#include "win32/cross_process_fixture.h"

namespace orvabridge {
namespace {

using orvactl::CheckLine;
using orvactl::CheckStatus;

constexpr int kWindows = 4, kAttach = 5, kSession = 6, kCom = 7;

class Win32Doctor : public testing::CrossProcessTest {
 protected:
  void TearDown() override {
    if (const auto install = com_testing::ServerExport<com_testing::InstallFn>("DllInstall")) {
      install(FALSE, L"user");
    }
    CrossProcessTest::TearDown();
  }

  std::vector<CheckLine> Run() {
    link::ResetThisThread();
    return orvactl::RunDoctor(platform_, survey_);
  }

  platform::win32::Win32Survey survey_;
};

TEST_F(Win32Doctor, TheSimulatorInItsOwnProcessIsFoundAttachedAndAsked) {
  const auto& process = StartSimulator("--demo-data --logged-in demo");
  const auto lines = Run();
  const CheckLine& windows = lines.at(kWindows - 1);
  EXPECT_EQ(windows.status, CheckStatus::kOk) << windows.finding;
  EXPECT_NE(windows.finding.find("process " + std::to_string(process.id()) + ", responding"),
            std::string::npos)
      << windows.finding;
  EXPECT_EQ(lines.at(kAttach - 1).status, CheckStatus::kOk) << lines.at(kAttach - 1).finding;
  EXPECT_NE(lines.at(kSession - 1).finding.find("logged in: demo"), std::string::npos)
      << lines.at(kSession - 1).finding;
  for (const auto& box : boxes_) ADD_FAILURE() << "message box: " << box.text;
}

TEST_F(Win32Doctor, TheServersOwnRegistrationIsReadWithItsFileAndMachine) {
  const auto install = com_testing::ServerExport<com_testing::InstallFn>("DllInstall");
  ASSERT_NE(install, nullptr);
  install(FALSE, L"user");  // a clean start (Wine reports "nothing registered" as a failure)
  auto lines = Run();
  EXPECT_EQ(lines.at(kCom - 1).status, CheckStatus::kFail) << lines.at(kCom - 1).finding;

  ASSERT_EQ(install(TRUE, L"user"), S_OK);
  lines = Run();
  const CheckLine& com = lines.at(kCom - 1);
  ASSERT_FALSE(com.details.empty());
  EXPECT_NE(com.details[0].find("(for the user)"), std::string::npos) << com.details[0];
  if (survey_.SystemBits() == 64 && sizeof(void*) == 8) {
    // Windows keeps a user's classes apart for 32-bit programs (Software\Classes\WOW6432Node);
    // Wine shares them. Either way the line says what a 32-bit host meets there.
    const bool shared =
        survey_.KeyExistsInView(platform::RegistryRoot::kCurrentUser,
                                std::string("Software\\Classes\\CLSID\\") + identity::kClass.text,
                                platform::RegistryView::k32Bit);
    if (shared) {
      EXPECT_EQ(com.status, CheckStatus::kFail) << com.finding;
      EXPECT_NE(com.finding.find("in the 32-bit view the class names a DLL built for x64"),
                std::string::npos)
          << com.finding;
    } else {
      EXPECT_EQ(com.status, CheckStatus::kWarn) << com.finding;
      EXPECT_NE(com.finding.find("registered only for 64-bit hosts: 32-bit hosts"),
                std::string::npos)
          << com.finding;
    }
    EXPECT_NE(com.details[0].find("64-bit view: "), std::string::npos) << com.details[0];
    EXPECT_EQ(com.finding.find("not registered"), std::string::npos) << com.finding;
  }
}

}  // namespace
}  // namespace orvabridge
