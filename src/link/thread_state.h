// Values that exist once per thread and are shared by every Appl object of that thread. There are
// no locks: only the owning thread touches its copy.
#pragma once

#include <cstdint>
#include <string>

#include "environment/installation.h"
#include "platform/window_system.h"

namespace orvabridge::link {

struct ThreadState {
  platform::WindowHandle target_window;  // the imaging application's control window
  platform::MessageId control_message_id = 0;
  bool stub_mode = false;
  platform::WindowHandle saved_parent;  // parent before the last embedding; never reset
  std::string search_class_name;
  std::string search_title_prefix;
  environment::Installation installation;
};

// The calling thread's copy.
ThreadState& ThisThread();
// Back to the state of a thread that never made an Appl object (tests).
void ResetThisThread();

}  // namespace orvabridge::link
