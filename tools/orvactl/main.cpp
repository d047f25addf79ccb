// orvactl: every member of Appl as a subcommand, the doctor's checklist and a guided demo.
#include "cli/cli.h"
#include "console/console.h"
#include "platform/dll_search.h"

int main(int argc, char** argv) {
  orvabridge::platform::LoadDllsFromSystemFolderOnly();
  using namespace orvabridge::orvactl;
  const std::vector<std::string> args = ProgramArguments(argc, argv);
  StandardStreams streams;
  return RunOrvactl(args, streams.out(), streams.err(), MakeWorkbench, streams.ErrIsTerminal(),
                    [&streams](std::string_view prompt) { return streams.ReadLine(prompt); });
}
