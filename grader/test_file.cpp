#include "grader/test_file.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

#include "core/file_reader.h"
#include "core/hex.h"
#include "files/source_file.h"

namespace scmp::grader {

namespace {

constexpr uint64_t kLongestTime = 3600ull * 1000000;  // one hour of emulated time
constexpr uint64_t kLargestCount = 1000000000;

// A word of the file in a message: quoted, cut short, control bytes escaped.
std::string Shown(std::string_view text) { return Quoted(text, kQuotedTextLimit); }

struct Token {
  std::string text;
  int column = 0;  // 1-based
  bool quoted = false;
};

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<uint64_t> ParseDecimal(std::string_view text, uint64_t largest) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > largest) return std::nullopt;
  return v;
}

// A byte: one or two hexadecimal digits, or 0b and one to eight binary digits.
std::optional<int> ParseByte(std::string_view text) {
  if (text.size() > 2 && (text[0] == '0') && (text[1] == 'b' || text[1] == 'B')) {
    text.remove_prefix(2);
    if (text.size() > 8) return std::nullopt;
    int v = 0;
    for (char c : text) {
      if (c != '0' && c != '1') return std::nullopt;
      v = v * 2 + (c - '0');
    }
    return v;
  }
  const auto v = ParseHex(text, 2);
  if (!v) return std::nullopt;
  return static_cast<int>(*v);
}

std::optional<int> ParseAddress(std::string_view text) {
  const auto v = ParseHex(text, 4);
  if (!v || *v >= static_cast<unsigned>(kMemorySize)) return std::nullopt;
  return static_cast<int>(*v);
}

// Splits a line into words and quoted strings; '#' outside quotes starts a
// comment. An unclosed quote gives its column in `open_quote`.
std::vector<Token> Tokenize(std::string_view line, int* open_quote) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      const size_t close = line.find('"', i + 1);
      if (close == std::string_view::npos) {
        *open_quote = static_cast<int>(i) + 1;
        break;
      }
      tokens.push_back({std::string(line.substr(i + 1, close - i - 1)), static_cast<int>(i) + 1, true});
      i = close + 1;
    } else {
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#' &&
             line[i] != '"')
        ++i;
      tokens.push_back({std::string(line.substr(start, i - start)), static_cast<int>(start) + 1, false});
    }
  }
  return tokens;
}

// One line's statement, read word by word; the first error ends the line.
class LineReader {
 public:
  LineReader(std::vector<Token> tokens, int line_number, int line_length)
      : tokens_(std::move(tokens)), line_(line_number), end_column_(line_length + 1) {}

  bool AtEnd() const { return next_ >= tokens_.size(); }
  int Line() const { return line_; }
  // The column of the next word, or just past the line's end.
  int Column() const { return AtEnd() ? end_column_ : tokens_[next_].column; }
  const Token* Peek() const { return AtEnd() ? nullptr : &tokens_[next_]; }
  const Token* Take() { return AtEnd() ? nullptr : &tokens_[next_++]; }
  // The next word if it is `keyword` (any case).
  bool TakeKeyword(std::string_view keyword) {
    if (AtEnd() || tokens_[next_].quoted || Lower(tokens_[next_].text) != keyword) return false;
    ++next_;
    return true;
  }
  std::optional<std::string> error;
  int error_column = 0;

  // Records the first error of the line; always returns false.
  bool Fail(int column, std::string message) {
    if (!error) {
      error = std::move(message);
      error_column = column;
    }
    return false;
  }
  bool FailHere(std::string message) { return Fail(Column(), std::move(message)); }

  template <class T, class Parse>
  std::optional<T> Read(Parse parse, const std::string& what) {
    const int column = Column();
    const Token* t = Take();
    if (!t) {
      Fail(column, "expected " + what + " here");
      return std::nullopt;
    }
    auto v = parse(t->text);
    if (!v) Fail(column, "expected " + what + ", not " + Shown(t->text));
    return v;
  }
  std::optional<int> Byte() {
    return Read<int>(ParseByte, "a byte: hexadecimal (5A) or binary (0b01011010)");
  }
  std::optional<int> Address() { return Read<int>(ParseAddress, "a hexadecimal address 000..FFF"); }
  std::optional<uint64_t> Count() {
    return Read<uint64_t>([](std::string_view s) { return ParseDecimal(s, kLargestCount); },
                          "a whole number 0..1000000000");
  }
  std::optional<uint64_t> Time() {
    return Read<uint64_t>(ParseTime, "a time such as 250us, 30ms or 1.5s (at most 3600s)");
  }
  // FROM..TO as one word, with FROM <= TO.
  template <class Parse>
  std::optional<std::pair<uint64_t, uint64_t>> Range(Parse parse, const std::string& what) {
    const int column = Column();
    const Token* t = Take();
    const std::string how = "expected a range " + what + " (FROM..TO, FROM not after TO)";
    if (!t) {
      Fail(column, how + " here");
      return std::nullopt;
    }
    const size_t dots = t->text.find("..");
    if (dots == std::string::npos) {
      Fail(column, how + ", not " + Shown(t->text));
      return std::nullopt;
    }
    const auto from = parse(std::string_view(t->text).substr(0, dots));
    const auto to = parse(std::string_view(t->text).substr(dots + 2));
    if (!from || !to || *from > *to) {
      Fail(column, how + ", not " + Shown(t->text));
      return std::nullopt;
    }
    return std::make_pair(static_cast<uint64_t>(*from), static_cast<uint64_t>(*to));
  }
  // Bytes up to the end of the line, at least one.
  std::vector<int> BytesToEnd() {
    std::vector<int> bytes;
    do {
      const auto b = Byte();
      if (!b) return {};
      bytes.push_back(*b);
    } while (!AtEnd());
    return bytes;
  }
  bool OnOff(int* value) {
    if (TakeKeyword("on")) return *value = 1, true;
    if (TakeKeyword("off")) return *value = 0, true;
    return FailHere("expected on or off");
  }
  bool Finish() {
    if (!AtEnd() && !error) FailHere("unexpected " + Shown(Peek()->text) + " at the end of the line");
    return !error;
  }

 private:
  std::vector<Token> tokens_;
  size_t next_ = 0;
  int line_;
  int end_column_;
};

class FileReader {
 public:
  FileReader(const std::string& path, const InstructionTable* table, TestFile* out,
             std::vector<Diagnostic>* diagnostics)
      : path_(path), table_(table), out_(out), diagnostics_(diagnostics) {}

  void ReadLine(std::string_view text, int number) {
    int open_quote = 0;
    LineReader r(Tokenize(text, &open_quote), number, static_cast<int>(text.size()));
    if (open_quote) r.Fail(open_quote, "this quote is not closed: end the name with \"");
    if (!r.error && !r.AtEnd()) Statement(r);
    if (r.error) Error(number, r.error_column, *r.error);
  }

  void Finish(int last_line) {
    if (test_) Error(test_->line, 1, "test \"" + test_->name + "\" has no end line: add end after its last statement");
    (void)last_line;
  }

  void Error(int line, int column, std::string message) {
    diagnostics_->push_back(Diagnostic{path_, line, column, Severity::kError, std::move(message)});
  }

 private:
  using Handler = bool (FileReader::*)(LineReader&);

  void Statement(LineReader& r) {
    static const std::map<std::string, Handler> kTop = {
        {"program", &FileReader::Program}, {"test", &FileReader::Test}};
    static const std::map<std::string, Handler> kInTest = {
        {"switches", &FileReader::Switches}, {"mem", &FileReader::Mem},       {"randomize", &FileReader::Randomize},
        {"run", &FileReader::Run},           {"at", &FileReader::At},         {"expect", &FileReader::Expect},
        {"forbid", &FileReader::Forbid},     {"end", &FileReader::End},       {"test", &FileReader::Test}};
    const Token& word = *r.Take();
    const auto& table = test_ ? kInTest : kTop;
    const auto it = word.quoted ? table.end() : table.find(Lower(word.text));
    if (it == table.end()) {
      r.Fail(word.column, test_ ? "unknown statement " + Shown(word.text) +
                                      " in a test: expected switches, mem, randomize, run, at, expect, forbid or end"
                                : "unknown statement " + Shown(word.text) + ": expected program or test");
      return;
    }
    if ((this->*(it->second))(r)) r.Finish();
  }

  bool Program(LineReader& r) {
    if (!out_->program.empty()) return r.FailHere("the program is named twice");
    const Token* t = r.Take();
    if (!t || t->text.empty()) return r.FailHere("expected the program's file name");
    out_->program = t->text;
    return true;
  }

  bool Test(LineReader& r) {
    if (test_) return r.Fail(1, "test \"" + test_->name + "\" is still open: end it with end first");
    const Token* name = r.Take();
    if (!name || !name->quoted || name->text.empty())
      return r.Fail(name ? name->column : r.Column(), "expected the test's name in quotes: test \"adds two numbers\"");
    TestCase test;
    test.name = name->text;
    test.line = r.Line();
    if (r.TakeKeyword("points")) {
      const auto points = r.Count();
      if (!points) return false;
      if (*points > 1000000) return r.FailHere("points are at most 1000000");
      test.points = static_cast<int>(*points);
    }
    out_->tests.push_back(std::move(test));
    test_ = &out_->tests.back();
    has_run_ = false;
    return true;
  }

  bool End(LineReader&) {
    if (!has_run_) Error(test_->line, 1, "test \"" + test_->name + "\" has no run line: add run for 100ms or run until halt within 1s");
    std::stable_sort(test_->inputs.begin(), test_->inputs.end(),
                     [](const TimedInput& a, const TimedInput& b) { return a.at < b.at; });
    test_ = nullptr;
    return true;
  }

  bool Switches(LineReader& r) {
    const auto b = r.Byte();
    if (b) test_->switches = *b;
    return b.has_value();
  }

  bool Mem(LineReader& r) {
    const auto cells = Cells(r);
    if (!cells) return false;
    test_->cells.push_back(*cells);
    return true;
  }

  // ADDR = BB BB ..., all within memory.
  std::optional<CellSet> Cells(LineReader& r) {
    const auto address = r.Address();
    if (!address) return std::nullopt;
    if (!r.TakeKeyword("=")) {
      r.FailHere("expected = after the address: mem 100 = 00 00");
      return std::nullopt;
    }
    const int column = r.Column();
    CellSet set{*address, r.BytesToEnd()};
    if (set.bytes.empty()) return std::nullopt;
    if (set.address + static_cast<int>(set.bytes.size()) > kMemorySize) {
      r.Fail(column, "these bytes run past address FFF");
      return std::nullopt;
    }
    return set;
  }

  bool Randomize(LineReader&) { return test_->randomize = true; }

  bool Run(LineReader& r) {
    if (has_run_) return r.Fail(1, "a test has one run line");
    RunLimit limit;
    std::string within;
    int column = r.Column();
    if (r.TakeKeyword("for")) {
      column = r.Column();
      const auto t = r.Time();
      if (!t) return false;
      limit = RunLimit{false, *t, 0};
    } else if (r.TakeKeyword("until")) {
      if (!r.TakeKeyword("halt") || !r.TakeKeyword("within"))
        return r.FailHere("expected run until halt within TIME (or within N instructions)");
      const Token* t = r.Peek();
      column = r.Column();
      if (t && ParseDecimal(t->text, kLargestCount) && !ParseTime(t->text)) {
        const auto n = r.Count();
        if (!r.TakeKeyword("instructions")) return r.FailHere("expected instructions after the count");
        if (*n == 0) return r.Fail(column, "a run needs at least one instruction");
        limit = RunLimit{true, 0, *n};
        within = std::to_string(*n) + " instructions";
      } else {
        const auto time = r.Time();
        if (!time) return false;
        limit = RunLimit{true, *time, 0};
        within = TimeText(*time);
      }
    } else {
      return r.FailHere("expected run for TIME or run until halt within TIME");
    }
    if (limit.microcycles == 0 && limit.instructions == 0) return r.Fail(column, "a run needs a time above 0");
    test_->run = limit;
    has_run_ = true;
    if (limit.until_halt) test_->expectations.insert(test_->expectations.begin(), ExpectHalted(r.Line(), within));
    return true;
  }

  bool At(LineReader& r) {
    const auto t = r.Time();
    if (!t) return false;
    TimedInput input{*t, InputKind::kSwitches, 0};
    if (r.TakeKeyword("switches")) {
      const auto b = r.Byte();
      if (!b) return false;
      input.value = *b;
    } else if (r.TakeKeyword("press")) {
      if (r.TakeKeyword("hlt"))
        input.kind = InputKind::kPressHalt;
      else if (r.TakeKeyword("rst"))
        input.kind = InputKind::kPressReset;
      else
        return r.FailHere("expected HLT or RST after press");
    } else {
      return r.FailHere("expected switches BB or press HLT|RST after the time");
    }
    test_->inputs.push_back(input);
    return true;
  }

  bool Expect(LineReader& r) {
    static const std::map<std::string, Handler> kKinds = {
        {"leds", &FileReader::ExpectLeds},     {"flag", &FileReader::ExpectFlag},
        {"halt-led", &FileReader::ExpectHaltLed}, {"mem", &FileReader::ExpectMem},
        {"halted", &FileReader::ExpectHalt},   {"time", &FileReader::ExpectTime},
        {"instructions", &FileReader::ExpectInstructions}, {"size", &FileReader::ExpectSize},
        {"writes", &FileReader::ExpectWrites}};
    const int column = r.Column();
    const Token* word = r.Take();
    if (!word) return r.Fail(column, "expected what to expect: leds, flag, halt-led, mem, a register, halted, time, instructions, size or writes");
    const std::string key = Lower(word->text);
    if (const auto it = kKinds.find(key); it != kKinds.end()) return (this->*(it->second))(r);
    for (int reg = 0; reg < 7; ++reg)
      if (key == Lower(RegisterName(reg))) return ExpectRegisterValue(r, reg);
    return r.Fail(column, "cannot expect " + Shown(word->text) +
                              ": expected leds, flag, halt-led, mem, A, E, SR, P0..P3, halted, time, instructions, size or writes");
  }

  // VALUE [during FROM..TO] for one lamp field.
  bool LampValue(LineReader& r, LampField field, int value) {
    if (r.TakeKeyword("during")) {
      const auto range = r.Range(ParseTime, "of times such as 20ms..50ms");
      if (!range) return false;
      Add(ExpectLampsDuring(r.Line(), field, value, range->first, range->second));
    } else {
      Add(ExpectLampsAtEnd(r.Line(), field, value));
    }
    return true;
  }

  bool ExpectLeds(LineReader& r) {
    if (r.TakeKeyword("shows")) {
      std::vector<int> values = r.BytesToEnd();
      if (values.empty()) return false;
      Add(ExpectLedsShow(r.Line(), std::move(values)));
      return true;
    }
    const auto b = r.Byte();
    return b && LampValue(r, LedsField(), *b);
  }

  bool ExpectFlag(LineReader& r) {
    for (int flag = 0; flag < 3; ++flag)
      if (r.TakeKeyword("f" + std::to_string(flag))) {
        int on = 0;
        return r.OnOff(&on) && LampValue(r, FlagField(flag), on);
      }
    return r.FailHere("expected F0, F1 or F2");
  }

  bool ExpectHaltLed(LineReader& r) {
    int on = 0;
    return r.OnOff(&on) && LampValue(r, HaltLedField(), on);
  }

  bool ExpectMem(LineReader& r) {
    const auto cells = Cells(r);
    if (!cells) return false;
    Add(ExpectMemory(r.Line(), cells->address, cells->bytes));
    return true;
  }

  bool ExpectRegisterValue(LineReader& r, int reg) {
    const bool pointer = reg >= 3;
    const auto v = pointer ? r.Read<int>([](std::string_view s) -> std::optional<int> {
                               const auto h = ParseHex(s, 4);
                               if (!h) return std::nullopt;
                               return static_cast<int>(*h);
                             }, "a hexadecimal value 0000..FFFF")
                           : r.Byte();
    if (!v) return false;
    Add(ExpectRegister(r.Line(), reg, *v));
    return true;
  }

  bool ExpectHalt(LineReader& r) {
    Add(ExpectHalted(r.Line(), ""));
    return true;
  }

  bool AtMost(LineReader& r) {
    if (!r.TakeKeyword("<=")) return r.FailHere("expected <= and a limit");
    return true;
  }

  bool ExpectTime(LineReader& r) {
    if (!AtMost(r)) return false;
    const auto t = r.Time();
    if (t) Add(ExpectTimeAtMost(r.Line(), *t));
    return t.has_value();
  }

  bool ExpectInstructions(LineReader& r) {
    if (!AtMost(r)) return false;
    const auto n = r.Count();
    if (n) Add(ExpectInstructionsAtMost(r.Line(), *n));
    return n.has_value();
  }

  bool ExpectSize(LineReader& r) {
    if (!AtMost(r)) return false;
    const auto n = r.Count();
    if (n) Add(ExpectSizeAtMost(r.Line(), static_cast<int>(std::min<uint64_t>(*n, kMemorySize))));
    return n.has_value();
  }

  bool ExpectWrites(LineReader& r) {
    if (!r.TakeKeyword("only")) return r.FailHere("expected only and a range of addresses: writes only 100..1FF");
    if (test_->writes_range) return r.FailHere("a test has one writes only line");
    const auto range = r.Range(ParseAddress, "of addresses such as 100..1FF");
    if (!range) return false;
    test_->writes_range = std::make_pair(static_cast<int>(range->first), static_cast<int>(range->second));
    Add(ExpectWritesOnly(r.Line(), test_->writes_range->first, test_->writes_range->second));
    return true;
  }

  bool Forbid(LineReader& r) {
    const int column = r.Column();
    const Token* word = r.Take();
    if (!word) return r.Fail(column, "expected a mnemonic (forbid DLY) or self-modifying");
    if (Lower(word->text) == "self-modifying") {
      test_->watch_code_writes = true;
      Add(ForbidSelfModifying(r.Line()));
      return true;
    }
    std::string mnemonic = word->text;
    for (char& c : mnemonic) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (table_ && !KnownMnemonic(mnemonic)) return r.Fail(column, Shown(word->text) + " is no mnemonic of the instruction table");
    Add(ForbidMnemonic(r.Line(), mnemonic));
    return true;
  }

  bool KnownMnemonic(const std::string& mnemonic) const {
    for (int opcode = 0; opcode < 256; ++opcode)
      if (!(*table_)[opcode].IsUndefined() && RightTrim(FieldText((*table_)[opcode].Mnemonic)) == mnemonic) return true;
    return false;
  }

  void Add(std::unique_ptr<Expectation> e) { test_->expectations.push_back(std::move(e)); }

  std::string path_;
  const InstructionTable* table_;
  TestFile* out_;
  std::vector<Diagnostic>* diagnostics_;
  TestCase* test_ = nullptr;  // the open test; tests_ does not grow while one is open
  bool has_run_ = false;
};

}  // namespace

int TestFile::MaxScore() const {
  int sum = 0;
  for (const TestCase& t : tests) sum += t.points;
  return sum;
}

std::optional<uint64_t> ParseTime(std::string_view text) {
  static constexpr std::pair<std::string_view, uint64_t> kUnits[] = {{"us", 1}, {"ms", 1000}, {"s", 1000000}};
  for (const auto& [unit, scale] : kUnits) {
    if (text.size() <= unit.size() || Lower(text.substr(text.size() - unit.size())) != unit) continue;
    const std::string_view number = text.substr(0, text.size() - unit.size());
    if (unit == "s" && (number.back() == 'm' || number.back() == 'u' || number.back() == 'M' || number.back() == 'U'))
      continue;
    const size_t dot = number.find('.');
    const auto whole = ParseDecimal(number.substr(0, dot), kLongestTime);
    if (!whole) return std::nullopt;
    uint64_t value = *whole * scale;
    if (dot != std::string_view::npos) {
      // The fraction must come to whole microseconds.
      const std::string_view fraction = number.substr(dot + 1);
      if (fraction.empty() || fraction.size() > 6) return std::nullopt;
      uint64_t place = scale;
      for (char c : fraction) {
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (place % 10 != 0 && digit != 0) return std::nullopt;
        place /= 10;
        value += digit * place;
      }
    }
    if (value > kLongestTime) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

bool ParseTestFile(std::string_view text, const std::string& path, const InstructionTable* table, TestFile* out,
                   std::vector<Diagnostic>* diagnostics) {
  // A byte order mark that some editors write goes unseen.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  TestFile file;
  file.path = path;
  file.tests.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  const size_t errors_before = diagnostics->size();
  FileReader reader(path, table, &file, diagnostics);
  int number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    reader.ReadLine(text.substr(start, end - start), ++number);
    start = end + 1;
  }
  reader.Finish(number);
  if (diagnostics->size() == errors_before && file.tests.empty())
    reader.Error(1, 1, "no test in this file: add test \"NAME\" ... end");
  if (diagnostics->size() != errors_before) return false;
  *out = std::move(file);
  return true;
}

bool ReadTestFile(const std::string& path, const InstructionTable* table, TestFile* out,
                  std::vector<Diagnostic>* diagnostics) {
  std::string text, error;
  if (!ReadSourceFile(path, &text, &error)) {
    diagnostics->push_back(Diagnostic{path, 0, 0, Severity::kError, error});
    return false;
  }
  return ParseTestFile(text, path, table, out, diagnostics);
}

}  // namespace scmp::grader
