// An Appl attached to a scripted imaging application that answers session queries, plus a host
// window through which the application can be closed during a wait.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "channel/codec.h"
#include "channel/records.h"
#include "link/appl_core.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"

namespace orvabridge::testing {

class AttachedTest : public LinkTest {
 protected:
  using Request = ScriptedPeer::Request;

  void SetUp() override {
    LinkTest::SetUp();
    auto& windows = platform_->Windows();
    close_message_ = windows.RegisterMessage("OperationsTestClose");
    host_window_ = windows.MakeMessageWindow(
        [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
          if (message.id != close_message_) return std::nullopt;
          peer_->DestroyWindows();
          return 0;
        });
    Start();
  }

  void TearDown() override {
    appl_.reset();
    peer_.reset();
    platform_->Windows().DestroyWindow(host_window_);
    LinkTest::TearDown();
  }

  // Attaches a fresh Appl to a new scripted application. Session queries are answered with
  // `logged_in_`; every other request goes to `serve_`.
  void Start(ScriptedPeer::Options options = {}, double scale = 0.001) {
    appl_.reset();
    peer_ = std::make_unique<ScriptedPeer>(*platform_, options);
    peer_->on_request = [this](const Request& request) {
      if (IsSessionQuery(request)) {
        auto reply = peer_->SessionRecord(logged_in_);
        if (session_reply_) session_reply_(reply);
        peer_->Reply(request.reply_to, channel::command::kGeneric, reply);
      } else if (serve_) {
        serve_(request);
      }
    };
    appl_ = MakeAppl(scale);
    std::string name, version = "NoLaunch";
    ASSERT_EQ(appl_->InitApplication(name, version), 1);
  }

  // An application too old for session queries: calls pass the session check without asking.
  void StartOld() {
    ScriptedPeer::Options old;
    old.version[2] = 1000;
    Start(old);
  }

  void Detach() {
    appl_.reset();
    peer_.reset();
    appl_ = MakeAppl();
  }

  void EnterTextOutMode() {
    const std::string folder = "C:\\txtout-" + std::to_string(std::random_device{}());
    platform_->Files().CreateFolder(folder);
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder);
  }

  // Requests (of `code`, if given) that reached the application, session queries excluded.
  std::vector<Request> Sent(std::optional<uint32_t> code = std::nullopt) const {
    std::vector<Request> found;
    for (const auto& request : peer_->requests()) {
      if ((!code || request.code == *code) && !IsSessionQuery(request)) found.push_back(request);
    }
    return found;
  }

  // Answers every request of `code` (0: any) inside the send, as `reply_code` (0: its own).
  void Answer(uint32_t code, std::function<std::vector<std::byte>()> reply,
              uint32_t reply_code = 0) {
    serve_ = [this, code, reply, reply_code](const Request& request) {
      if (code != 0 && request.code != code) return;
      peer_->Reply(request.reply_to, reply_code != 0 ? reply_code : request.code, reply());
    };
  }

  const channel::FieldCodec& codec() const { return peer_->codec(); }
  link::ApplCore& core() { return CoreOf(*appl_); }

  // The session reply makes GetSessionInfo fail (a login method beyond 16 bits).
  void BreakSessionReplies() {
    session_reply_ = [](std::vector<std::byte>& reply) {
      channel::WriteI32(reply, channel::generic::kNumber3, 40000);
    };
  }

  // Closes the imaging application once the test thread pumps messages, i.e. inside a wait.
  void CloseApplicationLater() { platform_->Windows().Post(host_window_, close_message_, 0, 0); }

  // The guard sequence: -4 with nothing to attach to and when the window has gone (which is then
  // forgotten), -12 when nobody is logged in, then -1, -2 and -3 from the link checks. Nothing
  // else is sent and nothing is brought to the front.
  void ExpectGuards(const std::function<int32_t()>& call, bool session_checked = true) {
    Detach();
    EXPECT_EQ(call(), -4);
    Start();
    peer_->DestroyWindows();
    EXPECT_EQ(call(), -4);
    EXPECT_FALSE(core().thread().target_window);
    if (session_checked) {
      Start();
      logged_in_ = false;
      EXPECT_EQ(call(), -12);
      logged_in_ = true;
      EXPECT_EQ(peer_->requests().size(), 1u);
      EXPECT_FALSE(platform_->Windows().IsVisible(peer_->control_window()));
    }
    StartOld();
    core().reply_window().Unload();
    EXPECT_EQ(call(), -1);
    core().reply_window().Load();
    EXPECT_EQ(call(), -2);
    core().reply_window().Subscribe();
    const auto message = core().thread().control_message_id;
    core().thread().control_message_id = 0;
    EXPECT_EQ(call(), -3);
    core().thread().control_message_id = message;
    EXPECT_TRUE(peer_->requests().empty());
    EXPECT_FALSE(platform_->Windows().IsVisible(peer_->control_window()));
  }

  std::unique_ptr<ScriptedPeer> peer_;
  std::unique_ptr<Appl> appl_;
  std::function<void(const Request&)> serve_;
  std::function<void(std::vector<std::byte>&)> session_reply_;
  bool logged_in_ = true;

 private:
  static bool IsSessionQuery(const Request& request) {
    return request.code == channel::command::kGeneric &&
           channel::ReadI32(request.bytes, channel::generic::kSubCommand) ==
               channel::generic::kSessionInfo;
  }

  platform::MessageId close_message_ = 0;
  platform::WindowHandle host_window_;
};

// A record of `size` bytes with its size field set, as a request or reply carries it.
inline std::vector<std::byte> SizedRecord(size_t size) {
  std::vector<std::byte> record(size);
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(size));
  return record;
}

// Writes each text at its field. Tests give literal offsets, so a wrong layout cannot vouch for
// itself.
inline void WriteTexts(const channel::FieldCodec& codec, std::vector<std::byte>& record,
                       std::initializer_list<channel::Field> fields,
                       std::initializer_list<std::string> texts) {
  ASSERT_EQ(fields.size(), texts.size());
  auto text = texts.begin();
  for (const auto& field : fields) codec.WriteText(record, field, *text++);
}

// The image record of SearchImage, FindImages and GetSelectedImageInfo.
struct ImageFields {
  std::string patient{}, picture{}, date{}, tooth_groups{}, type{}, comment{}, original_path{},
      group_name{}, xray{};
};
inline std::vector<std::byte> ImageRecordBytes(const channel::FieldCodec& codec,
                                               const ImageFields& f) {
  auto record = SizedRecord(1540);
  WriteTexts(codec, record,
             {{4, 64},
              {68, 256},
              {324, 64},
              {388, 256},
              {644, 256},
              {900, 256},
              {1156, 256},
              {1412, 64},
              {1476, 64}},
             {f.patient, f.picture, f.date, f.tooth_groups, f.type, f.comment, f.original_path,
              f.group_name, f.xray});
  return record;
}

// The automation error that `call` raises.
template <class Call>
AutomationError ErrorOf(Call&& call) {
  try {
    call();
  } catch (const AutomationError& error) {
    return error;
  }
  ADD_FAILURE() << "no automation error";
  return AutomationError(0, "", "");
}

}  // namespace orvabridge::testing
