// The operands of the directives that steer the assembly rather than place
// bytes: MESSAGE, WARNING, ERROR and FATAL print a text; BIGENDIAN ON/OFF
// sets DW's byte order, DBYTEORDER HIGH/LOW that of .DBYTE.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "asm/directive.h"
#include "asm/expression.h"
#include "asm/source_line.h"

namespace scmp::assembler {

// Gives an expression's value, or false with why not.
using Evaluator = std::function<bool(std::string_view expression, int64_t* value, ExpressionFailure* failure)>;

// The text a message directive prints: its strings joined, with anything
// else as written. "\{expr}" inside a string stands for the expression's
// value in hexadecimal digits, as the macro assembler prints it. False with
// a message for a faulty string or expression.
bool MessageText(const Piece& operand, const Evaluator& evaluate, std::string* text, std::string* error, int* column);

// For BIGENDIAN: 1 for ON, 0 for OFF; for DBYTEORDER: 1 for HIGH, 0 for
// LOW; -1 for anything else.
int SwitchValue(Directive directive, std::string_view operand);

// BIGENDIAN sets *big_endian, DBYTEORDER *dbyte_high; false when the
// operand is none of the words the directive takes.
bool SetByteOrder(Directive directive, std::string_view operand, bool* big_endian, bool* dbyte_high);

// What a switch directive accepts, for the message when it gets something else.
std::string SwitchChoices(Directive directive);

}  // namespace scmp::assembler
