// A random program run: a table with random lines (known mnemonics in
// either group, lower case, NUL, unknown and empty ones, odd modes and
// registers, or raw bytes), random memory with random kinds, random
// registers with pointers above 4095 and negative, and up to 4000 steps.
// The same run goes three ways and must end the same: the core's run loop,
// the fetch and execute calls one step at a time, and the front panel model's
// run mode (its fast path, or its step routine with the trace going to
// /dev/null and the register display filled).
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "fuzz/fuzz_support.h"
#include "trainer/panel_model.h"

namespace {

using namespace scmp;

constexpr std::string_view kMnemonics[] = {
    // One-byte group.
    "XPAL", "XPAH", "XPPC", "XAE", "LDE", "ANE", "ORE", "XRE", "ADE", "CAE", "DAE", "IEN", "DINT", "CCL", "SCL",
    "CAS", "CSA", "NOP", "SIO", "SR", "SRL", "RR", "RRL", "HALT",
    // Two-byte group.
    "JMP", "JP", "JZ", "JNZ", "LDI", "ANI", "ORI", "XRI", "ADI", "CAI", "DAI", "ILD", "DLD", "LD", "ST", "AND",
    "OR", "XOR", "ADD", "DAD", "CAD", "DLY",
    // Nothing known.
    "", "ld", "Halt", "XYZ", "LDIX", " LD", std::string_view("L\0D", 3), std::string_view("\0\0\0\0", 4)};
constexpr std::string_view kModes[] = {"D", "@", " ", "d", std::string_view("\0", 1), "X"};
constexpr std::string_view kRegisters[] = {"P0", "P1", "P2", "P3", "  ", "P4", "p1", "P", " P1", std::string_view("\0\0", 2)};
constexpr int16_t kOddKinds[] = {kRam, kPort, kAbsent, 3, -1, -32768, 32767};
constexpr int16_t kOddPointers[] = {0, 4095, 4096, 4094, -1, -2, -32768, 32767, 0x7FFF, static_cast<int16_t>(0x8000)};

template <class T, size_t N>
const T& Pick(FuzzedDataProvider& in, const T (&choices)[N]) {
  return choices[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

std::string RandomLine(FuzzedDataProvider& in) {
  if (in.ConsumeIntegralInRange(0, 3) == 0) return in.ConsumeRandomLengthString(16);
  std::string line(Pick(in, kMnemonics));
  line.resize(4, in.ConsumeBool() ? ' ' : '\0');
  line += Pick(in, kModes);
  line += Pick(in, kRegisters);
  line += "--  ";
  line += static_cast<char>(in.ConsumeIntegralInRange(0x20, 0x7E));
  if (in.ConsumeBool()) line.resize(in.ConsumeIntegralInRange<size_t>(0, line.size()));
  return line;
}

InstructionTable RandomTable(FuzzedDataProvider& in) {
  InstructionTable table;
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: break;  // all NUL: every opcode does nothing
    case 1: {
      std::string text;
      const int lines = in.ConsumeIntegralInRange(0, 256);
      for (int i = 0; i < lines; ++i) text += RandomLine(in) + "\r\n";
      // Raw lines may carry line ends of their own; past 256 lines the
      // table is refused whole and stays all NUL.
      std::string error;
      FUZZ_CHECK(table.Parse(text, "random.del", &error) == (fuzz::SplitLines(text).size() <= 256));
      break;
    }
    default: table = fuzz::ShippedTable(); break;
  }
  const int changes = in.ConsumeIntegralInRange(0, 24);
  for (int i = 0; i < changes; ++i) {
    const uint8_t opcode = in.ConsumeIntegral<uint8_t>();
    table.records[opcode] = InstructionTable::RecordFromLine(RandomLine(in));
  }
  return table;
}

int16_t RandomRegister(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? static_cast<int16_t>(in.ConsumeIntegral<uint8_t>()) : in.ConsumeIntegral<int16_t>();
}

int16_t RandomPointer(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: return static_cast<int16_t>(in.ConsumeIntegralInRange(0, 4095));
    case 1: return Pick(in, kOddPointers);
    default: return in.ConsumeIntegral<int16_t>();
  }
}

struct Setup {
  InstructionTable table;
  std::unique_ptr<MemoryArray> memory = std::make_unique<MemoryArray>();
  MachineState state;
  int16_t switches = 0;
  uint32_t steps = 1;
  bool fast = true;
  bool trace = false;
};

Setup RandomSetup(FuzzedDataProvider& in) {
  Setup s;
  s.table = RandomTable(in);

  MemoryArray& m = *s.memory;
  m.LayOutStartupMap();
  uint32_t x = in.ConsumeIntegral<uint32_t>() | 1;
  const int fill = in.ConsumeIntegralInRange(0, 2);
  for (int a = 0; a < kMemorySize; ++a) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m.data[a] = fill == 0 ? 0 : fill == 1 ? static_cast<int16_t>(x & 0xFF) : static_cast<int16_t>(x);
  }
  const int kind_runs = in.ConsumeIntegralInRange(0, 8);
  for (int i = 0; i < kind_runs; ++i) {
    const int start = in.ConsumeIntegralInRange(0, kMemorySize - 1);
    const int length = in.ConsumeIntegralInRange(1, 512);
    const int16_t kind = Pick(in, kOddKinds);
    for (int a = start; a < start + length && a < kMemorySize; ++a) m.kind[a] = kind;
  }

  s.state.A = RandomRegister(in);
  s.state.E = RandomRegister(in);
  s.state.SR = RandomRegister(in);
  for (int16_t& p : s.state.P) p = RandomPointer(in);
  s.switches = in.ConsumeIntegral<uint8_t>();
  s.steps = in.ConsumeIntegralInRange<uint32_t>(1, 4000);
  s.fast = in.ConsumeBool();
  s.trace = in.ConsumeBool();

  // What is left is the program, from where the first fetch reads.
  const std::string program = in.ConsumeRemainingBytesAsString();
  const int first = (s.state.P[0] >= 0 && s.state.P[0] < 4095) ? s.state.P[0] + 1 : 0;
  for (size_t i = 0; i < program.size() && i < static_cast<size_t>(kMemorySize); ++i)
    m.data[(first + i) % kMemorySize] = static_cast<uint8_t>(program[i]);
  return s;
}

struct Outcome {
  uint32_t steps = 0;
  MachineState state;
  std::unique_ptr<MemoryArray> memory;
  bool stop = false;
  BareBoard board;
};

void CheckSame(const Outcome& a, const Outcome& b) {
  FUZZ_CHECK(a.steps == b.steps);
  FUZZ_CHECK(a.state == b.state);
  FUZZ_CHECK(*a.memory == *b.memory);
  FUZZ_CHECK(a.stop == b.stop);
  FUZZ_CHECK(a.board.leds == b.board.leds);
  FUZZ_CHECK(a.board.led_writes == b.board.led_writes);
  FUZZ_CHECK(a.board.flags == b.board.flags);
  FUZZ_CHECK(a.board.halt_led == b.board.halt_led);
  FUZZ_CHECK(a.board.delay_steps == b.board.delay_steps);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const Setup s = RandomSetup(in);

  // The core's run loop.
  Outcome run;
  run.board.switches = s.switches;
  {
    auto cpu = std::make_unique<Processor>(run.board);
    cpu->SetTable(s.table);
    cpu->memory = *s.memory;
    cpu->state = s.state;
    run.steps = cpu->Run(s.steps);
    run.state = cpu->state;
    run.memory = std::make_unique<MemoryArray>(cpu->memory);
    run.stop = cpu->halt_requested;
  }

  // One fetch and one execute call per step.
  Outcome stepped;
  stepped.board.switches = s.switches;
  {
    auto cpu = std::make_unique<Processor>(stepped.board);
    cpu->SetTable(s.table);
    cpu->memory = *s.memory;
    cpu->state = s.state;
    while (stepped.steps < s.steps && !cpu->halt_requested) {
      const Fetched f = cpu->FetchInstruction();
      FUZZ_CHECK(f.opcode >= 0 && f.opcode <= 0xFF);
      FUZZ_CHECK((f.operand == -1) == ((f.opcode & 0x80) == 0));
      FUZZ_CHECK(f.operand >= -1 && f.operand <= 0xFF);
      FUZZ_CHECK(cpu->state.P[0] <= 4095);
      cpu->ExecuteInstruction(f.opcode, f.operand);
      ++stepped.steps;
    }
    stepped.state = cpu->state;
    stepped.memory = std::make_unique<MemoryArray>(cpu->memory);
    stepped.stop = cpu->halt_requested;
  }
  CheckSame(run, stepped);

  // Only RAM cells change, and the map never does.
  FUZZ_CHECK(run.memory->kind == s.memory->kind);
  for (int a = 0; a < kMemorySize; ++a)
    if (s.memory->kind[a] != kRam) FUZZ_CHECK(run.memory->data[a] == s.memory->data[a]);

  // The front panel in run mode, single step off, with a pause after the
  // same number of steps.
  auto model = std::make_unique<PanelModel>();
  model->SetWaitHook([](double) {});
  std::string error;
  FUZZ_CHECK(model->StartUp(SCMP_SOURCE_DATA_DIR, &error));
  model->Cpu().SetTable(s.table);
  model->Memory() = *s.memory;
  model->State() = s.state;
  for (int i = 0; i < 8; ++i)
    if ((s.switches >> i) & 1) model->ToggleDataSwitch(i);
  model->MutableOptions().pause_count = static_cast<int32_t>(s.steps);
  model->MutableOptions().fast_mode = s.fast;
  if (s.trace) FUZZ_CHECK(model->EnableTrace("/dev/null", &error));
  model->ToggleSingleStep();
  FUZZ_CHECK(!model->SingleStepMode());
  model->RunOrProgram();
  FUZZ_CHECK(model->RunMode());
  FUZZ_CHECK(model->ExecutedSteps() == run.steps);
  FUZZ_CHECK(model->State() == run.state);
  FUZZ_CHECK(model->Memory() == *run.memory);
  FUZZ_CHECK(model->HaltRequested() == run.stop);
  FUZZ_CHECK(model->LampOn(Lamp::kHaltLed) == run.board.halt_led);
  for (int i = 0; i < 3; ++i) FUZZ_CHECK(model->FlagLedState(i) == (((run.board.flags >> i) & 1) != 0));
  if (run.board.leds >= 0) {
    for (int i = 0; i < 8; ++i) FUZZ_CHECK(model->LedState(i) == (((run.board.leds >> i) & 1) != 0));
  }
  model->CloseTrace();
  return 0;
}
