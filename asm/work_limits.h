// The work one assembly may do. The limits count work (bytes read, bytes
// substituted, lines handed on, function bodies evaluated), not lines of the
// source, so that no source of up to 16 MB can take more than a few seconds
// or a few hundred megabytes, however its includes, macros and FUNCTIONs
// multiply it. Reaching a limit is an error on the line where it happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace scmp::assembler {

constexpr size_t kMegabyte = 1024 * 1024;

// Includes nest at most this deep; macro calls (a variadic macro that calls
// itself once per argument included) at most kMaxMacroDepth.
constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxMacroDepth = 256;

// The bytes INCLUDE may read in one assembly, all files together.
constexpr size_t kMaxIncludedText = 16 * kMegabyte;

// The lines handed on to the two passes: their bytes (with one for each
// line end) and their number, whether they come from files or from macros.
constexpr size_t kMaxStreamText = 16 * kMegabyte;
constexpr size_t kMaxStreamLines = 4 * 1000 * 1000;

// The lines macro calls and repeated blocks may hand on, all together: far
// more than any program for a 64K machine needs, and few enough that a
// runaway repetition stops within a second.
constexpr size_t kMaxGeneratedLines = 500 * 1000;

// The bytes macro calls may substitute, lines kept or dropped by
// conditions alike.
constexpr size_t kMaxExpansionText = 64 * kMegabyte;

// REPT, IRP, IRPC and WHILE repeat their lines at most this often in one
// assembly, all blocks together (a WHILE whose condition stays true ends
// here, in a fraction of a second).
constexpr size_t kMaxRepetitions = 100 * 1000;

// The work FUNCTION calls may do: each call costs the length of the body
// it evaluates plus kFunctionCallCost.
constexpr uint64_t kMaxFunctionWork = 8 * 1000 * 1000;
constexpr uint64_t kFunctionCallCost = 16;

// "16 MB" for a message.
inline const char* MegabytesText(size_t bytes) {
  return bytes == 16 * kMegabyte ? "16 MB" : bytes == 64 * kMegabyte ? "64 MB" : "the limit";
}

// Why a FUNCTION call was refused: nested too deep, or the work of all
// calls passed kMaxFunctionWork.
inline std::string FunctionLimitText(bool too_deep, int max_depth) {
  if (too_deep) return "functions called through more than " + std::to_string(max_depth) + " others";
  return "FUNCTION calls have evaluated more than " + std::to_string(kMaxFunctionWork / 1000000) +
         " million bytes of function bodies (the limit for one assembly); do functions call each other too often?";
}

}  // namespace scmp::assembler
