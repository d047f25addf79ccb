#include "status_line.h"

namespace orvabridge::orvactl {

void StatusLine::Message(std::string_view line) {
  std::lock_guard lock(mutex_);
  ClearLocked();
  err_ << line << '\n';
  err_.flush();
}

void StatusLine::Progress(std::string_view text) {
  if (!terminal_) return;
  std::lock_guard lock(mutex_);
  err_ << '\r' << text;
  // A shorter text leaves the end of the longer one before it: blank it out.
  if (shown_ > text.size()) {
    err_ << std::string(shown_ - text.size(), ' ') << '\r' << text;
  }
  shown_ = text.size();
  err_.flush();
}

void StatusLine::ClearProgress() {
  std::lock_guard lock(mutex_);
  ClearLocked();
}

void StatusLine::ClearLocked() {
  if (shown_ == 0) return;
  err_ << '\r' << std::string(shown_, ' ') << '\r';
  err_.flush();
  shown_ = 0;
}

std::string WaitText(std::string_view call, std::chrono::seconds waited) {
  return "waiting for the imaging application (" + std::string(call) + ") ... " +
         std::to_string(waited.count()) + " s";
}

WaitProgress::WaitProgress(StatusLine& line, std::string call)
    : line_(line), call_(std::move(call)) {
  if (line_.terminal()) thread_ = std::thread([this] { Run(); });
}

WaitProgress::~WaitProgress() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  stop_.notify_all();
  thread_.join();
  line_.ClearProgress();
}

void WaitProgress::Run() {
  const auto started = std::chrono::steady_clock::now();
  std::unique_lock lock(mutex_);
  for (std::chrono::seconds waited{1};; ++waited) {
    // Sleeps until the next whole second, or until the call has returned.
    if (stop_.wait_until(lock, started + waited, [this] { return done_; })) return;
    line_.Progress(WaitText(call_, waited));
  }
}

}  // namespace orvabridge::orvactl
