// The stage in front of the two passes: it opens includes, expands macros
// and repeats REPT, IRP, IRPC and WHILE blocks, keeps or drops lines by the
// conditions (IF/ELSEIF/ELSE/ENDIF and their kin, SWITCH/CASE/ELSECASE/
// ENDCASE), and gives every line it passes on its origin: the file, the
// line there, and the chain of includes and macro calls that led to it.
// Blank and comment lines are not passed on, so that they cost nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"
#include "asm/text_arena.h"
#include "asm/work_limits.h"

namespace scmp::assembler {

// One include or macro call: `parent` is the link of the line it stands on
// (-1 for the main file).
struct Link {
  int parent = -1;
  int file = 0;
  int line = 0;
  std::string macro;  // empty for an include
  int macro_depth = 0;    // macro calls in the chain, this one included
  int include_depth = 0;  // includes in the chain, this one included
};

struct StreamLine {
  std::string_view text;
  int file = 0;  // index in Stream::files
  int line = 0;
  int link = -1;  // index in Stream::links, -1 for a line of the main file itself
};

struct StageMessage {
  size_t position = 0;  // the number of lines passed on before it
  StreamLine where;
  int column = 1;
  Severity severity = Severity::kError;
  std::string message;
};

struct Stream {
  std::vector<std::string> files;  // 0 is the main file
  std::vector<Link> links;
  std::vector<StreamLine> lines;
  std::vector<StageMessage> messages;
  int main_lines = 0;  // lines of the main file read (END stops reading)
  std::deque<std::string> storage;  // the texts of included files
  TextArena lines_text;             // the texts of expanded and made-up lines
};

// The file name that lines made from -D NAME=VALUE carry.
constexpr const char* kPredefinedFile = "-D";

Stream RunSourceStage(std::string_view main, const std::string& main_file, const IncludeReader& read_include,
                      const std::vector<Predefined>& predefined = {});

// The main-file line a line came through: its own, or the outermost
// include or macro call.
int MainLineOf(const Stream& stream, const StreamLine& line);

// The includes and macro calls of `link` as call sites, outermost first.
std::vector<CallSite> CallSitesOf(const Stream& stream, int link);

// ", in macro M called at FILE:LINE, included from FILE:LINE" for a message.
std::string OriginNote(const Stream& stream, int link);

}  // namespace scmp::assembler
