// orva-relay: replays a workstation's text-out call logs against its imaging application.
#include "console/console.h"
#include "platform/dll_search.h"
#include "relay_cli.h"

int main(int argc, char** argv) {
  orvabridge::platform::LoadDllsFromSystemFolderOnly();
  using namespace orvabridge;
  const std::vector<std::string> args = orvactl::ProgramArguments(argc, argv);
  orvactl::StandardStreams streams;
  return relay::RunRelay(args, streams.out(), streams.err(), relay::MachinePlatform());
}
