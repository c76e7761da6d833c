// The operands of the directives that steer the assembly rather than place
// bytes: MESSAGE, WARNING, ERROR and FATAL print a text; BIGENDIAN ON/OFF
// sets DW's byte order, DBYTEORDER HIGH/LOW that of .DBYTE.
#pragma once

#include <string>

#include "asm/directive.h"
#include "asm/source_line.h"

namespace scmp::assembler {

// The text a message directive prints: its strings joined, with anything
// else as written. False with a message for a faulty string.
bool MessageText(const Piece& operand, std::string* text, std::string* error, int* column);

// For BIGENDIAN: 1 for ON, 0 for OFF; for DBYTEORDER: 1 for HIGH, 0 for
// LOW; -1 for anything else.
int SwitchValue(Directive directive, std::string_view operand);

// What a switch directive accepts, for the message when it gets something else.
std::string SwitchChoices(Directive directive);

}  // namespace scmp::assembler
