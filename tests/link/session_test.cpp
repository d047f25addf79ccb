// GetSessionInfo, its version gate, and the session check that guards other operations.
#include <gtest/gtest.h>

#include "channel/records.h"
#include "link/appl_core.h"
#include "operations/session.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
namespace generic = channel::generic;

class SessionTest : public LinkTest {
 protected:
  std::unique_ptr<Appl> AttachedAppl(ScriptedPeer&, double scale = 0.001) {
    auto appl = MakeAppl(scale);
    std::string name, version = "NoLaunch";
    EXPECT_EQ(appl->InitApplication(name, version), 1);
    return appl;
  }
};

TEST_F(SessionTest, VersionGate) {
  auto appl = MakeAppl();
  auto& core = CoreOf(*appl);
  const std::pair<const char*, bool> cases[] = {
      {"3.1.1199", true},     {"3.01.1199", true}, {"3.1.1199.0.5", true},
      {"10.0.0", true},       {"3.2", true},       {" 3 . 1 . 1199", true},
      {"3.1.1199beta", true}, {"3.1.1198", false}, {"3.0.9999", false},
      {"3.1", false},         {"", false},         {"x.y.z", false},
  };
  for (const auto& [version, new_enough] : cases) {
    EXPECT_EQ(operations::NewerVersionAvailable(core, version, "3.1.1199"), new_enough) << version;
  }
  EXPECT_TRUE(boxes_.empty());

  // A part too large for its number shows the update box and counts as old.
  EXPECT_FALSE(operations::NewerVersionAvailable(core, "3.99999999999.0", "3.1.1199"));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].caption, "basUpdates: NewerVersionAvailable");
  EXPECT_EQ(boxes_[0].text, "6:Overflow");
  EXPECT_EQ(boxes_[0].style, platform::kMbIconStop);
}

TEST_F(SessionTest, OldApplicationPassesTheGateWithoutAQuery) {
  ScriptedPeer::Options old;
  old.version[2] = 1198;
  ScriptedPeer peer(*platform_, old);
  auto appl = AttachedAppl(peer);
  bool logged_in = false;
  int32_t user = 55;
  EXPECT_EQ(
      appl->GetSessionInfo(&user, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &logged_in),
      1);
  EXPECT_TRUE(logged_in);
  EXPECT_EQ(user, 55);
  EXPECT_TRUE(peer.requests().empty());
}

TEST_F(SessionTest, ReplyFieldsReachTheArguments) {
  ScriptedPeer peer(*platform_);
  std::string sent_extra;
  const std::vector<std::string> texts = {"Dr",       "Ann",  "Berg",    "aberg",
                                          "Dentists", "WS-7", "echo:abc"};
  peer.on_request = [&](const ScriptedPeer::Request& request) {
    ASSERT_EQ(request.code, command::kGeneric);
    ASSERT_EQ(request.bytes.size(), generic::kSize);
    EXPECT_EQ(channel::ReadI32(request.bytes, channel::kSizeField), 26236);
    EXPECT_EQ(channel::ReadI32(request.bytes, generic::kSubCommand), 3);
    sent_extra = peer.codec().ReadText(request.bytes, generic::kText[5]);
    // The free text goes out as its bytes followed by zeros to the end of the field.
    for (size_t i = generic::kText[5].offset + 3; i < generic::kText[5].end(); ++i) {
      ASSERT_EQ(request.bytes[i], std::byte{0});
    }
    std::vector<std::byte> record(generic::kSize);
    const auto& codec = peer.codec();
    channel::WriteI32(record, generic::kNumber0, 1);
    channel::WriteI32(record, generic::kNumber1, 42);
    channel::WriteI32(record, generic::kNumber2, 1);
    channel::WriteI32(record, generic::kNumber3, 2);
    channel::WriteF64(record, generic::kDouble, 5.75);
    for (int i = 0; i < 7; ++i) codec.WriteText(record, generic::kText[i + 1], texts[i]);
    peer.Reply(request.reply_to, command::kGeneric, record);
  };
  auto appl = AttachedAppl(peer);
  int32_t user = 0;
  std::string prefix, first, last, login, group, workstation, extra = "abc";
  bool logged_in = false;
  int16_t method = 0, rights = 0;
  EXPECT_EQ(appl->GetSessionInfo(&user, &prefix, &first, &last, &login, &group, &workstation,
                                 &logged_in, &method, &rights, &extra),
            1);
  EXPECT_EQ(sent_extra, "abc");
  EXPECT_EQ(user, 42);
  EXPECT_TRUE(logged_in);
  EXPECT_EQ(method, 2);
  EXPECT_EQ(rights, 5);
  EXPECT_EQ((std::vector<std::string>{prefix, first, last, login, group, workstation, extra}),
            texts);
}

TEST_F(SessionTest, RightsRoundDownAndOverflowRaisesTheMethodsError) {
  ScriptedPeer peer(*platform_);
  double rights_value = -0.5;
  int32_t method_value = 0;
  peer.on_request = [&](const ScriptedPeer::Request& request) {
    auto record = peer.SessionRecord(true);
    channel::WriteF64(record, generic::kDouble, rights_value);
    channel::WriteI32(record, generic::kNumber3, method_value);
    peer.Reply(request.reply_to, command::kGeneric, record);
  };
  auto appl = AttachedAppl(peer);
  int16_t rights = 0, method = 0;
  int32_t user = 3;
  EXPECT_EQ(appl->GetSessionInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &method, &rights),
            1);
  EXPECT_EQ(rights, -1);

  method_value = 40000;
  try {
    appl->GetSessionInfo(&user, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &method, &rights);
    FAIL() << "expected an automation error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), -100);
    EXPECT_EQ(error.source(), "Orvabridge.Appl.GetSessionInfo");
    EXPECT_EQ(error.description(), "Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  }
  EXPECT_EQ(user, 3);  // nothing is written when the reply cannot be taken whole
}

TEST_F(SessionTest, TimeoutAndOtherRepliesLeaveArgumentsAlone) {
  ScriptedPeer peer(*platform_);
  auto appl = AttachedAppl(peer);
  bool logged_in = true;
  std::string first = "keep";
  EXPECT_EQ(appl->GetSessionInfo(nullptr, nullptr, &first, nullptr, nullptr, nullptr, nullptr,
                                 &logged_in),
            -7);
  EXPECT_TRUE(logged_in);
  EXPECT_EQ(first, "keep");

  peer.on_request = [&](const ScriptedPeer::Request& request) {
    peer.Reply(request.reply_to, command::kFindPatient, std::vector<std::byte>(584));
  };
  EXPECT_EQ(appl->GetSessionInfo(nullptr, nullptr, &first, nullptr, nullptr, nullptr, nullptr,
                                 &logged_in),
            0);
  EXPECT_EQ(first, "keep");
}

}  // namespace
}  // namespace orvabridge::testing
