// scmp-test: grades SC/MP programs with a test file; see --help.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"

#include "app/test_command.h"

int main(int argc, char** argv) {
  // A file size limit or a reader that closed the pipe then fail a write,
  // which is reported, instead of killing the program before its reports
  // are written.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  scmp::HoldClosedStandardStreams();
  std::vector<std::string> args(argv + 1, argv + argc);
  return scmp::RunTestCommand(args, argc > 0 ? argv[0] : "scmp-test", std::cout, std::cerr);
}
