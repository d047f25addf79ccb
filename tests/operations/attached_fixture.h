// An Appl attached to a scripted imaging application that answers session queries (started by
// SetUp), plus a host window on the test thread through which work can be slipped into a running
// wait. Shared by the operation tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
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
    run_later_message_ = windows.RegisterMessage("OperationsTestRunLater");
    host_window_ = windows.MakeMessageWindow(
        [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
          if (message.id != run_later_message_) return std::nullopt;
          auto work = std::move(later_.front());
          later_.pop_front();
          work();
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

  // Starts the scripted application and attaches a fresh Appl to it. Session queries are
  // answered with `logged_in_`; every other request goes to `serve_`.
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

  // An application too old for session queries: the session check lets every call through
  // without asking, so the link guards behind it can be seen.
  void StartOld() {
    ScriptedPeer::Options old;
    old.version[2] = 1000;
    Start(old);
  }

  // A fresh Appl with no imaging application to attach to.
  void Detach() {
    appl_.reset();
    peer_.reset();
    appl_ = MakeAppl();
  }

  // Every call is only written to the call log from now on.
  void EnterTextOutMode() {
    const std::string folder = "C:\\txtout-" + std::to_string(std::random_device{}());
    platform_->Files().CreateFolder(folder);
    SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder);
  }

  // Runs `work` when the test thread next pumps messages, i.e. inside a running wait.
  void RunLater(std::function<void()> work) {
    later_.push_back(std::move(work));
    platform_->Windows().Post(host_window_, run_later_message_, 0, 0);
  }

  // Requests (with `code`, if given) that reached the application, session queries excluded.
  std::vector<Request> Sent(std::optional<uint32_t> code = std::nullopt) const {
    std::vector<Request> found;
    for (const auto& request : peer_->requests()) {
      if ((!code || request.code == *code) && !IsSessionQuery(request)) found.push_back(request);
    }
    return found;
  }

  // Answers every request of `code` (0: of any code) inside the send, as `reply_code` (default:
  // the request's code).
  void Answer(uint32_t code, std::function<std::vector<std::byte>()> reply,
              uint32_t reply_code = 0) {
    serve_ = [this, code, reply, reply_code](const Request& request) {
      if (code != 0 && request.code != code) return;
      peer_->Reply(request.reply_to, reply_code != 0 ? reply_code : request.code, reply());
    };
  }

  const channel::FieldCodec& codec() const { return peer_->codec(); }
  link::ApplCore& core() { return appl_->core(); }

  // The session reply makes GetSessionInfo fail (a login method beyond 16 bits).
  void BreakSessionReplies() {
    session_reply_ = [](std::vector<std::byte>& reply) {
      channel::WriteI32(reply, channel::generic::kNumber3, 40000);
    };
  }

  // Closes the imaging application while the library waits for its answer.
  void CloseApplicationLater() {
    RunLater([this] { peer_->DestroyWindows(); });
  }

  // The guard sequence of a method, each step on a fresh application: -4 with nothing to attach
  // to and when the window has gone (which is then forgotten), -12 when nobody is logged in (only
  // the session query goes out), then -1, -2 and -3 from the link checks on an application too
  // old for session queries. Nothing is sent and nothing is brought to the front.
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
    core().form_loaded = false;
    EXPECT_EQ(call(), -1);
    core().form_loaded = true;
    const auto reply_window = core().reply_window;
    core().reply_window = platform::WindowHandle();
    EXPECT_EQ(call(), -2);
    core().reply_window = reply_window;
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

  platform::MessageId run_later_message_ = 0;
  platform::WindowHandle host_window_;
  std::deque<std::function<void()>> later_;
};

// A record of `size` bytes with its size field set, as a request or reply carries it.
inline std::vector<std::byte> SizedRecord(size_t size) {
  std::vector<std::byte> record(size);
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(size));
  return record;
}

// Writes each text at its field. Tests give the fields as literal offsets, so that a wrong layout
// cannot vouch for itself.
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
