// One session request through Appl against the simulator, next to a bare copy-data request and
// reply between two threads of the same desktop: the difference is what the library adds
// (guards, record codec, reply dispatch, the wait).
#include <benchmark/benchmark.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "bench_desk.h"
#include "channel/records.h"

namespace orvabridge::bench {
namespace {

void BM_SessionInfoThroughAppl(benchmark::State& state) {
  SimulatedDesk desk;
  if (!desk.attached()) {
    state.SkipWithError("the simulator did not answer the attach message");
    return;
  }
  for (auto _ : state) {
    int32_t user_id = 0;
    bool logged_in = false;
    const int32_t code = desk.appl().GetSessionInfo(&user_id, nullptr, nullptr, nullptr, nullptr,
                                                    nullptr, nullptr, &logged_in);
    if (code != result::kSuccess || !logged_in) {
      state.SkipWithError("GetSessionInfo did not report the logged-in user");
      break;
    }
  }
}
BENCHMARK(BM_SessionInfoThroughAppl)->Unit(benchmark::kMicrosecond);

// A message-only window on a thread of its own that answers every copy-data request at once,
// from inside the send, with a copy-data reply of the same record: what the simulator does, with
// nothing else around it.
class EchoThread {
 public:
  explicit EchoThread(platform::WindowSystem& windows) : windows_(windows) {
    std::promise<platform::WindowHandle> made;
    auto window = made.get_future();
    thread_ = std::thread([this, &made] {
      const platform::WindowHandle self = windows_.MakeMessageWindow(
          [this](const platform::WindowMessage& message) { return Handle(message); });
      made.set_value(self);
      while (!stopping_) {
        windows_.PumpMessages();
        if (!stopping_) windows_.WaitForMessage(platform::Clock::now() + std::chrono::hours(1));
      }
      windows_.DestroyWindow(self);
    });
    window_ = window.get();
  }
  ~EchoThread() {
    windows_.Post(window_, platform::kWmUser, 0, 0);
    thread_.join();
  }
  EchoThread(const EchoThread&) = delete;
  EchoThread& operator=(const EchoThread&) = delete;

  platform::WindowHandle window() const { return window_; }

 private:
  std::optional<intptr_t> Handle(const platform::WindowMessage& message) {
    if (message.id == platform::kWmUser) {
      stopping_ = true;
      return 0;
    }
    if (message.id != platform::kWmCopyData || !message.copy_data) return std::nullopt;
    const platform::WindowHandle sender(static_cast<uint32_t>(message.wparam));
    windows_.SendCopyData(sender, window_, message.copy_data->code, message.copy_data->bytes,
                          platform::kNoLimit);
    return 1;
  }

  platform::WindowSystem& windows_;
  std::thread thread_;
  platform::WindowHandle window_;
  bool stopping_ = false;  // touched by the echo thread only
};

void BM_BareCopyDataRoundTrip(benchmark::State& state) {
  auto desktop = platform::desk::Desktop::Create();
  platform::WindowSystem& windows = desktop->Windows();
  EchoThread echo(windows);
  int replies = 0;
  const platform::WindowHandle own =
      windows.MakeMessageWindow([&replies](const platform::WindowMessage& message) {
        if (message.id != platform::kWmCopyData) return std::optional<intptr_t>();
        ++replies;
        return std::optional<intptr_t>(1);
      });
  // The same record size as the session request and its reply.
  const std::vector<std::byte> record(channel::generic::kSize);
  for (auto _ : state) {
    const int before = replies;
    windows.SendCopyData(echo.window(), own, channel::command::kGeneric, record,
                         platform::kNoLimit);
    if (replies != before + 1) {
      state.SkipWithError("the reply did not arrive during the send");
      break;
    }
  }
  windows.DestroyWindow(own);
}
BENCHMARK(BM_BareCopyDataRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orvabridge::bench
