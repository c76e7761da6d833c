#include "asm/listing_writer.h"

#include "asm/source_line.h"
#include "core/hex.h"

namespace scmp {

namespace {

constexpr std::string_view kEnd = "\r\n";

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The loader keeps its load address when it drops a byte aimed at memory
// that is not RAM; the next byte then needs an address line of its own.
bool LoadsAt(int address) {
  static const MemoryArray map = [] {
    MemoryArray m;
    m.LayOutStartupMap();
    return m;
  }();
  return address < kMemorySize && map.kind[address] == kRam;
}

}  // namespace

std::string ListingText(const Assembly& assembly, std::string_view source, const std::string& source_name) {
  std::string out;
  out += "; Assembled by scmp-asm from " + source_name + "; edit that file and assemble it again";
  out += kEnd;
  out += "; rather than changing this listing.";
  out += kEnd;
  out += ";";
  out += kEnd;
  const std::vector<std::string_view> lines = assembler::SplitSourceLines(source);
  size_t next_code = 0;
  int load_address = -1;  // where the loader would store the next byte
  for (int number = 1; number <= assembly.last_line && number <= static_cast<int>(lines.size()); ++number) {
    const std::string_view text = Trim(lines[number - 1]);
    while (next_code < assembly.code.size() && assembly.code[next_code].line < number) ++next_code;
    if (next_code < assembly.code.size() && assembly.code[next_code].line == number) {
      const LineCode& code = assembly.code[next_code];
      for (size_t i = 0; i < code.bytes.size(); ++i) {
        const int address = code.address + static_cast<int>(i);
        if (address != load_address) {
          out += "@" + Hex(address, 4);
          out += kEnd;
        }
        out += Hex(code.bytes[i], 2) + " ; " + Hex(address, 4);
        if (i == 0 && !text.empty()) {
          out += "  ";
          out += text;
        }
        out += kEnd;
        load_address = LoadsAt(address) ? address + 1 : -1;
      }
      continue;
    }
    if (text.empty()) continue;
    if (text[0] != ';') out += "; ";
    out += text;
    out += kEnd;
  }
  return out;
}

}  // namespace scmp
