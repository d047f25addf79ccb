// orvactl: every member of Appl as a subcommand, and a guided demo.
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return orvabridge::orvactl::RunOrvactl(args, std::cout, std::cerr);
}
