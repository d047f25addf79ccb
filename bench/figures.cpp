// orvabridge_figures: the cost of one FindPatient through Appl next to a bare copy-data request
// and reply between the same two threads, and the CPU time the calling thread spends while a
// reply is two seconds late. It runs on the platform of the build, so the Windows build measures
// real Win32 messages (under Wine) and the native build the in-process desktop.
//
//   orvabridge_figures [round trips, default 2000]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "channel/records.h"
#include "appl/appl_access.h"
#include "orvabridge/appl.h"
#include "platform/platform.h"
#include "sim/simulator.h"

namespace orvabridge::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

void WriteString(platform::Platform& platform, std::string_view key, std::string_view name,
                 std::string_view text) {
  auto handle = platform.Reg().CreateKey(platform::RegistryRoot::kLocalMachine, key, "",
                                         platform::kKeyCreate);
  if (!handle) throw std::runtime_error("cannot write the installation key");
  std::vector<std::byte> data(text.size() + 1);
  std::memcpy(data.data(), text.data(), text.size());
  handle->SetValue(name, platform::kRegSz, data);
}

struct Summary {
  double median_us = 0;
  double mean_us = 0;
  double p90_us = 0;
};

Summary Summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  Summary summary;
  summary.median_us = samples[samples.size() / 2];
  summary.p90_us = samples[samples.size() * 9 / 10];
  summary.mean_us = std::accumulate(samples.begin(), samples.end(), 0.0) / samples.size();
  return summary;
}

void Print(const char* what, const Summary& summary) {
  std::printf("%-46s median %8.1f us   mean %8.1f us   p90 %8.1f us\n", what, summary.median_us,
              summary.mean_us, summary.p90_us);
}

// A message-only window on a thread of its own that answers every copy-data request from inside
// the send with a reply of the same bytes: the simulator's part with nothing else around it.
class EchoThread {
 public:
  explicit EchoThread(platform::WindowSystem& windows) : windows_(windows) {
    std::promise<platform::WindowHandle> made;
    auto window = made.get_future();
    thread_ = std::thread([this, &made] {
      const auto self = windows_.MakeMessageWindow(
          [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
            if (message.id == platform::kWmUser) stopping_ = true;
            if (message.id != platform::kWmCopyData || message.copy_data == nullptr) {
              return std::nullopt;
            }
            windows_.SendCopyData(platform::WindowHandle(static_cast<uint32_t>(message.wparam)),
                                  platform::WindowHandle(), message.copy_data->code,
                                  message.copy_data->bytes, platform::kNoLimit);
            return 1;
          });
      made.set_value(self);
      while (!stopping_) {
        if (!windows_.PumpMessages()) break;
        if (!stopping_) windows_.WaitForMessage(Clock::now() + std::chrono::seconds(1));
      }
      windows_.DestroyWindow(self);
    });
    window_ = window.get();
  }
  ~EchoThread() {
    windows_.Post(window_, platform::kWmUser, 0, 0);
    thread_.join();
  }
  platform::WindowHandle window() const { return window_; }

 private:
  platform::WindowSystem& windows_;
  std::thread thread_;
  platform::WindowHandle window_;
  bool stopping_ = false;  // touched only on the echo thread
};

std::vector<double> BareRoundTrips(platform::WindowSystem& windows, int count) {
  EchoThread echo(windows);
  bool replied = false;
  const auto own = windows.MakeMessageWindow(
      [&replied](const platform::WindowMessage& message) -> std::optional<intptr_t> {
        if (message.id != platform::kWmCopyData) return std::nullopt;
        replied = true;
        return 1;
      });
  std::vector<std::byte> record(channel::find_patient::kSize);
  std::vector<double> samples;
  samples.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    replied = false;
    const auto start = Clock::now();
    windows.SendCopyData(echo.window(), own, channel::command::kFindPatient, record,
                         platform::kNoLimit);
    while (!replied) {
      windows.PumpMessages();
      if (!replied) windows.WaitForMessage(Clock::now() + std::chrono::milliseconds(50));
    }
    samples.push_back(Micros(Clock::now() - start).count());
  }
  windows.DestroyWindow(own);
  return samples;
}

int Run(int round_trips) {
  auto platform = platform::DefaultPlatform();
  const char* installation = "Software\\Orvaclass";
  WriteString(*platform, installation, "VendorKey", "Orvadent");
  WriteString(*platform, installation, "ApplicationKey", "Orvanta");
  WriteString(*platform, installation, "ExecutablePath", "");
  WriteString(*platform, installation, "Version", "3.1.1199");
  platform->System().SetMessageBoxHandler([](const platform::MessageBoxRequest& request) {
    std::fprintf(stderr, "[message box] %s\n", request.text.c_str());
    return platform::kIdOk;
  });

  sim::Simulator simulator(platform);
  simulator.Start();
  sim::SimUser user;
  user.id = 7;
  user.login = "demo";
  user.password = "demo";
  simulator.AddUser(user);
  simulator.SetLoggedIn("demo");
  sim::SimPatient patient;
  patient.id = "1001";
  patient.first_name = "Maja";
  patient.last_name = "Lind";
  simulator.AddPatient(patient);

  const auto made = ApplAccess::Make(platform);
  Appl& appl = *made;
  std::string name, version = "NoLaunch";
  if (appl.InitApplication(name, version) != result::kSuccess) {
    std::fprintf(stderr, "the simulator did not answer the attach message\n");
    return 1;
  }

  std::vector<double> through_appl;
  through_appl.reserve(static_cast<size_t>(round_trips));
  for (int i = 0; i < round_trips; ++i) {
    std::string id = "1001", first, last;
    const auto start = Clock::now();
    if (appl.FindPatient(id, first, last) != result::kSuccess) {
      std::fprintf(stderr, "FindPatient did not find the patient\n");
      return 1;
    }
    through_appl.push_back(Micros(Clock::now() - start).count());
  }
  std::printf("%d round trips each\n", round_trips);
  Print("FindPatient through Appl (session check + find)", Summarise(through_appl));
  Print("bare copy-data request and reply",
        Summarise(BareRoundTrips(platform->Windows(), round_trips)));

  sim::FaultSwitches late;
  late.reply_delay = std::chrono::milliseconds(2000);
  late.only_for_command = channel::command::kFindPatient;
  simulator.SetFaults(late);
  for (int i = 0; i < 3; ++i) {
    std::string id = "1001", first, last;
    const auto cpu_before = platform->System().ThreadCpuTime();
    const auto start = Clock::now();
    const int32_t code = appl.FindPatient(id, first, last);
    const double wall_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const double cpu_ms =
        std::chrono::duration<double, std::milli>(platform->System().ThreadCpuTime() - cpu_before)
            .count();
    std::printf("FindPatient with a reply 2 s late: result %d, wall %.1f ms, thread CPU %.2f ms\n",
                code, wall_ms, cpu_ms);
  }
  simulator.Stop();
  return 0;
}

}  // namespace
}  // namespace orvabridge::bench

int main(int argc, char** argv) {
  const int round_trips = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  return orvabridge::bench::Run(round_trips);
}
