// A fresh platform with the class library's installation key and a clean thread-wide state, for
// the tests of the library's own behaviour.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/thread_state.h"
#include "channel/timing.h"
#include "appl/appl_access.h"
#include "orvabridge/appl.h"
#include "platform/platform.h"

namespace orvabridge::testing {

struct Installation {
  std::string vendor_key = "Orvadent";
  std::string application_key = "Orvanta";
  std::string executable_path;
  std::string version = "3.1.1199";
};

// Writes the class library's registry key describing `installation`.
void InstallClassLibrary(platform::Platform& platform, const Installation& installation);

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Time-outs shrink by `scale`: 0.001 turns the 20-second wait into 20 ms.
  std::unique_ptr<Appl> MakeAppl(double scale = 0.001);
  static std::string SettingsKey() { return "Software\\Orvadent\\Orvanta"; }
  void SetMachineSetting(const std::string& section, const std::string& name,
                         const std::string& value);

  std::shared_ptr<platform::Platform> platform_;
  std::vector<platform::MessageBoxRequest> boxes_;  // every message box shown
};

}  // namespace orvabridge::testing
