// orvabridge_soak: many mixed calls through the automation server against orva-sim.exe, with a
// few faults on the way, and what the process holds at 10 %, 50 % and 100 % of them: private
// bytes, kernel handles and window-manager objects. None of them may grow with the number of
// calls. The flight recorder is on with incident files (the restarts make some), so its ring and
// its files show in the figures too. Windows builds only; run it under Wine with
// scripts/wine/soak.sh.
//
//   orvabridge_soak.exe SERVER.dll ORVA-SIM.exe [CALLS]     (default 100000 calls)
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32_harness.h"

#include <psapi.h>

namespace {

using orvabridge::bench::ChildProcess;
using orvabridge::bench::LateBound;

struct Holdings {
  size_t private_bytes = 0;
  DWORD handles = 0;
  DWORD user_objects = 0;
  DWORD gdi_objects = 0;
};

struct OwnWindowCount {
  DWORD process = ::GetCurrentProcessId();
  DWORD windows = 0;
};

// A named callback, not a lambda: on x86 the enumeration calls it with the stdcall convention,
// which a captureless lambda's function pointer does not have.
BOOL CALLBACK CountIfOwn(HWND window, LPARAM into) {
  auto& count = *reinterpret_cast<OwnWindowCount*>(into);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner == count.process) ++count.windows;
  return TRUE;
}

// Our own windows, message-only ones included: what the window manager holds for the process
// (GetGuiResources counts the same on Windows; Wine does not count).
DWORD CountOwnWindows() {
  OwnWindowCount count;
  ::EnumWindows(CountIfOwn, reinterpret_cast<LPARAM>(&count));
  for (HWND window = nullptr;
       (window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr;) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == count.process) ++count.windows;
  }
  return count.windows;
}

// Open kernel handles, probed one by one where the system does not count them (Wine): handle
// values are multiples of four.
DWORD CountOpenHandles() {
  DWORD open = 0;
  for (uintptr_t value = 4; value < 0x40000; value += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
  }
  return open;
}

Holdings Measure() {
  Holdings held;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
    held.private_bytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  }
  ::GetProcessHandleCount(::GetCurrentProcess(), &held.handles);
  if (held.handles == 0) held.handles = CountOpenHandles();
  held.user_objects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  if (held.user_objects == 0) held.user_objects = CountOwnWindows();
  held.gdi_objects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  return held;
}

// The flight recorder's incident files of this user (at most 20 are kept).
int IncidentFiles() {
  wchar_t folder[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH) == 0) return 0;
  const std::wstring pattern = std::wstring(folder) + L"\\Orvabridge\\incidents\\*.txt";
  WIN32_FIND_DATAW found = {};
  HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do {
    ++count;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: orvabridge_soak SERVER.dll ORVA-SIM.exe [CALLS]\n");
    return 2;
  }
  const long total = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 100000;
  if (total < 10) {
    std::fprintf(stderr, "orvabridge_soak: at least 10 calls\n");
    return 2;
  }
  ::SetEnvironmentVariableW(L"ORVABRIDGE_MESSAGE_BOXES", L"stderr");
  ::SetEnvironmentVariableW(L"ORVABRIDGE_FLIGHT_RECORDER", L"1");
  if (!orvabridge::bench::InstallClassLibrary(argv[2])) {
    std::fprintf(stderr, "orvabridge_soak: cannot write HKLM\\Software\\Orvaclass\n");
    return 1;
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  IDispatch* appl = orvabridge::bench::MakeServerObject(argv[1]);
  if (appl == nullptr) {
    std::fprintf(stderr, "orvabridge_soak: cannot create the object of %ls\n", argv[1]);
    return 1;
  }

  ChildProcess simulator;
  const auto start_simulator = [&] {
    return simulator.Start(argv[2], L"--demo-data --logged-in demo");
  };
  if (!start_simulator()) {
    std::fprintf(stderr, "orvabridge_soak: cannot start %ls\n", argv[2]);
    return 1;
  }
  LateBound calls(appl);
  if (calls.Call(L"InitApplication", {L"", L""}) != 1) {
    std::fprintf(stderr, "orvabridge_soak: the simulator did not answer\n");
    return 1;
  }

  // The faults: the application is killed and started again twice (the object re-attaches by
  // itself), and now and then a call is refused for its arguments.
  const std::array<long, 3> checkpoints = {total / 10, total / 2, total};
  std::array<Holdings, 3> held{};
  size_t next_checkpoint = 0;
  long failures = 0, restarts = 0;
  const auto started = std::chrono::steady_clock::now();
  for (long i = 1; i <= total; ++i) {
    long result = 0;
    switch (i % 6) {
      case 0:
        result = calls.Call(L"FindPatient", {L"1002", L"", L""});
        break;
      case 1:
        result = calls.Call(L"GetCurrentPatient",
                            {L"", L"", L"", L"", L"", L"", L"", L"", L"", L"", L""});
        break;
      case 2:
        result = calls.Call(L"GetSessionInfo", {});
        break;
      case 3:
        result = calls.Call(L"FindPatient", {L"", L"", L""});  // refused: -5
        break;
      case 4:
        result = calls.Call(L"GetSelectedImageInfo", {L"", L"", L"", L"", L"", L"", L"", L"", L""});
        break;
      default:
        result = calls.Call(L"FindPatient", {L"1002"});  // too few arguments: refused
        break;
    }
    if (result < -100) ++failures;  // an HRESULT: the call failed as a call
    if (i == total * 3 / 10 || i == total * 7 / 10) {
      simulator.Stop();
      calls.Call(L"FindPatient", {L"1002", L"", L""});  // the application is gone: -4
      start_simulator();
      ++restarts;
    }
    if (i == checkpoints[next_checkpoint]) {
      held[next_checkpoint] = Measure();
      ++next_checkpoint;
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  appl->Release();
  ::CoUninitialize();

  std::printf(
      "orvabridge_soak: %ld mixed calls in %.1f s (%.0f us a call), %ld refused as calls, "
      "%ld restarts of the application\n",
      total, seconds, seconds * 1e6 / static_cast<double>(total), failures, restarts);
  const char* labels[] = {"10 %", "50 %", "100 %"};
  std::printf("%-6s %14s %8s %13s %12s\n", "calls", "private KiB", "handles", "USER objects",
              "GDI objects");
  // (Where the system counts neither, handles are probed one by one and USER objects are our
  // own windows.)
  for (size_t k = 0; k < held.size(); ++k) {
    std::printf("%-6s %14zu %8lu %13lu %12lu\n", labels[k], held[k].private_bytes / 1024,
                held[k].handles, held[k].user_objects, held[k].gdi_objects);
  }
  const double growth = held[0].private_bytes > 0 ? static_cast<double>(held[2].private_bytes) /
                                                        static_cast<double>(held[0].private_bytes)
                                                  : 0.0;
  std::printf("private bytes at 100 %% / at 10 %%: %.3f; handles %+ld; USER objects %+ld\n", growth,
              static_cast<long>(held[2].handles) - static_cast<long>(held[0].handles),
              static_cast<long>(held[2].user_objects) - static_cast<long>(held[0].user_objects));
  std::printf("incident files in %%LOCALAPPDATA%%\\Orvabridge\\incidents: %d\n", IncidentFiles());
  return 0;
}
