// Standard error while a call runs: whole message lines, and, on a terminal, one line of progress
// while the call waits ("waiting for the imaging application (FindPatient) ... 3 s"), which the
// next message and the end of the wait clear. The progress comes from a thread of its own; a
// lock keeps its writes and the messages apart.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

namespace orvabridge::orvactl {

class StatusLine {
 public:
  // `terminal`: whether `err` is a terminal; progress is shown only there.
  StatusLine(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
  StatusLine(const StatusLine&) = delete;
  StatusLine& operator=(const StatusLine&) = delete;

  bool terminal() const { return terminal_; }
  // A line of its own, after the progress line is cleared.
  void Message(std::string_view line);
  // Replaces the progress line; nothing when not on a terminal.
  void Progress(std::string_view text);
  void ClearProgress();

 private:
  void ClearLocked();

  std::mutex mutex_;
  std::ostream& err_;
  const bool terminal_;
  size_t shown_ = 0;  // the length of the progress text on the screen
};

// "waiting for the imaging application (FindPatient) ... 3 s"
std::string WaitText(std::string_view call, std::chrono::seconds waited);

// While it lives, and only on a terminal: once the call has waited a second, shows how long it
// has waited, each second anew; clears the line when it goes.
class WaitProgress {
 public:
  WaitProgress(StatusLine& line, std::string call);
  ~WaitProgress();
  WaitProgress(const WaitProgress&) = delete;
  WaitProgress& operator=(const WaitProgress&) = delete;

 private:
  void Run();

  StatusLine& line_;
  const std::string call_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace orvabridge::orvactl
