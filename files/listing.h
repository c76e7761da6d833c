// Assembler listings: address lines ("@" and four hex characters) and byte
// lines (one byte a line); every other line is passed over.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"
#include "files/load_report.h"

namespace scmp {

// What one load did.
struct ListingResult {
  int stored = 0;            // bytes stored into RAM
  int dropped = 0;           // byte lines aimed at a port, absent memory or past 0xFFF
  int16_t load_address = 0;  // the load address when the file ended
  int16_t lowest = 0;        // the lowest and highest addresses stored, when
  int16_t highest = 0;       // any byte was stored
  ByteTally tally;           // the same, with every dropped range and why
  // Lines that the format reads by its rule but that are most likely not
  // what was meant, once per kind with the first line number:
  // "line 3: ...".
  std::vector<std::string> warnings;
};

// Stores the listing's bytes straight into the RAM data cells; bytes aimed at
// any other kind of address are dropped. False with a message naming the
// file when it cannot be read or holds no address or byte line at all (it
// is then not a listing); memory is then unchanged.
//
// Each line (ended by CR LF, CR or LF) is stripped of leading and trailing
// spaces, not tabs, and classified by its first character: "@" an address
// line, "0".."9" or "A".."F" a byte line, anything else ignored. An address
// line reads its four-character field with the first character replaced by
// "0" (so only 0x000..0xFFF can result); "@" alone is ignored. A byte line
// reads its first two characters. A byte line met at a load address that is
// not RAM, or that has passed 0xFFF, is dropped and the address stays. Lines
// are streamed: a long line costs no memory.
bool LoadListing(MemoryArray& memory, const std::string& path, std::string* error);
bool LoadListing(MemoryArray& memory, const std::string& path, std::string* error, ListingResult* result);

// What a load did, for the user: "ECHO.ASM: 12 bytes, 001-00C", or "ECHO.ASM:
// no byte line, nothing stored" for a file that holds no byte line;
// dropped bytes are counted after.
std::string ListingSummary(const std::string& name, const ListingResult& result);

// The reader of the listing's numbers: blanks, tabs and line feeds are
// skipped, hex digits of either case are taken, the first other character
// ends the number; no digit gives 0.
int ReadListingHex(std::string_view text);

}  // namespace scmp
