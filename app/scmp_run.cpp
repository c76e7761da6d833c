// scmp-run: runs an SC/MP program headless; see --help.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/runner.h"
#include "trainer/data_dir.h"

int main(int argc, char** argv) {
  // A file size limit then fails a write with an error the program reports,
  // instead of killing it.
  std::signal(SIGXFSZ, SIG_IGN);
  // A trace pipe whose reader has gone ends the trace with a message, not
  // the program.
  std::signal(SIGPIPE, SIG_IGN);
  scmp::HoldClosedStandardStreams();
  std::vector<std::string> args(argv + 1, argv + argc);
  return scmp::RunBatch(args, scmp::RunningExecutablePath(argc > 0 ? argv[0] : "scmp-run"), std::cout, std::cerr);
}
