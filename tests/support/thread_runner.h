// ThreadRunner: a std::thread that runs a message loop on a platform's window system, so that
// windows made on it belong to another thread (another "process" of the desktop) and are served
// while the test's own thread waits. Portable: it uses only the WindowSystem interface.
//
//   ThreadRunner peer(platform->Windows());
//   WindowHandle w = peer.Call([&] { return windows.MakeWindow(blueprint, handler); });  // on
//   `peer` peer.Run([&] { windows.Post(target, id, 0, 0); });                               //
//   async
//
// The runner's windows are served between its tasks; they are destroyed when the thread ends
// (Win32 does the same), at Stop() or destruction at the latest.
#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

#include "platform/window_system.h"

namespace orvabridge::testing {

class ThreadRunner {
 public:
  explicit ThreadRunner(platform::WindowSystem& windows);
  ~ThreadRunner();
  ThreadRunner(const ThreadRunner&) = delete;
  ThreadRunner& operator=(const ThreadRunner&) = delete;

  // Runs `task` on the runner's thread and returns its result; an exception it throws is thrown
  // here. This is a synchronous send: the calling thread keeps handling messages sent to it
  // meanwhile, so the task may send to the caller's windows without deadlock.
  template <class F>
  auto Call(F&& task) -> std::invoke_result_t<F&> {
    using Result = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<Result>) {
      CallVoid([&] { task(); });
    } else {
      std::optional<Result> result;
      CallVoid([&] { result.emplace(task()); });
      return std::move(*result);
    }
  }

  // Queues `task` for the runner's thread (a posted message) and returns at once.
  void Run(std::function<void()> task);

  // The runner thread's id in the window system.
  platform::ThreadId thread_id() const { return thread_id_; }
  // The runner's own hidden (message-only) window, which carries the tasks.
  platform::WindowHandle control_window() const { return control_; }

  // Ends the loop after the tasks already queued and joins the thread. Idempotent.
  void Stop();

 private:
  void CallVoid(const std::function<void()>& task);
  void Loop(std::function<void()> started);

  platform::WindowSystem& windows_;
  platform::MessageId run_message_ = 0;
  platform::MessageId stop_message_ = 0;
  platform::WindowHandle control_;
  platform::ThreadId thread_id_ = 0;
  std::thread thread_;
};

// Pumps the calling thread's messages, blocking in between, until `done` returns true or
// `timeout` passes. Returns done()'s last answer. `done` is checked after each wake-up, so what
// makes it true must reach this thread as a message (or a timer tick): a flag set by another
// thread without a message is seen only at the next message or at the time-out. Use generous
// time-outs: they bound a failing test, they are not part of what is tested.
bool PumpUntil(platform::WindowSystem& windows, const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace orvabridge::testing
