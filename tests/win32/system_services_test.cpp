// Machine and process services: computer name, environment, program start with a show state,
// the message-box redirect, and the ANSI code page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/runtime_failure.h"
#include "win32/start_probe_protocol.h"
#include "win32/win32_test_support.h"

namespace orvabridge::win32_testing {
namespace {

class Win32SystemServicesTest : public ::testing::Test {
 protected:
  void TearDown() override { system_.SetMessageBoxHandler(nullptr); }

  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  platform::SystemServices& system_ = platform_->System();
  WindowSystem& windows_ = platform_->Windows();
};

TEST_F(Win32SystemServicesTest, ComputerNameAndEnvironmentAreRead) {
  EXPECT_FALSE(system_.ComputerName().empty());
  ASSERT_EQ(_putenv("ORVABRIDGE_TEST_VARIABLE=clinic-7"), 0);
  EXPECT_EQ(system_.Environment("ORVABRIDGE_TEST_VARIABLE"), "clinic-7");
  EXPECT_EQ(system_.Environment("orvabridge_test_variable"), "clinic-7") << "names ignore case";

  const std::string long_value(1000, 'x');
  ASSERT_EQ(_putenv(("ORVABRIDGE_TEST_VARIABLE=" + long_value).c_str()), 0);
  EXPECT_EQ(system_.Environment("ORVABRIDGE_TEST_VARIABLE"), long_value);

  EXPECT_EQ(system_.Environment("ORVABRIDGE_SURELY_UNDEFINED"), std::nullopt);
}

TEST_F(Win32SystemServicesTest, AProgramStartsInTheShowStateAskedFor) {
  std::optional<StartProbeReport> report;
  ScopedWindow reply(
      windows_, MessageOnlyBlueprint(),
      [&](const WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != platform::kWmCopyData || message.copy_data->code != kStartProbeReport) {
          return std::nullopt;
        }
        if (message.copy_data->bytes.size() == sizeof(StartProbeReport)) {
          report.emplace();
          std::memcpy(&*report, message.copy_data->bytes.data(), sizeof(StartProbeReport));
        }
        return 1;
      });
  const std::string command =
      std::string(kStartProbeProgram) + " " + std::to_string(reply.get().value);

  EXPECT_NE(system_.StartProcess(command, platform::kSwShowMinNoActive), 0u);

  ASSERT_TRUE(PumpUntil(windows_, [&] { return report.has_value(); }));
  EXPECT_EQ(report->iconic, 1);
  EXPECT_EQ(report->foreground, 0) << "started without activation";
}

TEST_F(Win32SystemServicesTest, AMissingProgramIsAFileNotFoundFailure) {
  try {
    system_.StartProcess("C:\\windows\\orvabridge-no-such-program.exe /NOFP /NOLOGIN",
                         platform::kSwShowMinNoActive);
    FAIL() << "started a program that does not exist";
  } catch (const RuntimeFailure& failure) {
    EXPECT_EQ(failure.number(), failure::kFileNotFound);
    EXPECT_EQ(failure.description(), "File not found");
  }
}

TEST_F(Win32SystemServicesTest, MessageBoxesGoToTheRedirectOfTheWholeProcess) {
  std::vector<platform::MessageBoxRequest> shown;
  system_.SetMessageBoxHandler([&](const platform::MessageBoxRequest& request) {
    shown.push_back(request);
    return platform::kIdOk;
  });

  int answer = 0;
  std::thread other([&] {
    answer = system_.ShowMessageBox(
        {"LinkTimer ERROR: 70 Permission denied", "", platform::kMbIconInformation});
  });
  other.join();

  EXPECT_EQ(answer, platform::kIdOk);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "LinkTimer ERROR: 70 Permission denied");
  EXPECT_EQ(shown[0].style, platform::kMbIconInformation);
}

class Win32CodePageTest : public ::testing::Test {
 protected:
  platform::CodePage& code_page_ = platform::DefaultPlatform()->AnsiCodePage();
};

TEST_F(Win32CodePageTest, PlainTextAndZeroBytesPassUnchanged) {
  const std::string text("Patient 42\0rest", 15);
  EXPECT_EQ(code_page_.ToAnsi(text), text);
  EXPECT_EQ(code_page_.FromAnsi(text), text);
  EXPECT_EQ(code_page_.ToAnsi(""), "");
}

TEST_F(Win32CodePageTest, WesternTextRoundTripsAndOtherLettersBecomeTheDefaultCharacter) {
  if (code_page_.ToAnsi("\xC3\xA9") != "\xE9") GTEST_SKIP() << "the ANSI code page is not Western";
  const std::string text = "M\xC3\xBCller, Z\xC3\xBCrich \xE2\x82\xAC";  // Müller, Zürich €
  EXPECT_EQ(code_page_.ToAnsi(text), "M\xFCller, Z\xFCrich \x80");
  EXPECT_EQ(code_page_.FromAnsi(code_page_.ToAnsi(text)), text);
  // No look-alikes: Greek and Cyrillic letters and a full-width backslash are not Western.
  EXPECT_EQ(code_page_.ToAnsi("\xCE\xA9 \xD0\x96 \xEF\xBC\xBC"), "? ? ?");
}

}  // namespace
}  // namespace orvabridge::win32_testing
