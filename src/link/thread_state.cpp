#include "link/thread_state.h"

#include "platform/thread_slot.h"

namespace orvabridge::link {

ThreadState& ThisThread() {
  static auto* const slot = new platform::ThreadSlot<ThreadState>();
  return slot->Get();
}

void ResetThisThread() { ThisThread() = ThreadState{}; }

}  // namespace orvabridge::link
