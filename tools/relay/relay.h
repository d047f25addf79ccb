// The relay: takes over a workstation's text-out files and replays each line, oldest first,
// against the imaging application through an Appl, exactly once. Every line is either replayed
// or set aside with its reason; the journal, written before the next line runs, lets a relay
// that was killed go on after the last line it dealt with.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "inbox.h"
#include "orvabridge/appl.h"
#include "platform/platform.h"

namespace orvabridge::relay {

struct RelayOptions {
  std::string folder;       // the text-out folder
  std::string workstation;  // whose file to replay
  // Replay what is there, then end. A relay that runs on waits for new lines.
  bool once = false;
  // How often to look for a new file while there is nothing to do.
  std::chrono::milliseconds poll = std::chrono::milliseconds(500);
  // While the imaging application does not answer, the same line is tried again after a wait
  // that doubles from `first_retry` up to `longest_retry`.
  std::chrono::milliseconds first_retry = std::chrono::seconds(1);
  std::chrono::milliseconds longest_retry = std::chrono::seconds(30);
  // With `once`: how long to wait for the application or for a file in use before giving up.
  std::chrono::milliseconds give_up_after = std::chrono::seconds(0);
  // Called after each line is dealt with and journaled, with the count so far: where tests of
  // crash recovery end the relay as a kill would.
  std::function<void(size_t dealt_with)> after_line;
};

// How a run ended.
enum class RelayEnd {
  kDone,        // everything there was is replayed or set aside (once), or a stop was asked for
  kWaiting,     // once: lines remain because the application or the file stayed unavailable
  kCannotWork,  // a failure of the relay's own files (reported); lines stay where they are
};

// What happens, for the log. Each line of the log is one event.
using RelayLog = std::function<void(const std::string& event)>;

class Relay {
 public:
  Relay(RelayOptions options, platform::Platform& platform, Appl& appl, RelayLog log);

  // Takes the folder's lock when the folder exists, and gives it up (removing the lock file) at
  // the end.
  RelayEnd Run();

  // Lines replayed and set aside so far.
  size_t replayed() const { return replayed_; }
  size_t set_aside() const { return set_aside_; }

 private:
  enum class Step { kDone, kStopped, kGaveUp, kTextOut };

  RelayEnd RunLoop();
  // False when another relay holds the folder's lock.
  bool HoldLock();
  Step ReplayClaimed(const std::string& claimed);
  Step ReplayLine(const std::string& line, const std::string& where);
  void SetAside(const std::string& reason, const std::string& line, const std::string& where);
  // Waits, keeping this thread's windows answering, until `wait` is over or a stop is asked for.
  // False when a stop was asked for.
  bool Pause(std::chrono::milliseconds wait);

  RelayOptions options_;
  platform::Platform& platform_;
  Appl& appl_;
  RelayLog log_;
  Inbox inbox_;
  std::unique_ptr<platform::AppendStream> lock_;
  size_t replayed_ = 0;
  size_t set_aside_ = 0;
};

}  // namespace orvabridge::relay
