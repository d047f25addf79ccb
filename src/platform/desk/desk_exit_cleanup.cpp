// The clean-up of a desktop program that a signal ends. A signal handler may not remove folders
// (nothing it could call for that is async-signal-safe), so the signals are blocked in every
// thread and one thread waits for them with sigwait, where the clean-up is ordinary code.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "platform/desk/desk_services.h"
#include "platform/desk/desktop.h"

namespace orvabridge::platform::desk {

void RemoveTemporaryFoldersOnSignals() {
  static const bool installed = [] {
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal_number);
    // Inherited by every thread started from here on.
    ::pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    std::thread([ending] {
      int signal_number = 0;
      if (::sigwait(&ending, &signal_number) != 0) return;
      RemoveLiveTemporaryRoots();
      // End by the same signal, so that the shell sees what it sent (exit status 128 + n).
      ::signal(signal_number, SIG_DFL);
      ::pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
      ::raise(signal_number);
      ::_exit(128 + signal_number);
    }).detach();
    return true;
  }();
  (void)installed;
}

}  // namespace orvabridge::platform::desk
