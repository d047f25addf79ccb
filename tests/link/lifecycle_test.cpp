// Creation and destruction of Appl objects and the values their thread shares.
#include <gtest/gtest.h>

#include "link/appl_core.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

class LifecycleTest : public LinkTest {};

TEST_F(LifecycleTest, ObjectsOfOneThreadShareTheLinkAndDestroyingOneDropsIt) {
  ScriptedPeer peer(*platform_);
  peer.AnswerSessions(true);
  auto first = MakeAppl();
  auto second = MakeAppl();
  EXPECT_NE(link::ThisThread().control_message_id, 0u);
  EXPECT_NE(CoreOf(*first).reply_window().handle(), CoreOf(*second).reply_window().handle());

  std::string name, version = "NoLaunch";
  ASSERT_EQ(first->InitApplication(name, version), 1);
  EXPECT_EQ(link::ThisThread().target_window, peer.control_window());

  first.reset();
  EXPECT_FALSE(link::ThisThread().target_window);
  // The survivor re-attaches by itself on its next request, with a new reply window.
  const auto before = CoreOf(*second).reply_window().handle();
  bool logged_in = false;
  EXPECT_EQ(second->GetSessionInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   &logged_in),
            1);
  EXPECT_TRUE(logged_in);
  EXPECT_EQ(peer.attach_requests(), 2u);
  EXPECT_NE(CoreOf(*second).reply_window().handle(), before);
  EXPECT_FALSE(platform_->Windows().IsWindow(before));
  EXPECT_TRUE(CoreOf(*second).extended_record());
}

TEST_F(LifecycleTest, ToFileFollowsTheTextOutSetting) {
  EXPECT_FALSE(MakeAppl()->ToFile());
  SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", "Q:\\no\\such\\folder");
  auto appl = MakeAppl();
  EXPECT_TRUE(appl->ToFile());  // even a folder that cannot be used counts
}

}  // namespace
}  // namespace orvabridge::testing
