// scmp-asm: the assembler and disassembler; see --help.
#include <iostream>
#include <string>
#include <vector>

#include "app/asm_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return scmp::RunAssembler(args, argc > 0 ? argv[0] : "scmp-asm", std::cout, std::cerr);
}
