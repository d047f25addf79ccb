// The relay: takes over a workstation's text-out files and replays each line, oldest first,
// against the imaging application through an Appl, exactly once. Every line is either replayed
// or set aside with its reason; the journal, written before the next line runs, lets a relay
// that was killed go on after the last line it dealt with. Before a line's call goes out the
// journal marks it in flight: a relay started again looks up whether an AddPatientEx in flight
// was carried out before it sends it again, so that a kill does not give a practice the same
// patient twice.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "call_line.h"
#include "inbox.h"
#include "lasting_trouble.h"
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
  // A relay that runs on, while its folder cannot be read (a share not there yet): how often it
  // looks again; and how often it says again that a folder or its files stay out of reach.
  std::chrono::milliseconds folder_retry = std::chrono::seconds(5);
  std::chrono::milliseconds folder_reminder = std::chrono::minutes(5);
  // Where tests of crash recovery end the relay as a kill would: `after_line` after each line is
  // dealt with and journaled, with the count so far; `after_call` when a line's call has
  // returned and before the journal records it, with the line's number in its file.
  std::function<void(size_t dealt_with)> after_line;
  std::function<void(size_t line_number)> after_call;
};

// How a run ended.
enum class RelayEnd {
  kDone,        // everything there was is replayed or set aside (once), or a stop was asked for
  kWaiting,     // once: lines remain because the application or the file stayed unavailable
  kCannotWork,  // a folder it cannot read (once) or a failure of the relay's own files
                // (reported); lines stay where they are
};

// What happens, for the log. Each line of the log is one event.
using RelayLog = std::function<void(const std::string& event)>;

class Relay {
 public:
  Relay(RelayOptions options, platform::Platform& platform, Appl& appl, RelayLog log);

  // Takes the folder's lock when the folder exists, and gives it up (removing the lock file) at
  // the end. A folder that cannot be read ends a run `once` (kCannotWork); a relay that runs on
  // says so, looks again every `folder_retry` and says it again every `folder_reminder` until it
  // can read it, which it says too.
  RelayEnd Run();

  // Lines replayed and set aside so far.
  size_t replayed() const { return replayed_; }
  size_t set_aside() const { return set_aside_; }

 private:
  enum class Step { kDone, kStopped, kGaveUp, kTextOut };

  RelayEnd RunLoop();
  // Why the text-out folder or the workstation's folder in it cannot be read, for the log; the
  // workstation's folder missing is no trouble (the library makes it with its first call), and
  // sets `nothing_yet`.
  std::optional<std::string> FolderTrouble(bool& nothing_yet);
  // False when another relay holds the folder's lock.
  bool HoldLock();
  Step ReplayClaimed(const std::string& claimed);
  // `number` counts from 1. `resumed_in_flight`: a relay before this one ended while the line's
  // call may have been out.
  Step ReplayLine(const std::string& claimed, size_t number, const std::string& line,
                  bool resumed_in_flight);
  // Looks up the patient of an AddPatientEx that was in flight: true when the patient is there
  // (the line is done), false when the line is to be sent again; nullopt while no imaging
  // application answers, with `missed` saying so.
  std::optional<bool> Reconcile(const ReplayCall& call, const std::string& where,
                                std::string& missed);
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
  LastingTrouble folder_trouble_;  // a folder that cannot be read
  LastingTrouble files_trouble_;   // any other failure of the relay's files
  std::string troubled_folder_;    // the folder of the trouble last told
  bool told_nothing_yet_ = false;
  size_t replayed_ = 0;
  size_t set_aside_ = 0;
};

}  // namespace orvabridge::relay
