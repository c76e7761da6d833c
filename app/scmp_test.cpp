// scmp-test: grades SC/MP programs with a test file; see --help.
#include <iostream>
#include <string>
#include <vector>

#include "app/test_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return scmp::RunTestCommand(args, argc > 0 ? argv[0] : "scmp-test", std::cout, std::cerr);
}
