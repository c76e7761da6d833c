#include "grader/expectation.h"

#include <algorithm>

#include "core/hex.h"

namespace scmp::grader {

namespace {

std::string Byte(int value) { return Hex(static_cast<unsigned>(value & 0xFF), 2); }

std::string Bytes(const std::vector<int>& values) {
  std::string text;
  for (int v : values) text += (text.empty() ? "" : " ") + Byte(v);
  return text;
}

Outcome Fail(std::string message, std::optional<Moment> moment) {
  return Outcome{false, std::move(message), moment};
}

// ---- Lamps ---------------------------------------------------------------------

class LampsAtEnd : public Expectation {
 public:
  LampsAtEnd(int line, LampField field, int value) : Expectation(line), field_(field), value_(value) {}
  std::string Describe() const override { return field_.name + std::string(" ") + field_.ValueText(value_); }
  Outcome Check(const RunRecord& run) const override {
    const int shown = field_.Of(run.FinalLamps());
    if (shown == value_) return {};
    return Fail(std::string(field_.name) + " " + field_.ValueText(shown) + ", expected " + field_.ValueText(value_),
                run.end);
  }

 private:
  LampField field_;
  int value_;
};

class LampsDuring : public Expectation {
 public:
  LampsDuring(int line, LampField field, int value, uint64_t from, uint64_t to)
      : Expectation(line), field_(field), value_(value), from_(from), to_(to) {}
  std::string Describe() const override {
    return std::string(field_.name) + " " + field_.ValueText(value_) + " from " + TimeText(from_) + " to " +
           TimeText(to_);
  }
  Outcome Check(const RunRecord& run) const override {
    // The state in force at the interval's start: the last change at or before it.
    const auto after_start = std::upper_bound(run.lamps.begin(), run.lamps.end(), from_,
                                              [](uint64_t t, const LampChange& c) { return t < c.moment.microcycle; });
    if (after_start != run.lamps.begin()) {
      const LampChange& in_force = *std::prev(after_start);
      if (field_.Of(in_force.lamps) != value_) {
        Moment at = in_force.moment;
        at.microcycle = from_;
        return Wrong(field_.Of(in_force.lamps), at);
      }
    }
    for (auto it = after_start; it != run.lamps.end() && it->moment.microcycle <= to_; ++it)
      if (field_.Of(it->lamps) != value_) return Wrong(field_.Of(it->lamps), it->moment);
    // Lamps hold after a halt; a run its limit ended has not shown the rest.
    if (!run.halted && run.end.microcycle < to_)
      return Fail("the run ended at " + TimeText(run.end.microcycle) + ", before " + Describe() + " was over",
                  run.end);
    return {};
  }
  uint64_t ReadsChangesUntil() const override { return to_; }

 private:
  Outcome Wrong(int shown, const Moment& at) const {
    return Fail(std::string(field_.name) + " " + field_.ValueText(shown) + " at " + MomentText(at) + ", expected " +
                    field_.ValueText(value_) + " from " + TimeText(from_) + " to " + TimeText(to_),
                at);
  }
  LampField field_;
  int value_;
  uint64_t from_, to_;
};

class LedsShow : public Expectation {
 public:
  LedsShow(int line, std::vector<int> values) : Expectation(line), values_(std::move(values)) {}
  std::string Describe() const override { return "LEDs show " + Bytes(values_) + " in this order"; }
  Outcome Check(const RunRecord& run) const override {
    // The LED values with repeats merged, each with the moment it appeared.
    std::vector<LampChange> shown;
    for (const LampChange& c : run.lamps)
      if (shown.empty() || (shown.back().lamps & 0xFF) != (c.lamps & 0xFF)) shown.push_back(c);
    // The longest run of the expected values found, and where it broke.
    size_t best = 0, best_start = 0;
    for (size_t start = 0; start < shown.size(); ++start) {
      size_t k = 0;
      while (k < values_.size() && start + k < shown.size() && (shown[start + k].lamps & 0xFF) == values_[k]) ++k;
      if (k == values_.size()) return {};
      if (k > best) best = k, best_start = start;
    }
    const std::string expected = ", expected " + Bytes(values_) + " in this order";
    if (best == 0) return Fail("LEDs never showed " + Byte(values_[0]) + expected, run.end);
    std::vector<int> matched(values_.begin(), values_.begin() + static_cast<long>(best));
    if (best_start + best == shown.size())
      return Fail("LEDs showed " + Bytes(matched) + " and nothing after by " + TimeText(run.end.microcycle) +
                      expected,
                  run.end);
    const LampChange& broke = shown[best_start + best];
    return Fail("LEDs showed " + Bytes(matched) + " then " + Byte(broke.lamps) + " at " + MomentText(broke.moment) +
                    expected,
                broke.moment);
  }
  uint64_t ReadsChangesUntil() const override { return kWholeRun; }

 private:
  std::vector<int> values_;
};

// The LEDs' byte in force at `at`: the last change at or before it.
const LampChange& InForce(const RunRecord& run, uint64_t at) {
  const auto after = std::upper_bound(run.lamps.begin(), run.lamps.end(), at,
                                      [](uint64_t t, const LampChange& c) { return t < c.moment.microcycle; });
  return after == run.lamps.begin() ? run.lamps.front() : *std::prev(after);
}

class LedsChangeEvery : public Expectation {
 public:
  LedsChangeEvery(int line, uint64_t min, uint64_t max, std::optional<std::pair<uint64_t, uint64_t>> during)
      : Expectation(line), min_(min), max_(max), during_(during) {}
  std::string Describe() const override {
    std::string text = "LEDs change every " + TimeText(min_) + " to " + TimeText(max_);
    if (during_) text += " from " + TimeText(during_->first) + " to " + TimeText(during_->second);
    return text;
  }
  Outcome Check(const RunRecord& run) const override {
    const uint64_t from = during_ ? during_->first : 0;
    const uint64_t to = during_ ? std::min(during_->second, run.end.microcycle) : run.end.microcycle;
    int shown = InForce(run, from).lamps & 0xFF;
    uint64_t last = from;  // the change before, or the start
    bool first = true;
    for (const LampChange& c : run.lamps) {
      if (c.moment.microcycle <= from || (c.lamps & 0xFF) == shown) continue;
      if (c.moment.microcycle > to) break;
      const uint64_t gap = c.moment.microcycle - last;
      if (gap > max_) return Held(shown, last, last + max_);
      if (!first && gap < min_)
        return Fail("LEDs changed from " + Byte(shown) + " to " + Byte(c.lamps) + " at " + MomentText(c.moment) +
                        ", " + TimeText(gap) + " after the change before, " + Expected(),
                    c.moment);
      first = false;
      last = c.moment.microcycle;
      shown = c.lamps & 0xFF;
    }
    if (to - last > max_) return Held(shown, last, last + max_);
    return {};
  }
  uint64_t ReadsChangesUntil() const override { return during_ ? during_->second : kWholeRun; }

 private:
  std::string Expected() const { return "expected a change every " + TimeText(min_) + " to " + TimeText(max_); }
  Outcome Held(int shown, uint64_t since, uint64_t by) const {
    return Fail("LEDs held " + Byte(shown) + " from " + TimeText(since) + " past " + TimeText(by) + ", " + Expected(),
                Moment{by, 0, -1});
  }
  uint64_t min_, max_;
  std::optional<std::pair<uint64_t, uint64_t>> during_;
};

class LedsFollowSwitches : public Expectation {
 public:
  LedsFollowSwitches(int line, uint64_t within) : Expectation(line), within_(within) {}
  std::string Describe() const override { return "LEDs follow the switches within " + TimeText(within_); }
  Outcome Check(const RunRecord& run) const override {
    for (size_t i = 0; i < run.switches.size(); ++i) {
      const auto [set_at, value] = run.switches[i];
      if (i > 0 && run.switches[i - 1].second == value) continue;
      const uint64_t until = set_at + within_;
      if (Shows(run, value, set_at, until)) continue;
      // A run that its limit ended before the deadline has not shown
      // whether the LEDs would follow; a halted board shows it has not.
      if (until > run.end.microcycle && !run.halted) continue;
      const uint64_t looked = std::min(until, run.end.microcycle);
      const std::string what = "switches " + Byte(value) + " set at " + TimeText(set_at);
      const LampChange& c = InForce(run, looked);
      return Fail("LEDs showed " + Byte(c.lamps) + " at " + TimeText(looked) + ", expected them to follow " + what +
                      " within " + TimeText(within_),
                  Moment{looked, 0, -1});
    }
    return {};
  }
  uint64_t ReadsChangesUntil() const override { return kWholeRun; }

 private:
  static bool Shows(const RunRecord& run, int value, uint64_t from, uint64_t to) {
    if ((InForce(run, from).lamps & 0xFF) == value) return true;
    for (const LampChange& c : run.lamps)
      if (c.moment.microcycle > from && c.moment.microcycle <= to && (c.lamps & 0xFF) == value) return true;
    return false;
  }
  uint64_t within_;
};

// ---- The state at the end ---------------------------------------------------------------

class MemoryEquals : public Expectation {
 public:
  MemoryEquals(int line, int address, std::vector<int> bytes)
      : Expectation(line), address_(address), bytes_(std::move(bytes)) {}
  std::string Describe() const override {
    return "memory " + Hex(static_cast<unsigned>(address_), 3) + " = " + Bytes(bytes_);
  }
  Outcome Check(const RunRecord& run) const override {
    for (size_t i = 0; i < bytes_.size(); ++i) {
      const int address = (address_ + static_cast<int>(i)) & kAddressMask;
      const int held = run.memory.data[address] & 0xFF;
      if (held != bytes_[i])
        return Fail("memory " + Hex(static_cast<unsigned>(address), 3) + " = " + Byte(held) + ", expected " +
                        Byte(bytes_[i]),
                    run.end);
    }
    return {};
  }

 private:
  int address_;
  std::vector<int> bytes_;
};

constexpr const char* kRegisterNames[] = {"A", "E", "SR", "P0", "P1", "P2", "P3"};

class RegisterEquals : public Expectation {
 public:
  RegisterEquals(int line, int index, int value) : Expectation(line), index_(index), value_(value) {}
  std::string Describe() const override { return std::string(kRegisterNames[index_]) + " " + Text(value_); }
  Outcome Check(const RunRecord& run) const override {
    const MachineState& s = run.registers;
    const int held = index_ == 0 ? s.A : index_ == 1 ? s.E : index_ == 2 ? s.SR : s.P[index_ - 3];
    const int mask = index_ < 3 ? 0xFF : 0xFFFF;
    if ((held & mask) == value_) return {};
    return Fail(std::string(kRegisterNames[index_]) + " " + Text(held & mask) + ", expected " + Text(value_),
                run.end);
  }

 private:
  std::string Text(int v) const { return index_ < 3 ? Byte(v) : Hex(static_cast<unsigned>(v), 4); }
  int index_;
  int value_;
};

class Halted : public Expectation {
 public:
  Halted(int line, std::string within) : Expectation(line), within_(std::move(within)) {}
  std::string Describe() const override { return within_.empty() ? "halted" : "halts within " + within_; }
  Outcome Check(const RunRecord& run) const override {
    if (run.halted) return {};
    return Fail(within_.empty() ? "did not halt" : "did not halt within " + within_, run.end);
  }

 private:
  std::string within_;
};

// ---- Limits ------------------------------------------------------------------------------

class TimeAtMost : public Expectation {
 public:
  TimeAtMost(int line, uint64_t limit) : Expectation(line), limit_(limit) {}
  std::string Describe() const override { return "time <= " + TimeText(limit_); }
  Outcome Check(const RunRecord& run) const override {
    if (run.end.microcycle <= limit_) return {};
    return Fail("took " + TimeText(run.end.microcycle) + ", expected at most " + TimeText(limit_), run.end);
  }

 private:
  uint64_t limit_;
};

class InstructionsAtMost : public Expectation {
 public:
  InstructionsAtMost(int line, uint64_t limit) : Expectation(line), limit_(limit) {}
  std::string Describe() const override { return "instructions <= " + std::to_string(limit_); }
  Outcome Check(const RunRecord& run) const override {
    if (run.end.instruction <= limit_) return {};
    return Fail("took " + std::to_string(run.end.instruction) + " instructions, expected at most " +
                    std::to_string(limit_),
                run.end);
  }

 private:
  uint64_t limit_;
};

class SizeAtMost : public Expectation {
 public:
  SizeAtMost(int line, int limit) : Expectation(line), limit_(limit) {}
  std::string Describe() const override { return "size <= " + std::to_string(limit_) + " bytes"; }
  Outcome Check(const RunRecord& run) const override {
    if (run.program_size <= limit_) return {};
    return Fail("the program has " + std::to_string(run.program_size) + " bytes, expected at most " +
                    std::to_string(limit_),
                std::nullopt);
  }

 private:
  int limit_;
};

class WritesOnly : public Expectation {
 public:
  WritesOnly(int line, int from, int to) : Expectation(line), from_(from), to_(to) {}
  std::string Describe() const override { return "writes only to " + Range(); }
  Outcome Check(const RunRecord& run) const override {
    if (!run.outside_write) return {};
    return Fail("wrote " + Hex(static_cast<unsigned>(run.outside_write->address), 3) + " at " +
                    MomentText(run.outside_write->moment) + ", expected writes only to " + Range(),
                run.outside_write->moment);
  }

 private:
  std::string Range() const {
    return Hex(static_cast<unsigned>(from_), 3) + ".." + Hex(static_cast<unsigned>(to_), 3);
  }
  int from_, to_;
};

class NoMnemonic : public Expectation {
 public:
  NoMnemonic(int line, std::string mnemonic) : Expectation(line), mnemonic_(std::move(mnemonic)) {}
  std::string Describe() const override { return "no " + mnemonic_; }
  Outcome Check(const RunRecord& run) const override {
    // The earliest run of any opcode that bears this mnemonic.
    std::optional<Moment> first;
    for (int opcode = 0; opcode < 256 && run.table; ++opcode) {
      const Moment& m = run.first_run[opcode];
      if (m.instruction == 0 || RightTrim(FieldText((*run.table)[opcode].Mnemonic)) != mnemonic_) continue;
      if (!first || m.instruction < first->instruction) first = m;
    }
    if (!first) return {};
    return Fail(mnemonic_ + " ran at " + MomentText(*first) + ", and the test forbids it", first);
  }

 private:
  std::string mnemonic_;
};

class NoSelfModifying : public Expectation {
 public:
  explicit NoSelfModifying(int line) : Expectation(line) {}
  std::string Describe() const override { return "no self-modifying code"; }
  // Both orders: writing over a byte that ran, and running a byte the
  // program wrote; the earlier of the two is reported.
  Outcome Check(const RunRecord& run) const override {
    const auto& w = run.code_write;
    const auto& r = run.written_run;
    if (w && (!r || w->moment.instruction <= r->moment.instruction))
      return Fail("wrote " + Hex(static_cast<unsigned>(w->address), 3) + ", a byte already executed, at " +
                      MomentText(w->moment) + ", and the test forbids self-modifying code",
                  w->moment);
    if (r)
      return Fail("ran " + Hex(static_cast<unsigned>(r->address), 3) + ", a byte the program wrote, at " +
                      MomentText(r->moment) + ", and the test forbids self-modifying code",
                  r->moment);
    return {};
  }
};

}  // namespace

std::string LampField::ValueText(int value) const {
  if (width == 1) return value ? "on" : "off";
  return Byte(value);
}

LampField LedsField() { return {"LEDs", 0, 8}; }
LampField FlagField(int flag) {
  static constexpr const char* kNames[] = {"flag F0", "flag F1", "flag F2"};
  return {kNames[flag], kFlagShift + flag, 1};
}
LampField HaltLedField() { return {"Halt LED", 11, 1}; }

std::unique_ptr<Expectation> ExpectLampsAtEnd(int line, LampField field, int value) {
  return std::make_unique<LampsAtEnd>(line, field, value);
}
std::unique_ptr<Expectation> ExpectLampsDuring(int line, LampField field, int value, uint64_t from, uint64_t to) {
  return std::make_unique<LampsDuring>(line, field, value, from, to);
}
std::unique_ptr<Expectation> ExpectLedsShow(int line, std::vector<int> values) {
  return std::make_unique<LedsShow>(line, std::move(values));
}
std::unique_ptr<Expectation> ExpectLedsChangeEvery(int line, uint64_t min, uint64_t max,
                                                   std::optional<std::pair<uint64_t, uint64_t>> during) {
  return std::make_unique<LedsChangeEvery>(line, min, max, during);
}
std::unique_ptr<Expectation> ExpectLedsFollowSwitches(int line, uint64_t within) {
  return std::make_unique<LedsFollowSwitches>(line, within);
}
std::unique_ptr<Expectation> ExpectMemory(int line, int address, std::vector<int> bytes) {
  return std::make_unique<MemoryEquals>(line, address, std::move(bytes));
}
std::unique_ptr<Expectation> ExpectRegister(int line, int register_index, int value) {
  return std::make_unique<RegisterEquals>(line, register_index, value);
}
std::unique_ptr<Expectation> ExpectHalted(int line, std::string within) {
  return std::make_unique<Halted>(line, std::move(within));
}
std::unique_ptr<Expectation> ExpectTimeAtMost(int line, uint64_t microcycles) {
  return std::make_unique<TimeAtMost>(line, microcycles);
}
std::unique_ptr<Expectation> ExpectInstructionsAtMost(int line, uint64_t count) {
  return std::make_unique<InstructionsAtMost>(line, count);
}
std::unique_ptr<Expectation> ExpectSizeAtMost(int line, int bytes) { return std::make_unique<SizeAtMost>(line, bytes); }
std::unique_ptr<Expectation> ExpectWritesOnly(int line, int from, int to) {
  return std::make_unique<WritesOnly>(line, from, to);
}
std::unique_ptr<Expectation> ForbidMnemonic(int line, std::string mnemonic) {
  return std::make_unique<NoMnemonic>(line, std::move(mnemonic));
}
std::unique_ptr<Expectation> ForbidSelfModifying(int line) { return std::make_unique<NoSelfModifying>(line); }

const char* RegisterName(int register_index) { return kRegisterNames[register_index]; }

}  // namespace scmp::grader
