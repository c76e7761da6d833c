// scmp-asm: the assembler and disassembler; see --help.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"

#include "app/asm_command.h"

int main(int argc, char** argv) {
  // A file size limit then fails a write with "File too large", which is
  // reported, instead of killing the program with its temporary file left.
  std::signal(SIGXFSZ, SIG_IGN);
  scmp::HoldClosedStandardStreams();
  std::vector<std::string> args(argv + 1, argv + argc);
  return scmp::RunAssembler(args, argc > 0 ? argv[0] : "scmp-asm", std::cout, std::cerr);
}
