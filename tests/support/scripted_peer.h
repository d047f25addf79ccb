// A scripted imaging application whose windows live on the test's own thread. A send to a window
// of the same thread runs its handler at once, so every exchange is deterministic: a test decides
// exactly whether a reply comes inside the send, from the next pump, or never.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "channel/codec.h"
#include "channel/records.h"
#include "platform/platform.h"

namespace orvabridge::testing {

class ScriptedPeer {
 public:
  struct Options {
    std::string title = "Orvanta Imaging";
    std::string window_class = "ThunderRT6MDIForm";
    std::string name = "Orvanta";
    int32_t version[3] = {3, 1, 1199};
    bool answer_attach = true;
  };
  struct Request {
    uint32_t code = 0;
    std::vector<std::byte> bytes;
    platform::WindowHandle reply_to;
  };

  explicit ScriptedPeer(platform::Platform& platform) : ScriptedPeer(platform, Options{}) {}
  ScriptedPeer(platform::Platform& platform, Options options);
  ~ScriptedPeer();

  platform::WindowHandle main_window() const { return main_window_; }
  platform::WindowHandle control_window() const { return control_window_; }
  const std::vector<Request>& requests() const { return requests_; }
  size_t attach_requests() const { return attach_requests_; }
  const channel::FieldCodec& codec() const { return codec_; }

  // Called for every copy-data request, inside the library's send.
  std::function<void(const Request&)> on_request;

  // Sends a reply now (inside the current send when called from on_request).
  void Reply(platform::WindowHandle to, uint32_t code, std::span<const std::byte> bytes);
  // Queues a reply that is sent when this thread next pumps messages.
  void ReplyLater(platform::WindowHandle to, uint32_t code, std::vector<std::byte> bytes);

  // A session reply (command 1500, sub-command 3).
  std::vector<std::byte> SessionRecord(bool logged_in, int32_t result = 1) const;
  // Answers every session query with `logged_in`.
  void AnswerSessions(bool logged_in);

  void DestroyWindows();

 private:
  std::optional<intptr_t> OnMainWindow(const platform::WindowMessage& message);
  std::optional<intptr_t> OnControlWindow(const platform::WindowMessage& message);

  platform::Platform& platform_;
  Options options_;
  channel::FieldCodec codec_;
  platform::MessageId attach_message_ = 0;
  platform::MessageId deferred_message_ = 0;
  platform::WindowHandle main_window_;
  platform::WindowHandle control_window_;
  std::vector<Request> requests_;
  std::vector<Request> deferred_;
  size_t attach_requests_ = 0;
};

}  // namespace orvabridge::testing
