// scmp-asm: assembles a source into a listing (and a memory image, Intel HEX
// and a symbol file), or disassembles a listing, memory image or Intel HEX
// file. A library so that tests can call it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace scmp {

// Runs with the command-line arguments `args` (without the program name).
// `exe_path` locates the default data folder. Returns the exit status: 0 on
// success, 1 for errors in the source or a file that cannot be read or
// written (no output file is then created or changed), 2 for bad options.
int RunAssembler(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
                 std::ostream& err);

}  // namespace scmp
