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

TEST_F(TextOutTest, FindPatientLogsOneLineAndTouchesNoWindow) {
  auto appl = MakeAppl();
  std::string id = "P-1", first = "Ann", last = "Berg";
  EXPECT_EQ(appl->FindPatient(id, first, last), 0);
  EXPECT_EQ(first, "");
  EXPECT_EQ(last, "");
  ASSERT_EQ(appl->core().call_log->size(), 1u);
  EXPECT_EQ(appl->core().call_log->front(), "FindPatient ; P-1 ; Ann ; Berg");
  EXPECT_FALSE(link::ThisThread().target_window);
}

TEST_F(TextOutTest, ExceptedWorkstationStaysOutOfTextOutMode) {
  auto probe = MakeAppl();
  const std::string workstation = probe->core().workstation_name;
  probe.reset();
  // A REG_MULTI_SZ list: each name followed by a zero character.
  std::string list = "OTHER";
  list += '\0';
  for (char c : workstation) list += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  list += '\0';
  list += '\0';
  auto key = platform_->Reg().CreateKey(platform::RegistryRoot::kLocalMachine,
                                        SettingsKey() + "\\Orvabridge", "", platform::kKeyCreate);
  ASSERT_TRUE(key);
  key->SetValue("TxtOutExceptions", platform::kRegMultiSz,
                std::as_bytes(std::span(list.data(), list.size())));
  auto appl = MakeAppl();
  EXPECT_FALSE(appl->ToFile());
  EXPECT_FALSE(appl->core().call_log);
}

TEST_F(TextOutTest, DestructionWritesPendingLinesToTheWorkstationFile) {
  std::string path;
  {
    auto appl = MakeAppl();
    path = appl->core().TextOutFilePath();
    for (int i = 0; i < 3; ++i) {
      std::string id = "P" + std::to_string(i), first, last;
      appl->FindPatient(id, first, last);
    }
    EXPECT_EQ(path, folder_ + "\\" + appl->core().workstation_name + "\\" +
                        appl->core().workstation_name + ".TXT");
  }
  EXPECT_EQ(ReadTestFile(*platform_, path), "FindPatient ; P0 ;  ; \r\nFindPatient ; P1 ;  ; \r\n"
                                            "FindPatient ; P2 ;  ; \r\n");
}

}  // namespace
}  // namespace orvabridge::testing
