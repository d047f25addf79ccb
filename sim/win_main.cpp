// orva-sim's Windows entry point. A windowed program learns the show state its starter asked for
// (a host launches the application minimised) only through WinMain, which the run time fills
// from the start-up information. Declared without <windows.h>: the rest is portable.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dll_search.h"
#include "sim/program.h"

extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* /*command_line*/,
                                 int show_command) {
  orvabridge::platform::LoadDllsFromSystemFolderOnly();
  const std::vector<std::string> arguments(__argv + (__argc > 0 ? 1 : 0), __argv + __argc);
  return orvabridge::sim::RunProgram(arguments, show_command);
}
