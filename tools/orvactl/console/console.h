// The program's arguments and standard streams as the system hands them over: the arguments in
// UTF-8, and standard output and error that take UTF-8 and show it correctly in a console
// (Windows: written as UTF-16) and pass it on unchanged when redirected. A write that fails sets
// the stream's failure state, so that the program can end with a failure.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace orvabridge::orvactl {

// The arguments without the program's name. On Windows they are read from the wide command line
// (`argv` there holds them in the ANSI code page, where characters it lacks are lost).
std::vector<std::string> ProgramArguments(int argc, char** argv);

class StandardStreams {
 public:
  StandardStreams();
  ~StandardStreams();
  StandardStreams(const StandardStreams&) = delete;
  StandardStreams& operator=(const StandardStreams&) = delete;

  std::ostream& out();
  std::ostream& err();
  // Whether standard error is a terminal (a console window), where progress may be shown.
  bool ErrIsTerminal() const;
  // The next line of standard input as UTF-8, without its line end; nothing at its end. From a
  // terminal the line is edited there, with the lines before it as history, after `prompt`;
  // from a file or a pipe it is read as it is (UTF-8) and the prompt is not shown.
  std::optional<std::string> ReadLine(std::string_view prompt);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvabridge::orvactl
