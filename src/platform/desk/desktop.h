// The in-process desktop: every platform interface modelled in one process, on any OS.
//
// It is a faithful model of the Win32 behaviour the library relies on, not a mock: windows with
// classes, titles, parents, owners, style words, show states, Z-order and owner threads;
// per-thread message queues in which a synchronous send to another thread blocks the sender while
// the sender still handles messages sent *to* it; notify and post that do not block; timers that
// tick only inside message pumping; a case-insensitive registry with RegQueryValueExA semantics;
// Windows paths mapped below a host folder; process starts that call registered launchers; an
// iconv-backed ANSI code page. Where the desktop and Win32 disagree, Win32 is right and the
// desktop gets fixed.
//
// Besides the Platform interfaces, a Desktop has controls for tests, the simulator and the demo
// (the "desk-only" members below). Several "processes" (the bridge, simulated imaging
// applications, unrelated windows) live in one Desktop as threads of the test process.
//
// Modelling notes (details in the sources of DeskWindows, listed in desk_windows.h):
// - A thread is known to a Desktop from its first call; its ThreadId is process-wide (the same in
//   every Desktop). When a std::thread ends, its windows are destroyed.
// - MakeWindow: a parent with kWsChild in the style makes a child; a parent without it makes an
//   owned top-level window (owner: the parent's top-level ancestor); kWsChild without a parent
//   fails (0). Parent() is GetParent: the owner of a kWsPopup window, the parent of a kWsChild
//   window, otherwise 0 -- also for a window that SetParent put below another without kWsChild
//   (ForEachDescendant still finds it there). SetParent changes the tree, never the style word,
//   and returns the previous parent, kDesktopWindow for a top-level window.
// - The style word carries kWsVisible, kWsMinimize and kWsMaximize, so GetStyle and SetStyle see
//   and change the show state. kWsExTopMost changes only through SetWindowPos.
// - DestroyWindow works only on windows of the calling thread (Win32 refuses others; the desk
//   prints a diagnostic line to stderr and ignores the call). It destroys children and owned
//   windows too. Windows receive no WM_CREATE/WM_DESTROY messages. PostDestroy queues the
//   destruction among the posted messages of the window's thread, which carries it out when it
//   next pumps.
// - WindowText of a window of another "process" (SetThreadProcess) is its title, read without its
//   thread. For a window of the caller's own process it sends the get-text message (13) with a
//   1024-byte char buffer (wparam = capacity, lparam = the buffer's address); the default
//   processing (handler returns nullopt) copies the title, so a window of another thread is asked
//   on its own thread. A handler that answers 13
//   itself writes zero-terminated UTF-8 into the buffer and returns the length. A thread that
//   does not pump blocks WindowText on its windows, as it would on Win32.
// - A quit request stays: once PostQuitMessage ran, every PumpMessages of that thread returns
//   false (after handling what was sent and posted before), for the thread's outer loop too.
// - A handler's exception leaves through the call that dispatched it on the handler's thread
//   (PumpMessages, Send, ...); a sender on another thread then gets 0.
// - Timers: intervals below 10 ms count as 10 ms (USER_TIMER_MINIMUM).
// - SetForegroundWindow succeeds when the foreground is 0, or the calling thread owns the current
//   foreground window or the target window, or the calling thread's input is attached to the
//   foreground window's thread (AttachThreadInput, or a window of one thread below a window of
//   the other, which Win32 also treats as attached). The target must not be a child
//   (kWsChild without kWsPopup). Hiding, minimising or destroying the foreground window makes the
//   foreground 0; ShowWindow and SetWindowPos never activate (Win32 may; the library never relies
//   on it). Minimised and maximised windows keep their normal rectangle in RectOf.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_text.h"
#include "platform/platform.h"

namespace orvabridge::platform::desk {

class DeskWindows;
class DeskRegistry;
class DeskFiles;
class DeskSystem;
class DeskCodePage;

// Win32 style bits that the desktop keeps in the style word besides those of window_system.h.
inline constexpr uint32_t kWsPopup = 0x80000000;
inline constexpr uint32_t kWsMinimize = 0x20000000;
inline constexpr uint32_t kWsMaximize = 0x01000000;

// The desktop window (Win32's GetDesktopWindow() commonly has this very value): the parent of
// every top-level window. SetParent reports it as the previous parent of a top-level window and
// takes it as "no parent", like 0; ForEachDescendant of it visits every top-level window and
// their children; IsWindow says true, ClassName "#32769".
inline constexpr WindowHandle kDesktopWindow{0x10010};

// For a program that runs on desktops (orvactl): their temporary folders (the file roots, with
// the simulated program and its files) are removed also when SIGINT, SIGTERM or SIGHUP ends the
// program, which then ends by that signal as before; and a closed pipe (SIGPIPE) becomes a
// failed write that the program reports, instead of an end without clean-up. Call it first in
// main, before any thread starts: the signals are taken by a thread of their own.
void RemoveTemporaryFoldersOnSignals();

class Desktop : public Platform {
  struct Token {};

 public:
  static std::shared_ptr<Desktop> Create();
  explicit Desktop(Token);
  ~Desktop() override;
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // Platform
  WindowSystem& Windows() override;
  Registry& Reg() override;
  FileSystem& Files() override;
  SystemServices& System() override;
  CodePage& AnsiCodePage() override;
  Database& Databases() override;

  // ---- Registry controls ----
  // REGEDIT4 or "Windows Registry Editor Version 5.00" text, UTF-8. Sections
  // [HKEY_LOCAL_MACHINE\..] and [HKEY_CURRENT_USER\..] (also HKLM/HKCU), [-KEY] deletes a key tree;
  // "name"="text" (the escapes are \\ and \"), @= for the default value, "name"=- deletes, dword:,
  // hex:, hex(N): with trailing-backslash continuations, ; comments. Texts are stored in the
  // desktop's ANSI code page with a terminator. hex(2)/hex(7) bytes are taken as they are in a
  // REGEDIT4 text and as UTF-16LE (converted to ANSI) in a version 5 text, except an odd byte
  // count, taken as it is. A root itself cannot be deleted. Throws std::invalid_argument naming
  // the line on malformed text.
  void LoadRegText(std::string_view regedit_text);
  // As LoadRegText; a UTF-16LE file with its byte-order mark (as regedit writes) is accepted too.
  void LoadRegFile(const std::filesystem::path& file);
  void SetRegistryValue(RegistryRoot root, std::string_view key_path, std::string_view name,
                        uint32_t type, std::span<const std::byte> data);
  // REG_SZ: the text's bytes as they are (ANSI) plus a terminating zero byte.
  void SetRegistryString(RegistryRoot root, std::string_view key_path, std::string_view name,
                         std::string_view ansi_text);
  std::optional<std::vector<std::byte>> RegistryValue(RegistryRoot root, std::string_view key_path,
                                                      std::string_view name,
                                                      uint32_t* type = nullptr) const;
  bool RegistryKeyExists(RegistryRoot root, std::string_view key_path) const;
  void DeleteRegistryKey(RegistryRoot root, std::string_view key_path);  // with its sub-keys
  // Desk-only: a denied key cannot be opened or created (Registry answers nullptr, as Win32 does
  // for ERROR_ACCESS_DENIED); its sub-keys are unaffected.
  void DenyRegistryKey(RegistryRoot root, std::string_view key_path, bool denied);

  // ---- System controls ----
  void SetComputerName(std::string name);  // default "DESKPC"
  void SetDateOrder(DateOrder order);      // how dates are read; default day-month-year
  // The desktop's own environment (not the process's); names are case-insensitive; nullopt
  // undefines. Defaults: TEMP and TMP = "C:\Temp".
  void SetEnvironment(std::string name, std::optional<std::string> value);
  // Windows paths map below `root`: "C:\a\b.txt" -> root/C/a/b.txt. The default root is a fresh
  // temporary folder, made on first use and removed with the Desktop. Creates root/C/Temp.
  void SetFileRoot(std::filesystem::path root);
  std::filesystem::path FileRoot() const;
  // The host path of a Windows path; existing components are matched case-insensitively.
  // Drive `letter` ("H") of the desktop becomes the host folder `folder`: "H:\a.txt" is
  // folder/a.txt. For a file that a user names on this machine, such as a trace.
  void MapDrive(char letter, std::filesystem::path folder);
  std::filesystem::path HostPath(std::string_view windows_path) const;
  // Desk-only: while locked, the file counts as held open exclusively by another program, and
  // OpenAppend throws RuntimeFailure 70 "Permission denied" (as it does for a file that an
  // append stream of the desktop itself still holds open). A locked folder is one this user may
  // not read: FilesInFolder throws the same, CheckFolder answers kDenied.
  void LockFile(std::string_view windows_path, bool locked);

  // Returns false when the start failed (StartProcess then returns 0).
  using ProgramLauncher = std::function<bool(const std::string& arguments, int show_command)>;
  // `executable_path` is compared case-insensitively with the start of command lines.
  void RegisterProgram(std::string executable_path, ProgramLauncher launcher);
  std::vector<std::string> StartedCommandLines() const;  // every StartProcess call, in order
  std::vector<MessageBoxRequest> MessageBoxes() const;   // every box shown, handler or not
  void SetCodePage(std::string iconv_name);  // default "WINDOWS-1252"; throws when iconv has none
  // Desk-only: replaces the database service (the default one is ODBC; nullptr puts in one
  // without a provider, whose Connect throws RuntimeFailure 3706).
  void SetDatabase(std::unique_ptr<Database> database);

  // ---- Window-system controls (desk-only) ----
  // Number of SetWindowPos calls with kSwpFrameChanged on the window (0 when it is gone).
  int FrameChanges(WindowHandle window) const;
  // Every change of the foreground window, in order (0 when the foreground went away).
  std::vector<WindowHandle> ForegroundChanges() const;
  // Makes `window` the foreground window regardless of the rules, like a user's click.
  void ForceForeground(WindowHandle window);
  // Sets a top-level window's owner afterwards (Win32 fixes it at creation: MakeWindow with a
  // parent but without kWsChild).
  bool SetOwner(WindowHandle window, WindowHandle owner);
  // Whether AttachThreadInput currently attaches the two threads (in either direction).
  bool InputAttached(ThreadId a, ThreadId b) const;
  // A thread counts as hung (sends with an abort-if-hung limit fail at once) when it has not
  // looked at its messages for this long while not waiting for them; Win32 takes 5 seconds.
  void SetHungAfter(Clock::duration quiet);
  // Threads belong to "processes": every thread is in process 1 (the test's or tool's own) until
  // it is put in another one. WindowText reads the caption of another process's window without
  // asking the window's thread, as Win32 does; windows of the caller's own process are asked.
  uint32_t NewProcess();  // a process number no thread has yet
  void SetThreadProcess(ThreadId thread, uint32_t process);

 private:
  std::shared_ptr<DeskCodePage> code_page_;
  std::shared_ptr<DeskWindows> windows_;
  std::unique_ptr<DeskRegistry> registry_;
  std::unique_ptr<DeskFiles> files_;
  std::unique_ptr<DeskSystem> system_;
  std::unique_ptr<Database> database_;
};

// The process-wide desktop; DefaultPlatform() returns it in non-Windows builds.
std::shared_ptr<Desktop> ProcessDesktop();

}  // namespace orvabridge::platform::desk
