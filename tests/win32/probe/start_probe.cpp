// The start probe: shows a window of its own in the show state its starter chose, the way a
// Windows program does (the run time hands WinMain that state), and reports the result to the
// window whose handle is its command line.
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "win32/start_probe_protocol.h"

// The usual entry point of a windowed program, declared without <windows.h>: instance handles,
// the command line after the program name, and the show state from the start-up information.
extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* command_line,
                                 int show_command) {
  using namespace orvabridge::platform;
  using orvabridge::win32_testing::StartProbeReport;
  const WindowHandle reply(static_cast<uint32_t>(std::strtoul(command_line, nullptr, 10)));
  if (!reply) return 2;

  WindowSystem& windows = DefaultPlatform()->Windows();
  WindowBlueprint blueprint;
  blueprint.class_name = "OrvabridgeStartProbe";
  blueprint.title = "Orvabridge start probe";
  blueprint.style = kWsOverlappedWindow;
  blueprint.width = 200;
  blueprint.height = 100;
  const WindowHandle own =
      windows.MakeWindow(blueprint, [](const WindowMessage&) { return std::nullopt; });
  if (!own) return 3;
  windows.ShowWindow(own, show_command);

  StartProbeReport report;
  report.iconic = windows.IsIconic(own) ? 1 : 0;
  report.visible = windows.IsVisible(own) ? 1 : 0;
  report.foreground = windows.ForegroundWindow() == own ? 1 : 0;
  report.window = own.value;
  std::byte bytes[sizeof(report)];
  std::memcpy(bytes, &report, sizeof(report));
  windows.SendCopyData(reply, own, orvabridge::win32_testing::kStartProbeReport, bytes,
                       orvabridge::platform::kNoLimit);
  windows.DestroyWindow(own);
  return 0;
}
