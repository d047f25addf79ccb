#include "link/reply_window.h"

namespace orvabridge::link {
namespace {

constexpr const char* kFormCaption = "Orvabridge debug window";

}  // namespace

ReplyWindow::ReplyWindow(platform::WindowSystem& windows, channel::ReplyDispatcher& dispatcher,
                         channel::Exchanger& exchanger)
    : windows_(windows), dispatcher_(dispatcher), exchanger_(exchanger) {}

void ReplyWindow::Load() {
  if (window_) return;
  platform::WindowBlueprint blueprint;
  blueprint.message_only = true;
  blueprint.title = kFormCaption;
  window_ = platform::UniqueWindow(
      windows_, blueprint,
      [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != platform::kWmCopyData) return std::nullopt;
        return OnCopyData(message);
      });
}

void ReplyWindow::Unload() {
  Unsubscribe();
  window_.Reset();
}

void ReplyWindow::Subscribe() {
  Load();
  subscribed_ = true;
  exchanger_.set_reply_window(handle());
}

void ReplyWindow::Unsubscribe() {
  subscribed_ = false;
  exchanger_.set_reply_window(platform::WindowHandle());
}

intptr_t ReplyWindow::OnCopyData(const platform::WindowMessage& message) {
  if (!subscribed_ || message.copy_data == nullptr) return 0;
  try {
    dispatcher_.Dispatch(*message.copy_data);
  } catch (...) {
    // A reply that cannot be unpacked is dropped: ReplyCode stays as it was and the waiting
    // operation runs into its time-out. Nothing may escape into the window procedure.
  }
  return 0;
}

}  // namespace orvabridge::link
