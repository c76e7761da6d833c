// scmp-run: runs an SC/MP program headless; see --help.
#include <iostream>
#include <string>
#include <vector>

#include "app/runner.h"
#include "trainer/data_dir.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return scmp::RunBatch(args, scmp::RunningExecutablePath(argc > 0 ? argv[0] : "scmp-run"), std::cout, std::cerr);
}
