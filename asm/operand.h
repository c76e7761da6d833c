// The operand forms of an instruction, as written in the source:
//   (nothing)        no operand
//   expr             an immediate, or PC-relative through P0
//   #expr            an immediate, said outright
//   disp(Pn)         displacement from a pointer; (Pn) and [Pn] too
//   @disp(Pn)        auto-indexed
//   E(Pn), @E(Pn)    the displacement byte 0x80: E is the displacement
//   Pn               a pointer (XPAL, XPAH, XPPC)
// Pointers are P0..P3 or PC (P0), in either case, or the digits 0..3; a
// register symbol (asm/register_symbol.h) stands where a pointer or E does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "asm/source_line.h"

namespace scmp::assembler {

enum class OperandSyntax { kNone, kExpression, kImmediate, kDisplacement, kAutoIndexed, kPointer };

struct Operand {
  OperandSyntax syntax = OperandSyntax::kNone;
  bool uses_e = false;  // E(Pn) or @E(Pn)
  Piece value;          // the expression or the displacement
  int pointer = -1;     // 0..3 for the forms with a pointer
  // disp(NAME) where NAME is no pointer name: a pointer when NAME is a
  // symbol of value 0..3, else `whole` is an expression (such as H(X)).
  Piece pointer_symbol;
  Piece whole;
};

// The pointer a register name stands for, -1 for E, -2 for another name.
int RegisterNumber(std::string_view name);

// -1 when `text` names no pointer.
int PointerNumber(std::string_view text);

// The name that ends `text` ("L" of "L(ENDS)-L"), or "".
std::string_view TrailingName(std::string_view text);

// The register a name stands for, as RegisterNumber gives it; without one
// only the built-in names are registers.
using RegisterFinder = std::function<int(std::string_view name)>;

// False with a message and its column when the operand has no known form.
bool ParseOperand(const Piece& operand, Operand* result, std::string* error, int* error_column,
                  const RegisterFinder& find = {});

}  // namespace scmp::assembler
