// The object's hidden reply window: the sender named on every request, and the window the imaging
// application answers with copy-data. One owner makes it, decides whether its copy-data goes to the
// reply dispatcher, tells the exchange which window it sends as, and destroys it.
#pragma once

#include "channel/dispatcher.h"
#include "channel/exchange.h"
#include "platform/unique_window.h"
#include "platform/window_system.h"

namespace orvabridge::link {

class ReplyWindow {
 public:
  ReplyWindow(platform::WindowSystem& windows, channel::ReplyDispatcher& dispatcher,
              channel::Exchanger& exchanger);
  ReplyWindow(const ReplyWindow&) = delete;
  ReplyWindow& operator=(const ReplyWindow&) = delete;

  // Makes the window when there is none. The first use of the form loads it again after an
  // unload; such a window takes no replies until it is subscribed.
  void Load();
  // Destroys the window (and unsubscribes it).
  void Unload();
  bool loaded() const { return static_cast<bool>(window_); }

  // Replies to the window go to the dispatcher, and requests name it as their sender. Loads the
  // window first when there is none.
  void Subscribe();
  // Replies are ignored from now on and requests name no sender.
  void Unsubscribe();

  // The window that takes replies; empty while unsubscribed.
  platform::WindowHandle handle() const {
    return subscribed_ ? window_.get() : platform::WindowHandle();
  }

 private:
  intptr_t OnCopyData(const platform::WindowMessage& message);

  platform::WindowSystem& windows_;
  channel::ReplyDispatcher& dispatcher_;
  channel::Exchanger& exchanger_;
  platform::UniqueWindow window_;
  bool subscribed_ = false;
};

}  // namespace orvabridge::link
