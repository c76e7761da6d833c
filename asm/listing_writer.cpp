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

// Appends the byte lines of `code`; `text` follows the first byte. Bytes
// past the board's 4K are left out with a comment.
void AppendBytes(const LineCode& code, std::string_view text, int* load_address, std::string* out) {
  bool noted_outside = false;
  for (size_t i = 0; i < code.bytes.size(); ++i) {
    const int address = code.address + static_cast<int>(i);
    if (address >= kMemorySize) {
      if (!noted_outside) *out += "; " + Hex(address, 4) + "  (past the board's 4K, not listed)" + std::string(kEnd);
      noted_outside = true;
      *load_address = -1;
      continue;
    }
    if (address != *load_address) {
      *out += "@" + Hex(address, 4);
      *out += kEnd;
    }
    *out += Hex(code.bytes[i], 2) + " ; " + Hex(address, 4);
    if (i == 0 && !text.empty()) {
      *out += "  ";
      *out += text;
    }
    *out += kEnd;
    *load_address = LoadsAt(address) ? address + 1 : -1;
  }
}

// The main-source line under which a code entry is listed: its own, or the
// include or macro call it came through.
int AnchorOf(const LineCode& code) { return code.calls.empty() ? code.line : code.calls.front().line; }

}  // namespace

std::string ListingText(const Assembly& assembly, std::string_view source, const std::string& source_name) {
  std::string out;
  out += "; Assembled by scmp-asm from " + source_name + "; edit that file and assemble it again";
  out += kEnd;
  out += "; rather than changing this listing.";
  out += kEnd;
  out += ";";
  out += kEnd;
  size_t next_code = 0;
  int load_address = -1;  // where the loader would store the next byte
  size_t pos = 0;
  for (int number = 1; number <= assembly.last_line && pos < source.size(); ++number) {
    // One line, as SplitSourceLines cuts them, without keeping them all.
    size_t end = pos;
    while (end < source.size() && source[end] != '\r' && source[end] != '\n') ++end;
    const std::string_view text = Trim(source.substr(pos, end - pos));
    pos = end < source.size() ? end + ((source[end] == '\r' && end + 1 < source.size() && source[end + 1] == '\n') ? 2 : 1) : end;

    const auto& code = assembly.code;
    while (next_code < code.size() && AnchorOf(code[next_code]) < number) ++next_code;
    if (next_code < code.size() && code[next_code].calls.empty() && code[next_code].line == number) {
      AppendBytes(code[next_code++], text, &load_address, &out);
      continue;
    }
    if (!text.empty()) {
      if (text[0] != ';') out += "; ";
      out += text;
      out += kEnd;
    }
    // A macro's expansion, or an included file's code, under its line.
    for (; next_code < code.size() && AnchorOf(code[next_code]) == number; ++next_code)
      AppendBytes(code[next_code], "+ " + code[next_code].text, &load_address, &out);
  }
  return out;
}

}  // namespace scmp
