// Text-out mode: calls are logged instead of sent, and the log reaches the workstation's file.
#include <gtest/gtest.h>

#include <random>

#include "environment/call_log.h"
#include "link/appl_core.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"
#include "support/test_platform.h"

namespace orvabridge::testing {
namespace {

class TextOutTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    // A folder of its own, so that runs never append to each other's files.
    folder_ = "C:\\txtout-" + std::to_string(std::random_device{}());
    platform_->Files().CreateFolder(folder_);
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder_);
  }
  std::string folder_;
};

TEST_F(TextOutTest, CallsAreLoggedWithoutAWindowAndDestructionWritesThemToTheWorkstationFile) {
  std::string path;
  {
    auto appl = MakeAppl();
    path = appl->core().TextOutFilePath();
    EXPECT_EQ(path, folder_ + "\\" + appl->core().workstation_name + "\\" +
                        appl->core().workstation_name + ".TXT");
    std::string id = "P-1", first = "Ann", last = "Berg";
    EXPECT_EQ(appl->FindPatient(id, first, last), 0);
    EXPECT_EQ(first, "");
    EXPECT_EQ(last, "");
    ASSERT_EQ(appl->core().call_log->size(), 1u);
    EXPECT_EQ(appl->core().call_log->front(), "FindPatient ; P-1 ; Ann ; Berg");
    EXPECT_FALSE(link::ThisThread().target_window);
    id = "P2";
    appl->FindPatient(id, first, last);
  }
  EXPECT_EQ(ReadTestFile(*platform_, path),
            "FindPatient ; P-1 ; Ann ; Berg\r\nFindPatient ; P2 ;  ; \r\n");
}

TEST_F(TextOutTest, ExceptedWorkstationStaysOutOfTextOutMode) {
  auto probe = MakeAppl();
  std::string workstation = probe->core().workstation_name;
  probe.reset();
  for (char& c : workstation) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // A REG_MULTI_SZ list: each name followed by a zero character, then one more.
  const std::string list = "OTHER" + std::string(1, '\0') + workstation + std::string(2, '\0');
  auto key = platform_->Reg().CreateKey(platform::RegistryRoot::kLocalMachine,
                                        SettingsKey() + "\\Orvabridge", "", platform::kKeyCreate);
  ASSERT_TRUE(key);
  key->SetValue("TxtOutExceptions", platform::kRegMultiSz,
                std::as_bytes(std::span(list.data(), list.size())));
  auto appl = MakeAppl();
  EXPECT_FALSE(appl->ToFile());
  EXPECT_FALSE(appl->core().call_log);
}

}  // namespace
}  // namespace orvabridge::testing
