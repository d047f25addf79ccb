#include "support/scripted_peer.h"

#include "identity/identity.h"

namespace orvabridge::testing {

using platform::WindowHandle;

ScriptedPeer::ScriptedPeer(platform::Platform& platform, Options options)
    : platform_(platform), options_(std::move(options)), codec_(platform.AnsiCodePage()) {
  auto& windows = platform_.Windows();
  attach_message_ = windows.RegisterMessage(identity::kControlMessage);
  deferred_message_ = windows.RegisterMessage("ScriptedPeerDeferredReply");

  platform::WindowBlueprint main;
  main.class_name = options_.window_class;
  main.title = options_.title;
  main.style = platform::kWsOverlappedWindow | platform::kWsVisible;
  main.width = 800;
  main.height = 600;
  main_window_ = windows.MakeWindow(
      main, [this](const platform::WindowMessage& m) { return OnMainWindow(m); });

  platform::WindowBlueprint control;
  control.class_name = "OrvantaControl";
  control.parent = main_window_;
  control.style = platform::kWsChild;
  control_window_ = windows.MakeWindow(
      control, [this](const platform::WindowMessage& m) { return OnControlWindow(m); });
}

ScriptedPeer::~ScriptedPeer() { DestroyWindows(); }

void ScriptedPeer::DestroyWindows() {
  auto& windows = platform_.Windows();
  if (control_window_ && windows.IsWindow(control_window_)) windows.DestroyWindow(control_window_);
  if (main_window_ && windows.IsWindow(main_window_)) windows.DestroyWindow(main_window_);
}

std::optional<intptr_t> ScriptedPeer::OnMainWindow(const platform::WindowMessage& message) {
  if (message.id == attach_message_ && attach_message_ != 0) {
    ++attach_requests_;
    if (!options_.answer_attach) return 0;
    channel::Record<channel::attach_reply::kSize> record{};
    channel::WriteU32(record, channel::attach_reply::kControlWindow, control_window_.value);
    channel::WriteI32(record, channel::attach_reply::kVersionMajor, options_.version[0]);
    channel::WriteI32(record, channel::attach_reply::kVersionMinor, options_.version[1]);
    channel::WriteI32(record, channel::attach_reply::kVersionBuild, options_.version[2]);
    codec_.WriteText(record, channel::attach_reply::kName, options_.name);
    Reply(WindowHandle(static_cast<uint32_t>(message.wparam)), channel::command::kAttach, record);
    return 0;
  }
  if (message.id == deferred_message_ && deferred_message_ != 0) {
    auto pending = std::move(deferred_);
    deferred_.clear();
    for (const auto& reply : pending) Reply(reply.reply_to, reply.code, reply.bytes);
    return 0;
  }
  return std::nullopt;
}

std::optional<intptr_t> ScriptedPeer::OnControlWindow(const platform::WindowMessage& message) {
  if (message.id != platform::kWmCopyData || message.copy_data == nullptr) return std::nullopt;
  Request request;
  request.code = message.copy_data->code;
  request.bytes.assign(message.copy_data->bytes.begin(), message.copy_data->bytes.end());
  request.reply_to = WindowHandle(static_cast<uint32_t>(message.wparam));
  requests_.push_back(request);
  if (on_request) on_request(request);
  return 1;
}

void ScriptedPeer::Reply(WindowHandle to, uint32_t code, std::span<const std::byte> bytes) {
  platform_.Windows().SendCopyData(to, control_window_, code, bytes, platform::kNoLimit);
}

void ScriptedPeer::ReplyLater(WindowHandle to, uint32_t code, std::vector<std::byte> bytes) {
  deferred_.push_back({code, std::move(bytes), to});
  platform_.Windows().Post(main_window_, deferred_message_, 0, 0);
}

std::vector<std::byte> ScriptedPeer::SessionRecord(bool logged_in, int32_t result) const {
  namespace generic = channel::generic;
  std::vector<std::byte> record(generic::kSize);
  channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(generic::kSize));
  channel::WriteI32(record, generic::kSubCommand, generic::kSessionInfo);
  channel::WriteI32(record, generic::kNumber0, result);
  channel::WriteI32(record, generic::kNumber1, 7);
  channel::WriteI32(record, generic::kNumber2, logged_in ? 1 : 0);
  codec_.WriteText(record, generic::kText[4], logged_in ? "drsmith" : "");
  return record;
}

void ScriptedPeer::AnswerSessions(bool logged_in) {
  on_request = [this, logged_in](const Request& request) {
    if (request.code == channel::command::kGeneric) {
      Reply(request.reply_to, channel::command::kGeneric, SessionRecord(logged_in));
    }
  };
}

}  // namespace orvabridge::testing
