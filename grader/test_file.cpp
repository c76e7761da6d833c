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

// What the reader notes of each run to check the test as a whole at its
// end: how long the run can be, and what it expects of it.
struct RunNotes {
  uint64_t length = 0;  // microcycles the run can last; 0 when only instructions bound it
  int line = 0;
  // Values expected at the end, by what they read ("LEDs", "memory 102"):
  // the value and the line that expects it.
  std::map<std::string, std::pair<int, int>> at_end;
  struct Window {
    std::string field;
    int value = 0;
    uint64_t from = 0, to = 0;
    int line = 0, column = 0;
  };
  std::vector<Window> windows;
};

// More errors than this in one file stop the reading: a file of garbage
// gives a screenful, not one message per line of a huge file.
constexpr size_t kMostErrors = 100;

class FileReader {
 public:
  FileReader(const std::string& path, const InstructionTable* table, TestFile* out,
             std::vector<Diagnostic>* diagnostics)
      : path_(path), table_(table), out_(out), diagnostics_(diagnostics), errors_before_(diagnostics->size()) {}

  bool TooManyErrors() const { return diagnostics_->size() - errors_before_ >= kMostErrors; }

  void ReadLine(std::string_view text, int number) {
    int open_quote = 0;
    LineReader r(Tokenize(text, &open_quote), number, static_cast<int>(text.size()));
    if (open_quote) r.Fail(open_quote, "this quote is not closed: end the name with \"");
    if (!r.error && !r.AtEnd()) Statement(r);
    if (r.error) Error(number, r.error_column, *r.error);
  }

  void Finish(int last_line) {
    if (open_) {
      Error(Test().line, 1, "test \"" + Test().name + "\" has no end line: add end after its last statement");
      Close(last_line);
    }
    if (total_points_ > kMostPointsOfAFile)
      Error(1, 1, "the tests' points add up to " + std::to_string(total_points_) + ", more than " +
                      std::to_string(kMostPointsOfAFile) + " in one file");
  }

  void Error(int line, int column, std::string message) {
    if (TooManyErrors()) return;
    diagnostics_->push_back(Diagnostic{path_, line, column, Severity::kError, std::move(message)});
    if (TooManyErrors())
      diagnostics_->push_back(
          Diagnostic{path_, line, column, Severity::kError, "too many errors; the rest of the file was not read"});
  }

 private:
  using Handler = bool (FileReader::*)(LineReader&);

  TestCase& Test() { return out_->tests.back(); }

  void Statement(LineReader& r) {
    static const std::map<std::string, Handler> kTop = {
        {"program", &FileReader::Program}, {"test", &FileReader::TestLine}};
    static const std::map<std::string, Handler> kInTest = {
        {"switches", &FileReader::Switches}, {"mem", &FileReader::Mem},       {"randomize", &FileReader::Randomize},
        {"run", &FileReader::Run},           {"at", &FileReader::At},         {"expect", &FileReader::Expect},
        {"forbid", &FileReader::Forbid},     {"end", &FileReader::End},       {"test", &FileReader::TestLine}};
    const Token& word = *r.Take();
    const auto& table = open_ ? kInTest : kTop;
    const auto it = word.quoted ? table.end() : table.find(Lower(word.text));
    if (it == table.end()) {
      r.Fail(word.column, open_ ? "unknown statement " + Shown(word.text) +
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

  // test "NAME" [points N] [trials N] [hidden|after_due_date|after_published]
  // A test that is still open ends here, with one message; a name that is
  // not quoted still opens the test, so that its lines read as its own.
  bool TestLine(LineReader& r) {
    if (open_) {
      Error(Test().line, 1, "test \"" + Test().name + "\" has no end line: add end after its last statement");
      Close(r.Line() - 1);
    }
    const int name_column = r.Column();
    const Token* name = r.Take();
    TestCase test;
    test.name = name ? name->text : "";
    test.line = r.Line();
    out_->tests.push_back(std::move(test));
    open_ = true;
    errors_at_open_ = diagnostics_->size();
    runs_.clear();
    pending_ = Pending{};
    if (!name || !name->quoted || name->text.empty())
      return r.Fail(name_column, "expected the test's name in quotes: test \"adds two numbers\"");
    if (auto [it, fresh] = names_.emplace(name->text, r.Line()); !fresh)
      return r.Fail(name_column, "a test named " + Shown(name->text) + " is already on line " +
                                     std::to_string(it->second) + ": give each test its own name");
    while (!r.AtEnd()) {
      if (r.TakeKeyword("points")) {
        const auto points = r.Read<uint64_t>([](std::string_view s) { return ParseDecimal(s, kMostPointsOfATest); },
                                             "points 0.." + std::to_string(kMostPointsOfATest));
        if (!points) return false;
        Test().points = static_cast<int>(*points);
      } else if (r.TakeKeyword("trials")) {
        const auto trials = r.Read<uint64_t>([](std::string_view s) { return ParseDecimal(s, kMostTrials); },
                                             "trials 1.." + std::to_string(kMostTrials));
        if (!trials) return false;
        if (*trials == 0) return r.Fail(r.Column(), "a test needs at least one trial");
        Test().trials = static_cast<int>(*trials);
      } else if (!VisibilityWord(r)) {
        return r.FailHere("expected points N, trials N, hidden, after_due_date or after_published, not " +
                          Shown(r.Peek()->text));
      }
    }
    total_points_ += Test().points;
    return true;
  }

  bool VisibilityWord(LineReader& r) {
    for (Visibility v : {Visibility::kVisible, Visibility::kHidden, Visibility::kAfterDueDate,
                         Visibility::kAfterPublished})
      if (r.TakeKeyword(VisibilityName(v))) {
        Test().visibility = v;
        return true;
      }
    return false;
  }

  bool End(LineReader& r) {
    Close(r.Line());
    return true;
  }

  // Ends the open test: what was written after its last run belongs to that
  // run, then the test is checked as a whole.
  void Close(int line) {
    TestCase& test = Test();
    open_ = false;
    // A test with a mistake in it has had its message: no second one.
    const bool had_errors = diagnostics_->size() != errors_at_open_;
    if (runs_.empty()) {
      if (had_errors) return;
      Error(test.line, 1, "test \"" + test.name + "\" has no run line: add run for 100ms or run until halt within 1s");
      return;
    }
    if (pending_.switches || !pending_.cells.empty())
      Error(pending_.line, 1, "switches and mem set the start of a run: move this line before a run line");
    for (size_t i = 0; i < pending_.inputs.size(); ++i)
      AddInput(pending_.inputs[i].first, pending_.input_lines[i], pending_.inputs[i].second);
    pending_ = Pending{};
    auto by_time = [](const TimedInput& a, const TimedInput& b) { return a.at < b.at; };
    std::stable_sort(test.inputs.begin(), test.inputs.end(), by_time);
    for (LaterRun& later : test.later_runs) std::stable_sort(later.inputs.begin(), later.inputs.end(), by_time);
    if (test.expectations.empty() && !had_errors)
      Error(test.line, 1, "test \"" + test.name + "\" checks nothing: add an expect or forbid line, or run until halt");
    (void)line;
  }

  // What is written before a run, for that run.
  struct Pending {
    std::optional<int> switches;
    std::vector<CellSet> cells;
    std::vector<std::pair<TimedInput, int>> inputs;  // with the column of the time
    std::vector<int> input_lines;
    int line = 0;
  };

  bool Switches(LineReader& r) {
    const auto b = r.Byte();
    if (!b) return false;
    if (runs_.empty()) {
      Test().switches = *b;
    } else {
      pending_.switches = *b;
      pending_.line = r.Line();
    }
    return true;
  }

  bool Mem(LineReader& r) {
    const auto cells = Cells(r);
    if (!cells) return false;
    if (runs_.empty()) {
      Test().cells.push_back(*cells);
    } else {
      pending_.cells.push_back(*cells);
      pending_.line = r.Line();
    }
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

  bool Randomize(LineReader&) { return Test().randomize = true; }

  bool Run(LineReader& r) {
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
      const bool digits = t && !t->text.empty() && t->text.find_first_not_of("0123456789") == std::string::npos;
      if (digits) {
        const auto n = r.Read<uint64_t>([](std::string_view s) { return ParseDecimal(s, kLargestCount); },
                                        "a count of instructions 1..1000000000");
        if (!n) return false;
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
    TestCase& test = Test();
    const int run = static_cast<int>(runs_.size());
    if (run == 0) {
      test.run = limit;
    } else {
      LaterRun later;
      later.line = r.Line();
      later.run = limit;
      later.switches = pending_.switches;
      later.cells = std::move(pending_.cells);
      test.later_runs.push_back(std::move(later));
    }
    RunNotes notes;
    notes.length = limit.microcycles;
    notes.line = r.Line();
    runs_.push_back(std::move(notes));
    auto inputs = std::move(pending_.inputs);
    auto lines = std::move(pending_.input_lines);
    pending_ = Pending{};
    for (size_t i = 0; i < inputs.size(); ++i) AddInput(inputs[i].first, lines[i], inputs[i].second);
    if (limit.until_halt) {
      auto halted = ExpectHalted(r.Line(), within);
      halted->SetRun(run);
      // The run's own expectation comes first among the run's.
      auto at = std::find_if(test.expectations.begin(), test.expectations.end(),
                             [run](const auto& e) { return e->Run() >= run; });
      test.expectations.insert(at, std::move(halted));
    }
    return true;
  }

  // An input of the current run, refused when it comes after the run's end.
  void AddInput(const TimedInput& input, int line, int column) {
    const RunNotes& notes = runs_.back();
    if (notes.length && input.at > notes.length) {
      Error(line, column, "this input at " + TimeText(input.at) + " comes after the run's end at " +
                              TimeText(notes.length) + " (line " + std::to_string(notes.line) + ")");
      return;
    }
    TestCase& test = Test();
    (runs_.size() == 1 ? test.inputs : test.later_runs.back().inputs).push_back(input);
  }

  bool At(LineReader& r) {
    const int column = r.Column();
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
    // Inputs written before a run are that run's; after the last run, the
    // last run's.
    pending_.inputs.push_back({input, column});
    pending_.input_lines.push_back(r.Line());
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

  // A value expected at the end of the run: refused when the same run
  // already expects another value of the same thing.
  bool AtEnd(LineReader& r, const std::string& what, int value, int column) {
    if (runs_.empty()) return true;  // checked against the first run when it comes
    auto [it, fresh] = runs_.back().at_end.emplace(what, std::make_pair(value, r.Line()));
    if (!fresh && it->second.first != value)
      return r.Fail(column, "line " + std::to_string(it->second.second) + " already expects another value of " +
                                what + " at the end of this run");
    return true;
  }

  // A window of the run: within its length, and not contradicting another.
  bool Window(LineReader& r, const std::string& field, int value, uint64_t from, uint64_t to, int column) {
    if (runs_.empty()) return true;
    RunNotes& notes = runs_.back();
    if (notes.length && to > notes.length)
      return r.Fail(column, "this window ends at " + TimeText(to) + ", after the run's end at " +
                                TimeText(notes.length) + " (line " + std::to_string(notes.line) + ")");
    for (const RunNotes::Window& w : notes.windows)
      if (w.field == field && w.value != value && from <= w.to && w.from <= to)
        return r.Fail(column, "this window overlaps the one on line " + std::to_string(w.line) + ", which expects " +
                                  field + " to show another value");
    notes.windows.push_back({field, value, from, to, r.Line(), column});
    return true;
  }

  // VALUE [during FROM..TO] for one lamp field.
  bool LampValue(LineReader& r, LampField field, int value, int value_column) {
    if (r.TakeKeyword("during")) {
      const int column = r.Column();
      const auto range = r.Range(ParseTime, "of times such as 20ms..50ms");
      if (!range || !Window(r, field.name, value, range->first, range->second, column)) return false;
      Add(ExpectLampsDuring(r.Line(), field, value, range->first, range->second));
    } else {
      if (!AtEnd(r, field.name, value, value_column)) return false;
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
    if (r.TakeKeyword("change")) return ExpectLedsChange(r);
    if (r.TakeKeyword("follow")) return ExpectLedsFollow(r);
    const int column = r.Column();
    const auto b = r.Byte();
    return b && LampValue(r, LedsField(), *b, column);
  }

  // change every MIN..MAX [during FROM..TO]
  bool ExpectLedsChange(LineReader& r) {
    if (!r.TakeKeyword("every")) return r.FailHere("expected every and a range of times: change every 90ms..110ms");
    const auto every = r.Range(ParseTime, "of times such as 90ms..110ms");
    if (!every) return false;
    if (every->second == 0) return r.Fail(r.Column(), "expected a range above 0 us");
    std::optional<std::pair<uint64_t, uint64_t>> during;
    if (r.TakeKeyword("during")) {
      const int column = r.Column();
      during = r.Range(ParseTime, "of times such as 20ms..50ms");
      if (!during) return false;
      const RunNotes* notes = runs_.empty() ? nullptr : &runs_.back();
      if (notes && notes->length && during->second > notes->length)
        return r.Fail(column, "this window ends at " + TimeText(during->second) + ", after the run's end at " +
                                  TimeText(notes->length) + " (line " + std::to_string(notes->line) + ")");
    }
    Add(ExpectLedsChangeEvery(r.Line(), every->first, every->second, during));
    return true;
  }

  // follow switches within TIME
  bool ExpectLedsFollow(LineReader& r) {
    if (!r.TakeKeyword("switches") || !r.TakeKeyword("within"))
      return r.FailHere("expected switches within TIME: follow switches within 5ms");
    const auto within = r.Time();
    if (!within) return false;
    Add(ExpectLedsFollowSwitches(r.Line(), *within));
    return true;
  }

  bool ExpectFlag(LineReader& r) {
    for (int flag = 0; flag < 3; ++flag)
      if (r.TakeKeyword("f" + std::to_string(flag))) {
        int on = 0;
        const int column = r.Column();
        return r.OnOff(&on) && LampValue(r, FlagField(flag), on, column);
      }
    return r.FailHere("expected F0, F1 or F2");
  }

  bool ExpectHaltLed(LineReader& r) {
    int on = 0;
    const int column = r.Column();
    return r.OnOff(&on) && LampValue(r, HaltLedField(), on, column);
  }

  bool ExpectMem(LineReader& r) {
    const int column = r.Column();
    const auto cells = Cells(r);
    if (!cells) return false;
    for (size_t i = 0; i < cells->bytes.size(); ++i)
      if (!AtEnd(r, "memory " + Hex(static_cast<unsigned>(cells->address + static_cast<int>(i)), 3), cells->bytes[i],
                 column))
        return false;
    Add(ExpectMemory(r.Line(), cells->address, cells->bytes));
    return true;
  }

  bool ExpectRegisterValue(LineReader& r, int reg) {
    const bool pointer = reg >= 3;
    const int column = r.Column();
    const auto v = pointer ? r.Read<int>([](std::string_view s) -> std::optional<int> {
                               const auto h = ParseHex(s, 4);
                               if (!h) return std::nullopt;
                               return static_cast<int>(*h);
                             }, "a hexadecimal value 0000..FFFF")
                           : r.Byte();
    if (!v || !AtEnd(r, RegisterName(reg), *v, column)) return false;
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
    if (Test().writes_range) return r.FailHere("a test has one writes only line");
    const auto range = r.Range(ParseAddress, "of addresses such as 100..1FF");
    if (!range) return false;
    Test().writes_range = std::make_pair(static_cast<int>(range->first), static_cast<int>(range->second));
    Add(ExpectWritesOnly(r.Line(), Test().writes_range->first, Test().writes_range->second));
    return true;
  }

  bool Forbid(LineReader& r) {
    const int column = r.Column();
    const Token* word = r.Take();
    if (!word) return r.Fail(column, "expected a mnemonic (forbid DLY) or self-modifying");
    if (Lower(word->text) == "self-modifying") {
      Test().watch_code_writes = true;
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

  // An expectation of the current run (the first before any run line).
  void Add(std::unique_ptr<Expectation> e) {
    e->SetRun(runs_.empty() ? 0 : static_cast<int>(runs_.size()) - 1);
    Test().expectations.push_back(std::move(e));
  }

  std::string path_;
  const InstructionTable* table_;
  TestFile* out_;
  std::vector<Diagnostic>* diagnostics_;
  size_t errors_before_;
  bool open_ = false;          // a test is open: the last of out_->tests
  size_t errors_at_open_ = 0;
  std::vector<RunNotes> runs_;  // the open test's runs so far
  Pending pending_;
  std::map<std::string, int> names_;  // test names and their lines
  int64_t total_points_ = 0;
};

}  // namespace

const char* VisibilityName(Visibility visibility) {
  switch (visibility) {
    case Visibility::kHidden: return "hidden";
    case Visibility::kAfterDueDate: return "after_due_date";
    case Visibility::kAfterPublished: return "after_published";
    case Visibility::kVisible: break;
  }
  return "visible";
}

int64_t TestFile::MaxScore() const {
  int64_t sum = 0;
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
  const size_t errors_before = diagnostics->size();
  FileReader reader(path, table, &file, diagnostics);
  int number = 0;
  size_t start = 0;
  while (start <= text.size() && !reader.TooManyErrors()) {
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

std::string TestFileMessage(const Diagnostic& diagnostic) {
  if (diagnostic.line > 0) return FormatDiagnostic(diagnostic);
  return Escaped(diagnostic.file) + ": " + Escaped(diagnostic.message);
}

bool ReadTestFile(const std::string& path, const InstructionTable* table, TestFile* out,
                  std::vector<Diagnostic>* diagnostics) {
  std::string text, error;
  std::string reason;
  if (!ReadWholeFile(path, kMaxSourceSize, &text, &reason)) {
    diagnostics->push_back(Diagnostic{path, 0, 0, Severity::kError, "cannot read the test file: " + reason});
    return false;
  }
  return ParseTestFile(text, path, table, out, diagnostics);
}

}  // namespace scmp::grader
