// The smallest programs that show two faults of Wine's 32-bit loader under qemu-user (on a
// machine whose kernel runs no 32-bit programs). Nothing of Orvabridge is in them; on a real
// processor both end with 0.
//
//   orvabridge_emulator_fault_probe.exe debug-string
//     What GoogleTest's Windows build does at a test's first failed or skipped check: a thread is
//     started suspended, resumed and left waiting for the main thread, and the main thread, which
//     owns a window, sends a line to the debugger (OutputDebugStringA). Under qemu-i386 the
//     waiting thread is handed a fault Wine cannot place ("err:seh:segv_handler Got unexpected
//     trap -1"), and the process ends with a segmentation fault (139) or with
//     STATUS_ILLEGAL_INSTRUCTION (29).
//
//   orvabridge_emulator_fault_probe.exe start-children [COUNT] [THREADS]
//     Starts itself COUNT times (default 10) and waits for each, while THREADS threads (default 3)
//     wake every millisecond. Under qemu-i386 the process dies within a few starts (139, 29 or
//     3); with no other thread it does not. Wine starts a process by forking its own, and the
//     emulator's fork of a process whose other threads run is what fails.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

DWORD WINAPI WaitForTheMainThread(void* main_thread) {
  ::WaitForSingleObject(static_cast<HANDLE>(main_thread), INFINITE);
  return 0;
}

volatile LONG stop_waking = 0;

DWORD WINAPI WakeEveryMillisecond(void*) {
  while (stop_waking == 0) ::Sleep(1);
  return 0;
}

int DebugString() {
  const HWND window = ::CreateWindowExA(0, "STATIC", "probe", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr,
                                        nullptr, nullptr);
  HANDLE main_thread =
      ::OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, ::GetCurrentThreadId());
  DWORD id = 0;
  HANDLE waiter =
      ::CreateThread(nullptr, 0, &WaitForTheMainThread, main_thread, CREATE_SUSPENDED, &id);
  ::ResumeThread(waiter);
  ::CloseHandle(waiter);
  ::OutputDebugStringA("a line for a debugger\n");
  for (int tick = 0; tick < 10; ++tick) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
    ::Sleep(100);
  }
  ::DestroyWindow(window);
  std::printf("emulator probe: the program went on after OutputDebugStringA\n");
  return 0;
}

int StartChildren(int count, int threads) {
  for (int t = 0; t < threads; ++t) {
    ::CloseHandle(::CreateThread(nullptr, 0, &WakeEveryMillisecond, nullptr, 0, nullptr));
  }
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self + "\" child";
  for (int i = 0; i < count; ++i) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &started)) {
      std::printf("emulator probe: start %d failed (%lu)\n", i, ::GetLastError());
      return 1;
    }
    ::WaitForSingleObject(started.hProcess, INFINITE);
    ::CloseHandle(started.hProcess);
    ::CloseHandle(started.hThread);
  }
  stop_waking = 1;
  std::printf("emulator probe: %d programs started and ended beside %d threads\n", count, threads);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "child") return 0;
  if (mode == "debug-string") return DebugString();
  if (mode == "start-children") {
    return StartChildren(argc > 2 ? std::atoi(argv[2]) : 10, argc > 3 ? std::atoi(argv[3]) : 3);
  }
  std::fprintf(stderr, "usage: %s debug-string | start-children [COUNT] [THREADS]\n", argv[0]);
  return 2;
}
