// What a reply that comes 2 seconds late costs the calling thread. The wait blocks between
// messages (it wakes only to look whether the target window still exists), so the thread's CPU
// time should stay a tiny fraction of the wall time. Reported as counters per call:
// thread_cpu_ms (CPU time of the calling thread) and wall_ms.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_desk.h"
#include "channel/records.h"

namespace orvabridge::bench {
namespace {

constexpr std::chrono::seconds kLate{2};

using Call = bool (*)(Appl& appl);

bool SessionInfo(Appl& appl) {
  bool logged_in = false;
  return appl.GetSessionInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             &logged_in) == result::kSuccess &&
         logged_in;
}

bool FindPatient(Appl& appl) {
  std::string id = "1001", first, last;
  return appl.FindPatient(id, first, last) == result::kSuccess && first == "Anna";
}

void MeasureLateReply(benchmark::State& state, uint32_t late_command, Call call) {
  SimulatedDesk desk;
  if (!desk.attached()) {
    state.SkipWithError("the simulator did not answer the attach message");
    return;
  }
  sim::FaultSwitches faults;
  faults.reply_delay = kLate;
  faults.only_for_command = late_command;
  desk.simulator().SetFaults(faults);

  std::chrono::nanoseconds cpu{0};
  std::chrono::nanoseconds wall{0};
  for (auto _ : state) {
    const auto cpu_start = desk.desktop().System().ThreadCpuTime();
    const auto wall_start = std::chrono::steady_clock::now();
    const bool answered = call(desk.appl());
    wall += std::chrono::steady_clock::now() - wall_start;
    cpu += desk.desktop().System().ThreadCpuTime() - cpu_start;
    if (!answered) {
      state.SkipWithError("the late reply was not taken");
      break;
    }
  }
  using Ms = std::chrono::duration<double, std::milli>;
  state.counters["thread_cpu_ms"] =
      benchmark::Counter(Ms(cpu).count(), benchmark::Counter::kAvgIterations);
  state.counters["wall_ms"] =
      benchmark::Counter(Ms(wall).count(), benchmark::Counter::kAvgIterations);
}

void BM_SessionInfoReplyTwoSecondsLate(benchmark::State& state) {
  MeasureLateReply(state, channel::command::kGeneric, SessionInfo);
}
BENCHMARK(BM_SessionInfoReplyTwoSecondsLate)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The session check before it is answered at once; only the find-patient reply is late.
void BM_FindPatientReplyTwoSecondsLate(benchmark::State& state) {
  MeasureLateReply(state, channel::command::kFindPatient, FindPatient);
}
BENCHMARK(BM_FindPatientReplyTwoSecondsLate)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvabridge::bench
