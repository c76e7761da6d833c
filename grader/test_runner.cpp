#include "grader/test_runner.h"

#include <algorithm>
#include <limits>

#include "core/board.h"
#include "core/observed_step.h"
#include "core/processor.h"
#include "trainer/memory_checks.h"

namespace scmp::grader {

namespace {

// splitmix64: a small generator that gives the same values on every host.
uint64_t NextRandom(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();
// A record this long is kept whole whatever the expectations read.
constexpr size_t kLampChangesKeptWhole = 1u << 16;

}  // namespace

uint64_t TestSeed(uint64_t seed, std::string_view name, int trial) {
  uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a of the name
  for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  uint64_t state = seed;
  uint64_t mixed = NextRandom(state) ^ hash;
  state = mixed;
  mixed = NextRandom(state) ^ static_cast<uint64_t>(trial);
  state = mixed;
  return NextRandom(state);
}

StartState MakeStartState(const ProgramImage& program, const TestCase& test, uint64_t seed) {
  StartState start{MachineState{}, program.memory};
  if (test.randomize) {
    uint64_t state = seed;
    auto byte = [&state] { return static_cast<int16_t>(NextRandom(state) & 0xFF); };
    auto word = [&state] { return static_cast<int16_t>(NextRandom(state) & 0xFFFF); };
    MachineState& r = start.registers;
    r.A = byte();
    r.E = byte();
    for (int p = 1; p <= 3; ++p) r.P[p] = word();
    r.SR = static_cast<int16_t>(byte() & (kCarryLink | kOverflow));
    for (int a = 0; a < kMemorySize; ++a)
      if (!program.loaded[static_cast<size_t>(a)] && start.memory.kind[a] == kRam) start.memory.data[a] = byte();
  }
  for (const CellSet& set : test.cells)
    for (size_t i = 0; i < set.bytes.size(); ++i)
      start.memory.data[static_cast<size_t>(set.address) + i] = static_cast<int16_t>(set.bytes[i]);
  return start;
}

// The board the tests run on, and the bookkeeping of one run.
struct TestRunner::Machine : Board {
  Processor cpu{*this};
  int16_t switches = 0;
  uint16_t lamps = 0;
  RunRecord record;

  // What the observer checks during the run.
  uint64_t stop_at = kNoLimit;          // microcycles: the next input or the time limit
  uint64_t instruction_limit = kNoLimit;
  uint64_t instructions = 0;
  uint64_t record_until = 0;  // changes after this microcycle only update the last state
  bool overflow = false;      // the record of changes is full
  int address = -1;  // the opcode of the step being run
  std::optional<std::pair<int, int>> writes_range;
  int outside_write = -1;  // seen during the step, stamped after it
  // `forbid self-modifying`: the memory checks the window and scmp-run use
  // see every step, marking what ran and what was written over the whole
  // test, all its runs; their warnings are forgotten as each run begins, so
  // that each run records its own first self-modifying step.
  bool watch_code = false;
  MemoryChecks checks;
  size_t warnings_seen = 0;  // the checks' warnings already stamped into the record

  int16_t ReadDataSwitches() const override { return switches; }
  void DriveLeds(int16_t value) override { lamps = static_cast<uint16_t>((lamps & ~0xFF) | (value & 0xFF)); }
  void ShowFlagLeds(int16_t sr) override {
    lamps = static_cast<uint16_t>((lamps & ~(7 << kFlagShift)) | ((sr & kFlagBits) << kFlagShift));
  }
  void LightHaltLed() override { lamps |= kHaltLedBit; }
  void Delay(uint64_t) override {}  // DLY's microcycles are counted; nothing waits

  Moment Now(int at) const { return Moment{cpu.microcycles, instructions, at}; }
  void NoteLamps(int at) {
    if (record.lamps.back().lamps == lamps) return;
    const LampChange change{lamps, Now(at)};
    // Past what the expectations read, only the last state counts once the
    // record has grown large.
    if (record.lamps.size() >= kLampChangesKeptWhole && change.moment.microcycle > record_until &&
        record.lamps.back().moment.microcycle > record_until) {
      record.lamps.back() = change;
      return;
    }
    if (record.lamps.size() >= kMostLampChanges) {
      overflow = true;
      return;
    }
    record.lamps.push_back(change);
  }

  // ---- The observer of Processor::RunObserved ----
  bool StopBefore(const MachineState&, int opcode_address, uint32_t) {
    if (cpu.microcycles >= stop_at || instructions >= instruction_limit || overflow) return true;
    address = opcode_address & kAddressMask;
    if (watch_code) checks.Ran(opcode_address, (cpu.memory.data[static_cast<size_t>(address)] & 0x80) != 0, cpu.memory);
    return false;
  }
  void BeforeWrite(int write_address, int16_t) {
    if (cpu.memory.kind[static_cast<size_t>(write_address)] == kPort) return;
    if (writes_range && outside_write < 0 &&
        (write_address < writes_range->first || write_address > writes_range->second))
      outside_write = write_address;
    if (watch_code) checks.Wrote(write_address, cpu.memory);
  }
  bool StopAfter(const Fetched& fetched, uint32_t) {
    ++instructions;
    Moment& first = record.first_run[static_cast<size_t>(fetched.opcode & 0xFF)];
    if (first.instruction == 0) first = Now(address);
    NoteLamps(address);
    if (outside_write >= 0 && !record.outside_write) record.outside_write = ForbiddenWrite{outside_write, Now(address)};
    if (watch_code && checks.Warnings().size() > warnings_seen) StampSelfModifying();
    return false;
  }
  // The step's new warnings: the first of each self-modifying order in the
  // run is kept, at the moment of the step.
  void StampSelfModifying() {
    const std::vector<CheckWarning>& warnings = checks.Warnings();
    for (; warnings_seen < warnings.size(); ++warnings_seen) {
      const CheckWarning& w = warnings[warnings_seen];
      std::optional<ForbiddenWrite>* stamp = nullptr;
      if (w.kind == CheckKind::kWroteProgram) stamp = &record.code_write;
      if (w.kind == CheckKind::kRanWritten) stamp = &record.written_run;
      if (stamp && !*stamp) *stamp = ForbiddenWrite{w.address, Now(address)};
    }
  }

  void SetSwitches(int value) {
    switches = static_cast<int16_t>(value);
    record.switches.emplace_back(cpu.microcycles, value);
  }

  void Apply(const TimedInput& input) {
    switch (input.kind) {
      case InputKind::kSwitches: SetSwitches(input.value); break;
      case InputKind::kPressHalt:  // as the panel's HLT: toggles the halt request
        cpu.halt_requested = !cpu.halt_requested;
        lamps = static_cast<uint16_t>(cpu.halt_requested ? lamps | kHaltLedBit : lamps & ~kHaltLedBit);
        break;
      case InputKind::kPressReset: PressReset(); break;
    }
  }
  // As the panel's RST: registers cleared, halt and flag LEDs off.
  void PressReset() {
    cpu.halt_requested = false;
    cpu.state = MachineState{};
    lamps &= 0xFF;
    if (watch_code) checks.Reset();
  }

  // The start of the test's first run.
  void Start(const ProgramImage& program, const TestCase& test, uint64_t seed) {
    StartState start = MakeStartState(program, test, seed);
    cpu.state = start.registers;
    cpu.memory = start.memory;
    cpu.halt_requested = false;
    lamps = 0;
    writes_range = test.writes_range;
    watch_code = test.watch_code_writes;
    if (watch_code) StartChecks(program, test);
    record.program_size = program.Size();
    record_until = 0;
    for (const auto& e : test.expectations) record_until = std::max(record_until, e->ReadsChangesUntil());
    BeginRun(test.run, test.switches);
  }

  // The program's bytes and the test's cells count as loaded; nothing has
  // run or been written yet.
  void StartChecks(const ProgramImage& program, const TestCase& test) {
    checks.StartProgram(program.loaded);
    MarkCellsLoaded(test.cells);
  }
  void MarkCellsLoaded(const std::vector<CellSet>& cells) {
    for (const CellSet& set : cells)
      for (size_t i = 0; i < set.bytes.size(); ++i) checks.MarkLoaded(set.address + static_cast<int>(i));
  }

  // A later run: RST and Start, as a user would press them.
  void StartLater(const LaterRun& later) {
    PressReset();
    for (const CellSet& set : later.cells)
      for (size_t i = 0; i < set.bytes.size(); ++i)
        cpu.memory.data[static_cast<size_t>(set.address) + i] = static_cast<int16_t>(set.bytes[i]);
    if (watch_code) MarkCellsLoaded(later.cells);
    BeginRun(later.run, later.switches.value_or(switches));
  }

  void BeginRun(const RunLimit& run, int switch_byte) {
    cpu.microcycles = 0;
    instructions = 0;
    address = -1;
    overflow = false;
    outside_write = -1;
    if (watch_code) checks.ForgetWarnings();
    warnings_seen = 0;
    record.lamps.assign(1, LampChange{lamps, Moment{}});
    record.switches.clear();
    SetSwitches(switch_byte);
    record.first_run.fill(Moment{});
    record.outside_write.reset();
    record.code_write.reset();
    record.written_run.reset();
    record.changes_overflow.reset();
    record.halted = record.limit_reached = false;
    stop_at = kNoLimit;
    instruction_limit = run.instructions ? run.instructions : kNoLimit;
  }

  // Steps between looks at the poll: a few milliseconds of host time.
  static constexpr uint32_t kPollSteps = 1u << 18;

  void RunLoop(const RunLimit& run, const std::vector<TimedInput>& inputs, const std::function<bool()>& poll,
               bool& stopped) {
    const uint64_t time_limit = run.microcycles ? run.microcycles : kNoLimit;
    size_t next = 0;
    for (;;) {
      // At each boundary the inputs due apply first, then the run goes on.
      while (next < inputs.size() && inputs[next].at <= cpu.microcycles) Apply(inputs[next++]);
      NoteLamps(-1);
      if (overflow) {
        record.changes_overflow = Now(address);
        break;
      }
      const uint64_t next_input = next < inputs.size() ? inputs[next].at : kNoLimit;
      if (cpu.halt_requested) {
        // A halted board waits for the next press only in a timed run.
        if (!run.until_halt && next_input <= time_limit) {
          cpu.microcycles = next_input;
          continue;
        }
        record.halted = true;
        break;
      }
      if (cpu.microcycles >= time_limit || instructions >= instruction_limit) {
        record.limit_reached = true;
        break;
      }
      stop_at = std::min(next_input, time_limit);
      if (!poll) {
        cpu.RunObserved(std::numeric_limits<uint32_t>::max(), *this);
      } else if (cpu.RunObserved(kPollSteps, *this) == kPollSteps && !poll()) {
        stopped = true;
        break;
      }
    }
    record.end = Now(address);
    record.registers = cpu.state;
    record.memory = cpu.memory;
  }
};

TestRunner::TestRunner(const InstructionTable& table) : machine_(std::make_unique<Machine>()), table_(table) {
  machine_->cpu.SetTable(table_);
  machine_->record.table = &table_;
}

TestRunner::~TestRunner() = default;

const RunRecord& TestRunner::Run(const ProgramImage& program, const TestCase& test, uint64_t seed) {
  machine_->Start(program, test, seed);
  if (!stopped_) machine_->RunLoop(test.run, test.inputs, poll_, stopped_);
  return machine_->record;
}

const RunRecord& TestRunner::RunLater(const TestCase& test, size_t index) {
  const LaterRun& later = test.later_runs.at(index);
  machine_->StartLater(later);
  if (!stopped_) machine_->RunLoop(later.run, later.inputs, poll_, stopped_);
  return machine_->record;
}

}  // namespace scmp::grader
