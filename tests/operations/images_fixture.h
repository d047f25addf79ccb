// An Appl attached to a scripted imaging application that answers session queries, plus a host
// window on the test thread through which work can be slipped into a running wait. Shared by the
// image, user and worklist operation tests.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
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
    peer_ = std::make_unique<ScriptedPeer>(*platform_, options);
    peer_->on_request = [this](const Request& request) {
      if (request.code == channel::command::kGeneric && answer_sessions_ &&
          channel::ReadI32(request.bytes, channel::generic::kSubCommand) ==
              channel::generic::kSessionInfo) {
        auto reply = peer_->SessionRecord(logged_in_);
        if (session_reply_) session_reply_(reply);
        peer_->Reply(request.reply_to, channel::command::kGeneric, reply);
        return;
      }
      if (serve_) serve_(request);
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

  // Runs `work` when the test thread next pumps messages, i.e. inside a running wait.
  void RunLater(std::function<void()> work) {
    later_.push_back(std::move(work));
    platform_->Windows().Post(host_window_, run_later_message_, 0, 0);
  }

  // Requests with `code` that reached the application, session queries excluded.
  std::vector<Request> Sent(uint32_t code) const {
    std::vector<Request> found;
    for (const auto& request : peer_->requests()) {
      if (request.code != code) continue;
      if (code == channel::command::kGeneric &&
          channel::ReadI32(request.bytes, channel::generic::kSubCommand) ==
              channel::generic::kSessionInfo) {
        continue;
      }
      found.push_back(request);
    }
    return found;
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

  std::unique_ptr<ScriptedPeer> peer_;
  std::unique_ptr<Appl> appl_;
  std::function<void(const Request&)> serve_;
  std::function<void(std::vector<std::byte>&)> session_reply_;
  bool logged_in_ = true;
  bool answer_sessions_ = true;

 private:
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

}  // namespace orvabridge::testing
