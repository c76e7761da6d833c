// Intel HEX files: records ":LLAAAATT...CC", one a line. Reading takes data
// records (00), the end record (01) and the address records 02 and 04, and
// passes over the start address records 03 and 05. Writing gives data
// records of up to 16 bytes and the end record, CR LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/machine.h"
#include "files/load_report.h"

namespace scmp {

// Bytes at consecutive addresses.
struct HexBlock {
  int address = 0;
  std::vector<uint8_t> bytes;
};

struct IntelHexResult {
  int stored = 0;          // bytes stored into RAM
  int dropped = 0;         // bytes aimed at a port, absent memory or past 0xFFF
  int first_address = -1;  // the lowest address stored, -1 when none
  int last_address = -1;   // the highest address stored, -1 when none
  ByteTally tally;         // the same, with every dropped range and why
};

// Reads the whole file and checks every record (its hex digits, its length
// and its checksum) before storing anything: all or nothing, memory is
// unchanged on failure (false, with a message naming the file and the line).
// Data for addresses that are not RAM is dropped, as the listing loader
// drops it. The file must end with an end record; nothing after it is read.
bool LoadIntelHex(MemoryArray& memory, const std::string& path, std::string* error,
                  IntelHexResult* result = nullptr);

// The file's text for `blocks`: data records, then the end record. A block
// at or past 0x10000 is preceded by an extended linear address record
// (type 04) whenever the upper 16 bits change; records never cross a 64K
// boundary.
std::string IntelHexText(const std::vector<HexBlock>& blocks);

// Writes IntelHexText whole beside `path` and renames it over `path`.
bool SaveIntelHex(const std::vector<HexBlock>& blocks, const std::string& path, std::string* error);

}  // namespace scmp
