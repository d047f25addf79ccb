// Standard streams elsewhere than on Windows: the terminal takes UTF-8 as it is.
#include <unistd.h>

#include <iostream>

#include "console.h"

namespace orvabridge::orvactl {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

struct StandardStreams::Impl {};

StandardStreams::StandardStreams() : impl_(std::make_unique<Impl>()) {}
StandardStreams::~StandardStreams() = default;

std::ostream& StandardStreams::out() { return std::cout; }
std::ostream& StandardStreams::err() { return std::cerr; }
bool StandardStreams::ErrIsTerminal() const { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace orvabridge::orvactl
