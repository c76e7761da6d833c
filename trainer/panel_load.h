// What loading one file into the panel did: the report of
// PanelModel::LoadFile, the one way in for every kind of file.
#pragma once

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "files/file_kind.h"
#include "files/load_report.h"

namespace scmp {

struct FileLoad {
  FileKind kind = FileKind::kUnknown;  // the kind it was loaded as
  bool loaded = false;                 // false: nothing changed; `error` says why
  std::string error;
  // For the user, in order: the summary ("ECHO.s: 12 bytes, 001-00C"), one
  // line per range of dropped bytes with its reason, then the warnings.
  std::vector<std::string> lines;
  ByteTally bytes;                      // stored and dropped (sources, listings, HEX)
  std::vector<std::string> warnings;    // a listing's doubtful lines: "line 3: ..."
  std::vector<Diagnostic> diagnostics;  // a source's errors and warnings
  std::vector<Symbol> symbols;          // a source's symbols; none for other kinds
  std::vector<LineCode> line_map;       // a source's bytes by line
  std::vector<std::string> included;    // every file a source's INCLUDE read

  const std::string& Summary() const {
    static const std::string kNone;
    return lines.empty() ? kNone : lines.front();
  }
};

// Where an assembly's bytes go in `memory`, as StoreInRam stores them:
// stored in RAM, or dropped with the reason.
ByteTally TallyOf(const std::vector<LineCode>& code, const MemoryArray& memory);

// The last part of `path`, as reports name a file.
std::string FileName(const std::string& path);

}  // namespace scmp
