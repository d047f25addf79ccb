// Standard streams elsewhere than on Windows: the terminal takes UTF-8 as it is.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#ifdef ORVACTL_LINE_EDITING
#include <editline/readline.h>
#endif

#include "console.h"
#include "platform/desk/desktop.h"

namespace orvabridge::orvactl {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

struct StandardStreams::Impl {};

// The in-process desktop keeps the simulated installation in a temporary folder: it goes also
// when Ctrl-C, a closed terminal or a closed pipe (`orvactl ... | head -1`) ends the program.
StandardStreams::StandardStreams() : impl_(std::make_unique<Impl>()) {
  platform::desk::RemoveTemporaryFoldersOnSignals();
}
StandardStreams::~StandardStreams() = default;

std::ostream& StandardStreams::out() { return std::cout; }
std::ostream& StandardStreams::err() { return std::cerr; }
bool StandardStreams::ErrIsTerminal() const { return ::isatty(STDERR_FILENO) == 1; }

std::optional<std::string> StandardStreams::ReadLine(std::string_view prompt) {
#ifdef ORVACTL_LINE_EDITING
  if (::isatty(STDIN_FILENO) == 1) {
    std::cout << std::flush;
    const std::unique_ptr<char, decltype(&std::free)> line(::readline(std::string(prompt).c_str()),
                                                           &std::free);
    if (!line) return std::nullopt;
    if (*line) ::add_history(line.get());
    return std::string(line.get());
  }
#else
  if (::isatty(STDIN_FILENO) == 1) std::cerr << prompt << std::flush;
#endif
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace orvabridge::orvactl
