#include "link/thread_state.h"

namespace orvabridge::link {
namespace {
thread_local ThreadState this_thread_state;
}

ThreadState& ThisThread() { return this_thread_state; }

void ResetThisThread() { this_thread_state = ThreadState{}; }

}  // namespace orvabridge::link
