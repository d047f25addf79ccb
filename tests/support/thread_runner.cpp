#include "support/thread_runner.h"

#include <future>

namespace orvabridge::testing {

using platform::Clock;

ThreadRunner::ThreadRunner(platform::WindowSystem& windows) : windows_(windows) {
  run_message_ = windows_.RegisterMessage("orvabridge.testing.ThreadRunner.Run");
  stop_message_ = windows_.RegisterMessage("orvabridge.testing.ThreadRunner.Stop");
  std::promise<void> ready;
  auto started = ready.get_future();
  thread_ = std::thread([this, &ready] { Loop([&ready] { ready.set_value(); }); });
  started.wait();
}

ThreadRunner::~ThreadRunner() { Stop(); }

void ThreadRunner::Loop(std::function<void()> started) {
  thread_id_ = windows_.CurrentThread();
  control_ = windows_.MakeMessageWindow(
      [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id == run_message_) {
          // Sent by Call (the function lives on the caller's stack) or posted by Run (heap-owned).
          auto* task = reinterpret_cast<std::function<void()>*>(message.wparam);
          if (message.lparam != 0) {
            std::unique_ptr<std::function<void()>> owned(task);
            (*owned)();
          } else {
            (*task)();
          }
          return 1;
        }
        if (message.id == stop_message_) {
          windows_.PostQuitMessage();
          return 1;
        }
        return std::nullopt;
      });
  started();
  while (windows_.PumpMessages()) {
    windows_.WaitForMessage(Clock::now() + std::chrono::hours(1));
  }
  windows_.DestroyWindow(control_);
}

void ThreadRunner::CallVoid(const std::function<void()>& task) {
  std::exception_ptr error;
  std::function<void()> wrapped = [&] {
    try {
      task();
    } catch (...) {
      error = std::current_exception();
    }
  };
  windows_.Send(control_, run_message_, reinterpret_cast<uintptr_t>(&wrapped), 0,
                platform::kNoLimit);
  if (error) std::rethrow_exception(error);
}

void ThreadRunner::Run(std::function<void()> task) {
  auto owned = std::make_unique<std::function<void()>>(std::move(task));
  if (windows_.Post(control_, run_message_, reinterpret_cast<uintptr_t>(owned.get()), 1)) {
    owned.release();  // the runner's thread deletes it after running it
  }
}

void ThreadRunner::Stop() {
  if (!thread_.joinable()) return;
  windows_.Post(control_, stop_message_, 0, 0);
  thread_.join();
}

bool PumpUntil(platform::WindowSystem& windows, const std::function<bool()>& done,
               std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    windows.PumpMessages();
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    windows.WaitForMessage(deadline);
  }
}

}  // namespace orvabridge::testing
