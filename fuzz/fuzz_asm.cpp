// The assembler on arbitrary text: it must never crash, hang or overrun,
// and whatever it assembles into the board's 4K must come back unchanged
// through the disassembler and a second assembly. Every INCLUDE reads the
// input itself, so that includes nest and cycle.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "asm/assembler.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace scmp;
  if (size > 1 << 16) return 0;
  const InstructionTable& table = fuzz::ShippedTable();
  const std::string input(fuzz::AsText(data, size));
  const Assembly first = Assemble(input, "f.s", table, [&](const std::string&, std::string* text, std::string*) {
    *text = input;
    return true;
  });
  FUZZ_CHECK(first.ErrorCount() <= kMaxErrors);
  if (!first.Succeeded() || first.code.empty()) return 0;
  for (const LineCode& code : first.code)
    if (code.address + static_cast<int>(code.bytes.size()) > kMemorySize) return 0;

  // The last byte placed at each address counts, as it does when loading.
  std::map<int, uint8_t> placed;
  for (const LineCode& code : first.code)
    for (size_t i = 0; i < code.bytes.size(); ++i) placed[code.address + static_cast<int>(i)] = code.bytes[i];
  auto memory = std::make_unique<MemoryArray>();
  for (const auto& [address, byte] : placed) memory->data[address] = byte;
  const int from = placed.begin()->first, to = placed.rbegin()->first;

  std::string text;
  for (const std::string& line : Disassemble(*memory, from, to, table)) text += line + "\n";
  const Assembly second = Assemble(text, "dis.s", table);
  FUZZ_CHECK(second.Succeeded());
  int address = from;
  for (const LineCode& code : second.code) {
    FUZZ_CHECK(code.address == address);
    for (uint8_t byte : code.bytes) FUZZ_CHECK(byte == static_cast<uint8_t>(memory->data[address++]));
  }
  FUZZ_CHECK(address == to + 1);
  return 0;
}
