// The directives the assembler knows, under every name the SC/MP assemblers
// of the time gave them (with or without a leading dot, in any case), and
// the nearest known word for one it does not know.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scmp::assembler {

enum class Directive {
  kNone,
  kOrg, kByte, kWord, kDbyte, kAscii, kSpace, kEnd,   // place bytes or move
  kEqu, kSet, kFunction, kReg,                         // define names
  kInclude, kMacro, kEndm,                             // the source stage
  kRept, kIrp, kIrpc, kWhile, kExitm, kMaxnest,        // blocks used where they stand
  kIf, kIfb, kIfnb, kIfdef, kIfndef, kIfused, kIfnused,  // conditions
  kIfexist, kIfnexist, kElseif, kElse, kEndif,
  kSwitch, kCase, kElsecase, kEndcase,
  kCpu,                                                // starts the count at 0
  kIgnored,                                            // listing bookkeeping
  kMessage, kWarning, kError, kFatal,                  // print a text; ERROR and FATAL fail
  kBigEndian, kDbyteOrder,                             // the byte order of DW and of .DBYTE
};

inline bool IsMessage(Directive d) { return d >= Directive::kMessage && d <= Directive::kFatal; }

// The directive a word names; kNone for any other word.
Directive DirectiveOf(std::string_view word);

// The note for a directive that places no byte (CPU and the ignored ones),
// written `word` in the source.
std::string NoByteNote(Directive directive, std::string_view word);

// True for the directives that define the name written before them.
inline bool DefinesName(Directive d) {
  return d == Directive::kEqu || d == Directive::kSet || d == Directive::kFunction || d == Directive::kReg;
}
inline bool IsCondition(Directive d) { return d >= Directive::kIf && d <= Directive::kEndcase; }
// The words that open a block ended by ENDM.
inline bool OpensBlock(Directive d) { return d == Directive::kMacro || (d >= Directive::kRept && d <= Directive::kWhile); }

// True for the directives a macro of the same name hides, as the macro
// assembler has it (MESSAGE MACRO A,B makes MESSAGE a call): all but the
// ones that shape the source itself (conditions, blocks, INCLUDE, END).
inline bool MacroMayHide(Directive d) {
  return !IsCondition(d) && !OpensBlock(d) && d != Directive::kEndm && d != Directive::kExitm &&
         d != Directive::kMaxnest && d != Directive::kInclude && d != Directive::kEnd;
}

// True for a word that is a mnemonic of the processor.
bool IsMnemonic(std::string_view word);

// The known word (mnemonic, directive or one of `extra`) nearest to `word`,
// or "" when none is close enough to be meant.
std::string NearestWord(std::string_view word, const std::vector<std::string>& extra = {});

std::string UpperCase(std::string_view text);

// True when two words are the same but for the case of their letters.
bool SameWord(std::string_view a, std::string_view b);

}  // namespace scmp::assembler
