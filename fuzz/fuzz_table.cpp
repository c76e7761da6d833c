// The instruction-table reader on arbitrary text: InstructionTable::Parse
// must fill exactly the records that the fixed-column rules give, refuse more
// than 256 lines without touching the table, agree with the file reader, and
// leave a table that the processor can execute opcode by opcode.
#include <cstdint>
#include <string>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/record_columns.h"

namespace {

using namespace scmp;
using fuzz::AsText;


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = AsText(data, size);
  const InstructionTable& shipped = fuzz::ShippedTable();

  InstructionTable table = shipped;
  std::string error;
  const bool ok = table.Parse(text, "fuzz.del", &error);

  const auto lines = fuzz::SplitLines(text);
  if (lines.size() > 256) {
    FUZZ_CHECK(!ok);
    FUZZ_CHECK(table.records == shipped.records);
    FUZZ_CHECK(error.find("fuzz.del") != std::string::npos);
  } else {
    FUZZ_CHECK(ok);
    for (size_t n = 0; n < 256; ++n) {
      if (n < lines.size()) {
        FUZZ_CHECK(table.records[n] == test::RecordByColumns(lines[n]));
        FUZZ_CHECK(InstructionTable::RecordFromLine(lines[n]) == table.records[n]);
      } else {
        FUZZ_CHECK(table.records[n] == shipped.records[n]);
      }
    }
  }

  // The file reader gives what the text reader gives.
  static fuzz::MemFile file;
  file.Set(text);
  InstructionTable loaded = shipped;
  std::string load_error;
  // The file reader also refuses a file without a single line, and one that
  // is mostly not records: it loads only what the text reader reads, and a
  // refusal changes nothing.
  const bool load_ok = loaded.Load(file.path(), &load_error);
  FUZZ_CHECK(!load_ok || (ok && !lines.empty()));
  FUZZ_CHECK(loaded.records == (load_ok ? table.records : shipped.records));

  // Every opcode of the table executes, in its own group and in the other,
  // from a state with pointers near the ends of the address space.
  BareBoard board;
  Processor cpu(board);
  cpu.SetTable(table);
  cpu.memory.LayOutStartupMap();
  for (int a = 0; a < kMemorySize; ++a) cpu.memory.data[a] = static_cast<int16_t>((a * 13) & 0xFF);
  cpu.state.P = {0x0FFE, 0x0FFF, 0x0000, 0x7FFF};
  for (int opcode = 0; opcode < 256; ++opcode) {
    const int operand = size > 0 ? data[opcode % size] : 0x80;
    cpu.ExecuteInstruction(opcode, (opcode & 0x80) ? operand : -1);
    cpu.ExecuteInstruction(opcode, (opcode & 0x80) ? -1 : operand);
    cpu.halt_requested = false;
  }
  // Only RAM is written, and the map never changes.
  MemoryArray startup;
  startup.LayOutStartupMap();
  FUZZ_CHECK(cpu.memory.kind == startup.kind);
  for (int a = 0; a < kMemorySize; ++a) {
    if (cpu.memory.kind[a] != kRam) FUZZ_CHECK(cpu.memory.data[a] == static_cast<int16_t>((a * 13) & 0xFF));
  }
  return 0;
}
