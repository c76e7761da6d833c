// A program as the tests start it: the memory it loads and which cells it
// loaded, through the panel model's one load entry.
#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/machine.h"
#include "trainer/panel_model.h"

namespace scmp::grader {

struct ProgramImage {
  std::string path;
  MemoryArray memory;  // the start-up map with the program loaded; other cells 0
  std::bitset<kMemorySize> loaded;  // cells the file stored
  std::vector<std::string> included;  // every file a source's INCLUDE read, loaded or not
  int Size() const { return static_cast<int>(loaded.count()); }
};

// Loads `path` by its extension (source, listing, memory image or Intel HEX)
// through `panel`'s one load entry and its instruction table; `panel` must be started up
// and its memory is overwritten. A source's diagnostics go to `diagnostics`.
// False with `error` when nothing could be loaded, or when the file stored
// no byte (an empty source, or one of only comments): "P.s: no bytes stored".
bool LoadProgram(PanelModel& panel, const std::string& path, ProgramImage* image, std::vector<Diagnostic>* diagnostics,
                 std::string* error);

}  // namespace scmp::grader
