// Conditions that compare texts, the macro assembler's way of testing a
// macro's arguments: IF "ARG"<>"" (true when the argument is not empty),
// IF UPSTRING("REG")="A". A parameter is replaced inside quotes too, so
// the comparison sees the argument's text.
#pragma once

#include <string>
#include <string_view>

namespace scmp::assembler {

// The text `operand` stands for when it is one string in quotes, or
// UPSTRING/LOWSTRING of one; false for anything else.
bool TextValue(std::string_view operand, std::string* value);

// True when `condition` is two texts joined by = == <> != < <= > >=, with
// the comparison's truth in *result.
bool CompareTexts(std::string_view condition, bool* result);

}  // namespace scmp::assembler
