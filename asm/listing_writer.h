// The listing that Files > Load ASM-file reads, written from an assembly:
// a few comment lines naming the source, then the source line by line.
// A line that placed bytes becomes its byte lines, one byte a line, the
// first followed by "; hhhh  " and the source line, the rest by "; hhhh";
// "@hhhh" address lines go before a byte whose address the loader would
// not reach by counting. Other non-blank lines become comments. CR LF ends
// every line.
#pragma once

#include <string>
#include <string_view>

#include "asm/assembler.h"

namespace scmp {

// `source_name` is the name the header gives the source (usually without
// its folder).
std::string ListingText(const Assembly& assembly, std::string_view source, const std::string& source_name);

}  // namespace scmp
