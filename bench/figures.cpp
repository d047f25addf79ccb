// orvabridge_figures: what a call through Orvabridge costs next to the raw copy-data messages it
// consists of, and how long attaching takes on a crowded desktop. It runs on the platform of the
// build: the Windows build measures real Win32 messages (under Wine) against orva-sim.exe in a
// process of its own, through Appl and through the automation server; the native build measures
// the in-process desktop against a simulator on a thread of its own.
//
//   orvabridge_figures.exe ORVA-SIM.exe [Orvabridge.dll] [options]     (Windows)
//   orvabridge_figures [options]                                        (natively)
//   options: --blocks B (default 10)  --calls K per block (default 50)  --quick
//
// Calls are timed in alternating blocks (raw, Appl, automation server, in turn, each block in
// another order) so that a change in the machine's load falls on every path alike; each figure
// is the median of all calls of its path, and the ratio is that median over the raw one. A build
// configured with ORVABRIDGE_COUNT_SYSTEM_CALLS also counts the calls each path makes into the
// window manager.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "appl/appl_access.h"
#include "channel/codec.h"
#include "channel/records.h"
#include "environment/flight_recorder.h"
#include "interface/members.h"
#include "orvabridge/appl.h"
#include "platform/platform.h"
#include "platform/system_call_count.h"

#ifdef _WIN32
#include "win32_harness.h"
#else
#include "platform/desk/desk_services.h"
#include "sim/simulator.h"
#endif

namespace orvabridge::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;
using Millis = std::chrono::duration<double, std::milli>;

struct Options {
  int blocks = 10;
  int calls = 50;
  bool quick = false;
  std::string simulator;  // Windows: orva-sim.exe
  std::string server;     // Windows: Orvabridge.dll (optional)
};

double Median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

#ifndef _WIN32
void WriteInstallation(platform::Platform& platform, const std::string& executable) {
  const char* values[][2] = {{"VendorKey", "Orvadent"},
                             {"ApplicationKey", "Orvanta"},
                             {"ExecutablePath", executable.c_str()},
                             {"Version", "3.1.1199"}};
  auto key = platform.Reg().CreateKey(platform::RegistryRoot::kLocalMachine, "Software\\Orvaclass",
                                      "", platform::kKeyCreate);
  if (!key) throw std::runtime_error("cannot write the installation key");
  for (const auto& [name, text] : values) {
    std::vector<std::byte> data(std::strlen(text) + 1);
    std::memcpy(data.data(), text, data.size() - 1);
    key->SetValue(name, platform::kRegSz, data);
  }
}
#endif

// A hand-written client of the protocol: its own message-only window for the replies, one send
// of the request, and a wait for the reply only when it did not come during the send.
class RawClient {
 public:
  RawClient(platform::WindowSystem& windows, platform::WindowHandle target)
      : windows_(windows), target_(target) {
    own_ = windows_.MakeMessageWindow(
        [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
          if (message.id != platform::kWmCopyData || message.copy_data == nullptr) {
            return std::nullopt;
          }
          const auto bytes = message.copy_data->bytes;
          reply_.assign(bytes.begin(), bytes.end());
          reply_code_ = message.copy_data->code;
          return 1;
        });
  }
  ~RawClient() { windows_.DestroyWindow(own_); }

  bool Exchange(uint32_t code, std::span<const std::byte> record) {
    reply_code_ = 0;
    windows_.SendCopyData(target_, own_, code, record, platform::kNoLimit);
    const auto give_up = Clock::now() + std::chrono::seconds(20);
    while (reply_code_ == 0 && Clock::now() < give_up) {
      windows_.WaitForMessage(give_up);
      windows_.PumpMessages();
    }
    return reply_code_ == code;
  }

 private:
  platform::WindowSystem& windows_;
  platform::WindowHandle target_;
  platform::WindowHandle own_;
  std::vector<std::byte> reply_;
  uint32_t reply_code_ = 0;
};

// One request as a raw client writes it: the record with its size and what the member would put
// in it.
struct RawRequest {
  uint32_t code;
  std::vector<std::byte> record;
};

RawRequest SessionRequest() {
  RawRequest request{channel::command::kGeneric, std::vector<std::byte>(channel::generic::kSize)};
  channel::WriteI32(request.record, channel::kSizeField, channel::generic::kSize);
  channel::WriteI32(request.record, channel::generic::kSubCommand, channel::generic::kSessionInfo);
  return request;
}

RawRequest PlainRequest(uint32_t code, size_t size) {
  RawRequest request{code, std::vector<std::byte>(size)};
  channel::WriteI32(request.record, channel::kSizeField, static_cast<int32_t>(size));
  return request;
}

RawRequest FindRequest(const std::string& patient) {
  RawRequest request = PlainRequest(channel::command::kFindPatient, channel::find_patient::kSize);
  std::memcpy(request.record.data() + channel::find_patient::kPatientId.offset, patient.data(),
              patient.size());
  return request;
}

// A member measured three ways: the raw requests it consists of, the call through Appl, and the
// late-bound call through the automation server.
struct Member {
  const char* name;
  std::vector<RawRequest> raw;
  std::function<int32_t(Appl&)> through_appl;
  std::vector<std::wstring> com_texts;  // the first arguments; the others start empty
};

constexpr const char* kPatient = "1001";
constexpr const char* kTraceFile = "C:\\Temp\\orvabridge-figures-trace.log";

std::vector<Member> Members() {
  std::vector<Member> members;
  members.push_back(
      {"GetSessionInfo", {SessionRequest()}, [](Appl& appl) { return appl.GetSessionInfo(); }, {}});
  members.push_back({"FindPatient",
                     {SessionRequest(), FindRequest(kPatient)},
                     [](Appl& appl) {
                       std::string id = kPatient, first, last;
                       return appl.FindPatient(id, first, last);
                     },
                     {L"1001"}});
  members.push_back(
      {"GetCurrentPatient",
       {PlainRequest(channel::command::kCurrentPatient, channel::patient::kShortSize)},
       [](Appl& appl) {
         std::string t[11];
         return appl.GetCurrentPatient(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9],
                                       t[10]);
       },
       {}});
  members.push_back(
      {"GetSelectedImageInfo",
       {SessionRequest(), PlainRequest(channel::command::kSelectedImage, channel::image::kSize)},
       [](Appl& appl) {
         std::string t[9];
         return appl.GetSelectedImageInfo(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]);
       },
       {}});
  members.push_back(
      {"GetSelectedImageCard",
       {SessionRequest(),
        PlainRequest(channel::command::kSelectedImageCard, channel::image_card::kSize)},
       [](Appl& appl) {
         int32_t card = 0;
         std::string patient, xml, path;
         bool images = false, originals = false;
         return appl.GetSelectedImageCard(card, patient, xml, path, images, originals);
       },
       {}});
  return members;
}

// The imaging application on the other side.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual std::string Describe() const = 0;
};

#ifdef _WIN32
class SimulatorProcess : public Peer {
 public:
  explicit SimulatorProcess(const std::string& path) : path_(path) {
    if (!InstallClassLibrary(Wide(path))) {
      throw std::runtime_error("cannot write the installation key");
    }
    Restart(L"");
  }
  // Ends the running simulator and starts it again with `faults` (its own switches).
  void Restart(const std::wstring& faults) {
    process_.Stop();
    if (!process_.Start(Wide(path_), L"--demo-data --logged-in demo " + faults)) {
      throw std::runtime_error("cannot start " + path_);
    }
  }
  std::string Describe() const override { return path_ + " in a process of its own"; }
  static std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }

 private:
  std::string path_;
  ChildProcess process_;
};
#else
class SimulatorThread : public Peer {
 public:
  explicit SimulatorThread(std::shared_ptr<platform::Platform> platform)
      : simulator_(std::move(platform)) {
    simulator_.Start();
    sim::SimUser user;
    user.id = 7;
    user.login = "demo";
    user.password = "demo";
    simulator_.AddUser(user);
    simulator_.SetLoggedIn("demo");
    sim::SimPatient patient;
    patient.id = kPatient;
    patient.first_name = "Maja";
    patient.last_name = "Lind";
    simulator_.AddPatient(patient);
    simulator_.SetCurrentPatient(kPatient);
    sim::SimImage image;
    image.patient_id = kPatient;
    image.picture_id = "5001";
    simulator_.AddImage(image);
    simulator_.SelectImage("5001");
    simulator_.SetSelectedCard(sim::SimImageCard{7, kPatient, "<card/>", ""});
  }
  std::string Describe() const override {
    return "the simulator on a thread of its own, on the in-process desktop";
  }
  sim::Simulator& simulator() { return simulator_; }

 private:
  sim::Simulator simulator_;
};
#endif

// What one path did over all blocks.
struct PathFigures {
  std::vector<double> micros;
  uint64_t system_calls = 0;
  int calls = 0;
  int failures = 0;
};

// The count of calls into the window manager that a path's code keeps (the automation server
// keeps its own).
using SystemCallCounter = uint64_t (*)();

template <typename Call>
void TimeBlock(PathFigures& figures, int calls, SystemCallCounter counter, Call&& call) {
  for (int i = 0; i < calls; ++i) {
    const uint64_t counted = counter();
    const auto start = Clock::now();
    const bool ok = call();
    figures.micros.push_back(Micros(Clock::now() - start).count());
    figures.system_calls += counter() - counted;
    ++figures.calls;
    if (!ok) ++figures.failures;
  }
}

std::string PerCall(const PathFigures& figures) {
  if (!platform::kCountingSystemCalls || figures.calls == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f",
                static_cast<double>(figures.system_calls) / figures.calls);
  return text;
}

uint64_t OwnSystemCalls() { return platform::SystemCallsOfThisThread(); }

void MeasureMembers(const Options& options, platform::WindowSystem& windows, Appl& appl,
                    const std::function<long(const Member&)>& through_server,
                    SystemCallCounter server_counter) {
  RawClient raw(windows, CoreOf(appl).thread().target_window);
  std::printf("\n%-22s %6s %9s %9s %7s %9s %7s   %s\n", "member (exchanges)", "bytes", "raw us",
              "Appl us", "ratio", "server us", "ratio", "system calls per call: raw/Appl/server");
  for (const Member& member : Members()) {
    PathFigures paths[3];
    const std::function<bool()> run[3] = {
        [&] {
          bool ok = true;
          for (const auto& request : member.raw)
            ok = raw.Exchange(request.code, request.record) && ok;
          return ok;
        },
        [&] { return member.through_appl(appl) == 1; },
        [&] { return through_server(member) == 1; },
    };
    const int path_count = through_server ? 3 : 2;
    for (int block = 0; block < options.blocks; ++block) {
      for (int turn = 0; turn < path_count; ++turn) {
        const int path = (block + turn) % path_count;
        TimeBlock(paths[path], options.calls, path == 2 ? server_counter : OwnSystemCalls,
                  run[path]);
      }
    }
    const double raw_us = Median(paths[0].micros);
    const double appl_us = Median(paths[1].micros);
    char label[64];
    std::snprintf(label, sizeof label, "%s (%zu)", member.name, member.raw.size());
    std::printf("%-22s %6zu %9.1f %9.1f %7.3f", label, member.raw.back().record.size(), raw_us,
                appl_us, appl_us / raw_us);
    if (path_count == 3) {
      const double server_us = Median(paths[2].micros);
      std::printf(" %9.1f %7.3f", server_us, server_us / raw_us);
    } else {
      std::printf(" %9s %7s", "-", "-");
    }
    std::printf("   %s/%s/%s", PerCall(paths[0]).c_str(), PerCall(paths[1]).c_str(),
                path_count == 3 ? PerCall(paths[2]).c_str() : "-");
    const char* path_names[] = {"raw", "Appl", "server"};
    for (int path = 0; path < path_count; ++path) {
      if (paths[path].failures > 0) {
        std::printf("   (%s: %d calls failed)", path_names[path], paths[path].failures);
      }
    }
    std::printf("\n");
  }
}

// The trace's price: GetSessionInfo through an object without a trace and through one that
// traces every call into a file, in alternating blocks. Without a trace the call path only asks
// whether there is one.
void MeasureTrace(const Options& options, std::shared_ptr<platform::Platform> platform,
                  Appl& untraced, const std::function<void(const char*)>& set_trace) {
  set_trace(kTraceFile);
  const auto traced = ApplAccess::Make(platform);
  set_trace(nullptr);
  std::string name, version = "NoLaunch";  // learns the version, as the untraced one did
  if (traced->InitApplication(name, version) != 1) throw std::runtime_error("no second attach");
  PathFigures paths[2];
  Appl* objects[2] = {&untraced, traced.get()};
  for (int block = 0; block < options.blocks; ++block) {
    for (int turn = 0; turn < 2; ++turn) {
      const int path = (block + turn) % 2;
      TimeBlock(paths[path], options.calls, OwnSystemCalls,
                [&] { return objects[path]->GetSessionInfo() == 1; });
    }
  }
  const double off = Median(paths[0].micros), on = Median(paths[1].micros);
  std::printf("\nGetSessionInfo through Appl: trace off %.1f us, trace on %.1f us (%.3f)\n", off,
              on, on / off);
}

// The flight recorder's price: GetSessionInfo and FindPatient through the same object with
// recording switched off and on, alternating call by call so that a change in the machine's load
// falls on both alike; each figure is the median of its calls. Then what recording a call's
// events costs by itself (a call, a guard step, two requests and the return, into the ring).
void MeasureRecorder(const Options& options, Appl& appl) {
  environment::FlightRecorder& recorder = environment::FlightRecorder::Process();
  std::printf("\n%-16s %14s %13s %7s\n", "member", "recorder off", "recorder on", "ratio");
  double session_us = 0;
  for (const Member& member : Members()) {
    if (std::strcmp(member.name, "GetSessionInfo") != 0 &&
        std::strcmp(member.name, "FindPatient") != 0) {
      continue;
    }
    PathFigures paths[2];
    for (int call = 0; call < 2 * options.blocks * options.calls; ++call) {
      const int path = call % 2;
      recorder.SetEnabled(path == 1);
      TimeBlock(paths[path], 1, OwnSystemCalls, [&] { return member.through_appl(appl) == 1; });
    }
    recorder.SetEnabled(true);
    const double off = Median(paths[0].micros), on = Median(paths[1].micros);
    if (session_us == 0) session_us = off;
    std::printf("%-16s %11.1f us %10.1f us %7.3f\n", member.name, off, on, on / off);
  }
  constexpr int kCalls = 20000;
  environment::FlightEvent event;
  event.member = "GetSessionInfo";
  const auto start = Clock::now();
  for (int i = 0; i < kCalls; ++i) {
    for (int step = 0; step < 5; ++step) {
      event.at = Clock::now();
      recorder.Record(event);
    }
  }
  const double per_call_us = Micros(Clock::now() - start).count() / kCalls;
  std::printf("recording a call's 5 events: %.3f us, %.3f %% of a GetSessionInfo\n", per_call_us,
              100 * per_call_us / session_us);
}

// Foreign windows: `count` top-level windows with five children each, made and kept by someone
// else (another process on Windows, another thread natively) until this object goes.
class Clutter {
 public:
  virtual ~Clutter() = default;
};

#ifdef _WIN32
constexpr const wchar_t* kClutterReady = L"OrvabridgeFiguresClutterReady";

int RunClutter(int count) {
  const platform::WindowBlueprint top{"OrvabridgeFiguresClutter", "clutter",
                                      platform::WindowHandle()};
  auto platform = platform::DefaultPlatform();
  auto& windows = platform->Windows();
  for (int i = 0; i < count; ++i) {
    const auto parent = windows.MakeWindow(top, nullptr);
    for (int j = 0; j < 5; ++j) {
      windows.MakeWindow({"OrvabridgeFiguresClutter", "", parent, platform::kWsChild}, nullptr);
    }
  }
  const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, kClutterReady);
  if (ready == nullptr) return 1;
  ::SetEvent(ready);
  ::CloseHandle(ready);
  while (windows.PumpMessages()) windows.WaitForMessage(platform::kNoLimit);
  return 0;
}

class ClutterProcess : public Clutter {
 public:
  explicit ClutterProcess(int count) {
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, kClutterReady);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const bool started = process_.Start(self, L"--clutter " + std::to_wstring(count));
    const bool made = started && ::WaitForSingleObject(ready, 600000) == WAIT_OBJECT_0;
    ::CloseHandle(ready);
    if (!made) throw std::runtime_error("the clutter process did not make its windows");
  }

 private:
  ChildProcess process_;
};
std::unique_ptr<Clutter> MakeClutter(platform::Platform&, int count) {
  return std::make_unique<ClutterProcess>(count);
}
#else
class ClutterThread : public Clutter {
 public:
  ClutterThread(platform::WindowSystem& windows, int count) : windows_(windows) {
    std::promise<platform::WindowHandle> made;
    auto waker = made.get_future();
    thread_ = std::thread([&, count] {
      for (int i = 0; i < count; ++i) {
        const auto parent = windows_.MakeWindow(
            {"OrvabridgeFiguresClutter", "clutter", platform::WindowHandle()}, nullptr);
        for (int j = 0; j < 5; ++j) {
          windows_.MakeWindow({"OrvabridgeFiguresClutter", "", parent, platform::kWsChild},
                              nullptr);
        }
      }
      made.set_value(windows_.MakeMessageWindow(nullptr));
      // The thread's windows go with it.
      while (!stopping_) {
        windows_.PumpMessages();
        if (!stopping_) windows_.WaitForMessage(platform::kNoLimit);
      }
    });
    waker_ = waker.get();
  }
  ~ClutterThread() override {
    stopping_ = true;
    windows_.Post(waker_, platform::kWmUser, 0, 0);
    thread_.join();
  }

 private:
  platform::WindowSystem& windows_;
  std::thread thread_;
  platform::WindowHandle waker_;
  std::atomic<bool> stopping_{false};
};
std::unique_ptr<Clutter> MakeClutter(platform::Platform& platform, int count) {
  return std::make_unique<ClutterThread>(platform.Windows(), count);
}
#endif

void MeasureAttach(const Options& options, std::shared_ptr<platform::Platform> platform) {
  std::printf(
      "\nattach (InitApplication) among N foreign top-level windows with 5 children each\n");
  std::printf("%-8s %8s %11s %11s %14s %s\n", "N", "windows", "median ms", "worst ms",
              "us per window", "system calls");
  const std::vector<int> crowds =
      options.quick ? std::vector<int>{0, 100, 1000} : std::vector<int>{0, 100, 1000, 5000};
  double alone_ms = 0;
  for (const int crowd : crowds) {
    const auto clutter = crowd > 0 ? MakeClutter(*platform, crowd) : nullptr;
    const int runs = crowd >= 5000 ? 5 : 20;
    std::vector<double> samples;
    uint64_t counted = 0;
    for (int run = 0; run < runs; ++run) {
      const auto appl = ApplAccess::Make(platform);
      // No launch: a search that finds nothing must show as a failure, not as stub mode.
      std::string name, version = "NoLaunch";
      const uint64_t before = platform::SystemCallsOfThisThread();
      const auto start = Clock::now();
      const int32_t code = appl->InitApplication(name, version);
      samples.push_back(Millis(Clock::now() - start).count());
      counted += platform::SystemCallsOfThisThread() - before;
      if (code != 1 || name.empty())
        std::printf("  (run %d: InitApplication gave %d)\n", run, code);
    }
    const double median = Median(samples);
    if (crowd == 0) alone_ms = median;
    const int windows = crowd * 6;
    char per_window[32] = "-";
    if (crowd > 0)
      std::snprintf(per_window, sizeof per_window, "%.2f", (median - alone_ms) * 1000 / windows);
    std::printf("%-8d %8d %11.1f %11.1f %14s %s\n", crowd, windows, median,
                *std::max_element(samples.begin(), samples.end()), per_window,
                platform::kCountingSystemCalls ? std::to_string(counted / runs).c_str() : "-");
  }
}

// The calling thread's CPU time while the find reply comes two seconds late (the peer has been
// told to answer so): the wait must block.
void MeasureLateReply(std::shared_ptr<platform::Platform> platform, Appl& appl) {
  std::printf("\n");
  // Some systems count a thread's CPU time in steps of 10 ms or more: the share is taken over
  // all calls together.
  double total_wall_ms = 0, total_cpu_ms = 0;
  for (int i = 0; i < 5; ++i) {
    std::string id = kPatient, first, last;
    const auto cpu_before = platform->System().ThreadCpuTime();
    const auto start = Clock::now();
    const int32_t code = appl.FindPatient(id, first, last);
    const double wall_ms = Millis(Clock::now() - start).count();
    const double cpu_ms = Millis(platform->System().ThreadCpuTime() - cpu_before).count();
    total_wall_ms += wall_ms;
    total_cpu_ms += cpu_ms;
    std::printf("FindPatient with a reply 2 s late: result %d, wall %.0f ms, thread CPU %.2f ms\n",
                code, wall_ms, cpu_ms);
  }
  std::printf("waiting costs %.3f %% of a core (%.1f ms CPU in %.0f ms)\n",
              100 * total_cpu_ms / total_wall_ms, total_cpu_ms, total_wall_ms);
}

std::unique_ptr<Appl> Attach(std::shared_ptr<platform::Platform> platform) {
  auto appl = ApplAccess::Make(platform);
  const auto give_up = Clock::now() + std::chrono::seconds(20);
  for (;;) {
    std::string name, version = "NoLaunch";
    if (appl->InitApplication(name, version) == 1) return appl;
    if (Clock::now() > give_up) throw std::runtime_error("the simulator did not answer");
  }
}

int Run(const Options& options) {
  auto platform = platform::DefaultPlatform();
  platform->System().SetMessageBoxHandler([](const platform::MessageBoxRequest& request) {
    std::fprintf(stderr, "[message box] %s\n", request.text.c_str());
    return platform::kIdOk;
  });
#ifdef _WIN32
  SimulatorProcess peer(options.simulator);
#else
  WriteInstallation(*platform, "");
  SimulatorThread peer(platform);
#endif
  std::printf("orvabridge_figures: against %s; %d blocks of %d calls per path%s\n",
              peer.Describe().c_str(), options.blocks, options.calls,
              platform::kCountingSystemCalls ? "; system calls counted" : "");
  const auto appl = Attach(platform);

  std::function<long(const Member&)> through_server;
  SystemCallCounter server_counter = [] { return uint64_t{0}; };
#ifdef _WIN32
  IDispatch* server = nullptr;
  if (!options.server.empty()) {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    server = MakeServerObject(SimulatorProcess::Wide(options.server));
    if (server == nullptr) throw std::runtime_error("cannot make the object of " + options.server);
    // Present only in a server built to count.
    const auto counter =
        ::GetProcAddress(::GetModuleHandleW(SimulatorProcess::Wide(options.server).c_str()),
                         "OrvabridgeSystemCallsOfThisThread");
    if (counter != nullptr) {
      server_counter = reinterpret_cast<SystemCallCounter>(reinterpret_cast<void*>(counter));
    }
  }
  std::optional<LateBound> late_bound;
  if (server != nullptr) {
    late_bound.emplace(server);
    if (late_bound->Call(L"InitApplication", {L"", L""}) != 1) {
      throw std::runtime_error("the automation server's object did not attach");
    }
    through_server = [&](const Member& member) {
      size_t arguments = 0;
      for (const api::Member& described : api::Members()) {
        if (described.name == member.name) arguments = described.parameters.size();
      }
      const std::wstring name(member.name, member.name + std::strlen(member.name));
      return late_bound->Call(name.c_str(), member.com_texts, arguments);
    };
  }
#endif
  MeasureMembers(options, platform->Windows(), *appl, through_server, server_counter);
  MeasureTrace(options, platform, *appl, [&](const char* path) {
#ifdef _WIN32
    ::SetEnvironmentVariableA("ORVABRIDGE_TRACE", path);
#else
    static_cast<platform::desk::DeskSystem&>(platform->System())
        .SetEnvironment("ORVABRIDGE_TRACE", path ? std::optional<std::string>(path) : std::nullopt);
#endif
  });
  MeasureRecorder(options, *appl);
  MeasureAttach(options, platform);
#ifdef _WIN32
  if (server != nullptr) server->Release();
  peer.Restart(L"--reply-delay-ms 2000 --only-for 1003");
  MeasureLateReply(platform, *Attach(platform));
#else
  sim::FaultSwitches late;
  late.reply_delay = std::chrono::milliseconds(2000);
  late.only_for_command = channel::command::kFindPatient;
  peer.simulator().SetFaults(late);
  MeasureLateReply(platform, *appl);
#endif
  return 0;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto number = [&] {
      if (i + 1 >= argc) throw std::runtime_error(argument + " needs a number");
      return std::max(1, std::atoi(argv[++i]));
    };
    if (argument == "--blocks") {
      options.blocks = number();
    } else if (argument == "--calls") {
      options.calls = number();
    } else if (argument == "--quick") {
      options.quick = true;
    } else {
      positional.push_back(argument);
    }
  }
#ifdef _WIN32
  if (positional.empty()) throw std::runtime_error("usage: orvabridge_figures ORVA-SIM.exe [DLL]");
  options.simulator = positional[0];
  if (positional.size() > 1) options.server = positional[1];
#endif
  return options;
}

}  // namespace
}  // namespace orvabridge::bench

int main(int argc, char** argv) {
#ifdef _WIN32
  if (argc == 3 && std::string(argv[1]) == "--clutter") {
    return orvabridge::bench::RunClutter(std::max(1, std::atoi(argv[2])));
  }
#endif
  try {
    return orvabridge::bench::Run(orvabridge::bench::ParseOptions(argc, argv));
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "orvabridge_figures: %s\n", failure.what());
    return 1;
  }
}
