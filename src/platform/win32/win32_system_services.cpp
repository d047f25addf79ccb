#include "platform/win32/win32_system_services.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/win32/error_mapping.h"
#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_include.h"

#include <oleauto.h>

namespace orvabridge::platform::win32 {
namespace {

// The redirect is copied out under the lock and called without it: a handler may pump messages,
// and so re-enter the library, or set another handler.
class MessageBoxRedirect {
 public:
  void Set(MessageBoxHandler handler) {
    auto shared = handler ? std::make_shared<const MessageBoxHandler>(std::move(handler)) : nullptr;
    std::lock_guard guard(lock_);
    handler_ = std::move(shared);
  }
  std::shared_ptr<const MessageBoxHandler> Get() {
    std::lock_guard guard(lock_);
    return handler_;
  }

 private:
  std::mutex lock_;
  std::shared_ptr<const MessageBoxHandler> handler_;
};

MessageBoxRedirect& Redirect() {
  static MessageBoxRedirect redirect;
  return redirect;
}

// ORVABRIDGE_MESSAGE_BOXES=stderr: a host without a desktop (a script under test, a service)
// gets the text on standard error and an OK instead of a modal box that nobody can close.
bool MessageBoxesToStandardError() {
  char value[16] = {};
  const DWORD length = ::GetEnvironmentVariableA("ORVABRIDGE_MESSAGE_BOXES", value, sizeof(value));
  return length > 0 && length < sizeof(value) && std::string_view(value, length) == "stderr";
}

// A process without an interactive window station (a service, a scheduled task) has nobody who
// could see a box, let alone close it: its boxes go to standard error instead.
bool HasInteractiveDesktop() {
  USEROBJECTFLAGS flags = {};
  const HWINSTA station = ::GetProcessWindowStation();
  if (station == nullptr ||
      !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr)) {
    return true;  // cannot tell: show the box as usual
  }
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// How long a box waits for its click before it closes by itself, as if OK had been pressed:
// ORVABRIDGE_MESSAGE_BOX_SECONDS, or five minutes. A box that nobody can see (a machine whose
// desktop nobody watches) must not hold the host's thread for ever.
DWORD MessageBoxMilliseconds() {
  char value[16] = {};
  const DWORD length =
      ::GetEnvironmentVariableA("ORVABRIDGE_MESSAGE_BOX_SECONDS", value, sizeof(value));
  if (length > 0 && length < sizeof(value)) {
    char* end = nullptr;
    const unsigned long seconds = std::strtoul(value, &end, 10);
    if (end != value && *end == '\0' && seconds > 0 && seconds < 86400) {
      return static_cast<DWORD>(seconds * 1000);
    }
  }
  return 5 * 60 * 1000;
}

void WriteToStandardError(const MessageBoxRequest& request) {
  std::fprintf(stderr, "[message box] %s\n", request.text.c_str());
  std::fflush(stderr);
}

// The box of this thread that the close-timer ends; a thread shows one box at a time.
thread_local bool box_timed_out = false;

BOOL CALLBACK CloseMessageBox(HWND window, LPARAM) {
  wchar_t class_name[16] = {};
  if (::GetClassNameW(window, class_name, 16) > 0 && std::wstring_view(class_name) == L"#32770") {
    box_timed_out = true;
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    return FALSE;
  }
  return TRUE;
}

// A thread timer: the box's own modal loop dispatches its tick, which presses OK.
void CALLBACK OnBoxTimeout(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  ::EnumThreadWindows(::GetCurrentThreadId(), &CloseMessageBox, 0);
}

}  // namespace

std::string Win32SystemServices::ComputerName() {
  char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = static_cast<DWORD>(std::size(buffer));
  if (!::GetComputerNameA(buffer, &length)) return {};
  return AnsiToUtf8(std::string_view(buffer, length));
}

std::optional<std::string> Win32SystemServices::Environment(std::string_view name) {
  const std::string ansi_name = Utf8ToAnsi(name);
  std::vector<char> buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableA(ansi_name.c_str(), buffer.data(),
                                                   static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      // Zero is both "not defined" and "defined as empty"; only the error code tells them apart.
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length < buffer.size()) return AnsiToUtf8(std::string_view(buffer.data(), length));
    buffer.resize(length);  // the needed size, terminator included
  }
}

uint32_t Win32SystemServices::StartProcess(std::string_view command_line, int show_command) {
  // CreateProcessA may write into the command line, so it gets a private, terminated copy.
  std::string command = Utf8ToAnsi(command_line);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_command);
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    throw ProcessStartFailure(::GetLastError());
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return started.dwProcessId;
}

int Win32SystemServices::ShowMessageBox(const MessageBoxRequest& request) {
  if (const auto handler = Redirect().Get()) return (*handler)(request);
  if (MessageBoxesToStandardError() || !HasInteractiveDesktop()) {
    WriteToStandardError(request);
    return kIdOk;
  }
  const std::wstring text = Utf8ToWide(request.text);
  const std::wstring caption = Utf8ToWide(request.caption);
  box_timed_out = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, MessageBoxMilliseconds(), &OnBoxTimeout);
  // No caption of its own: the system's default title.
  const int answer = ::MessageBoxW(nullptr, text.c_str(),
                                   caption.empty() ? nullptr : caption.c_str(), request.style);
  if (timer != 0) ::KillTimer(nullptr, timer);
  if (box_timed_out) WriteToStandardError(request);  // closed by itself: the text is kept
  return answer;
}

void Win32SystemServices::SetMessageBoxHandler(MessageBoxHandler handler) {
  Redirect().Set(std::move(handler));
}

bool Win32SystemServices::IsDate(std::string_view text) {
  std::wstring wide = Utf8ToWide(text);  // the parser takes a non-const string
  DATE date = 0;
  return SUCCEEDED(VarDateFromStr(wide.data(), LOCALE_USER_DEFAULT, 0, &date));
}

LocalTime Win32SystemServices::LocalNow() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

uint32_t Win32SystemServices::ProcessId() { return ::GetCurrentProcessId(); }

std::string Win32SystemServices::ExecutableName() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      const std::wstring_view full(path.data(), length);
      const size_t slash = full.find_last_of(L"\\/");
      return WideToUtf8(slash == full.npos ? full : full.substr(slash + 1));
    }
    path.resize(path.size() * 2);
  }
}

std::chrono::nanoseconds Win32SystemServices::ThreadCpuTime() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) {
    return std::chrono::nanoseconds(0);
  }
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  // FILETIME counts 100-nanosecond intervals.
  return std::chrono::nanoseconds((ticks(kernel) + ticks(user)) * 100);
}

}  // namespace orvabridge::platform::win32
