#include "asm/source_stage.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "asm/dialect.h"
#include "asm/directive.h"
#include "asm/expression.h"
#include "core/file_identity.h"
#include "asm/macro_expansion.h"
#include "asm/source_line.h"
#include "asm/string_condition.h"

namespace scmp::assembler {

namespace {

bool IsBlankLine(std::string_view text) {
  if (text.size() > kMaxLineLength) return false;  // reported by the passes
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ' || text[i] == '\t') continue;
    return text[i] == ';' || (text[i] == '*' && i == 0 && text.find('=') == std::string_view::npos);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// A source of lines: a file's text read line by line, or a macro's body
// substituted line by line as it is read (so that SHIFT changes the lines
// after it, and a body costs nothing until its lines are taken). A REPT,
// IRP, IRPC or WHILE block is a body used again for each repetition.
struct Frame {
  std::string_view text;  // files
  size_t pos = 0;
  int file = 0;
  int line = 0;
  const Macro* macro = nullptr;          // macros and blocks
  std::shared_ptr<const Macro> block;    // a block's own lines
  std::vector<std::string> args;  // what the call still passes (SHIFT drops the first)
  std::string label;              // the call's label, for __LABEL__
  std::string suffix;             // what the body's own labels get for this call
  size_t next = 0;
  std::vector<std::string> items;  // IRP, IRPC: the values still to come
  int64_t repeats = 0;             // REPT: the repetitions still to come
  std::string condition;           // WHILE
  int condition_column = 1;
  StreamLine where;                // the block's first line
  int link = -1;
  size_t conditions = 0;  // the depth of the condition stack when it began
  bool is_file = true;
};

struct Condition {
  bool taking = false;      // this branch's lines are assembled
  bool any_taken = false;   // some branch was taken (or the outer one is off)
  bool seen_else = false;   // ELSE, or ELSECASE
  bool is_switch = false;
  bool matched = false;     // a CASE matched
  bool text_value = false;  // SWITCH on a text
  int64_t value = 0;
  std::string text;
  StreamLine where;
};

class Stage {
 public:
  Stage(const IncludeReader& reader) : reader_(reader) {}

  Stream Run(std::string_view main, const std::string& main_file, const std::vector<Predefined>& predefined) {
    stream_.files.push_back(main_file);
    order_ = OperatorOrderOf(main);
    macro_assembler_ = order_ == OperatorOrder::kMacroAssembler;
    identities_.push_back(IdentifyFile(main_file).id);
    Predefine(predefined);
    Frame f;
    f.text = main;
    frames_.push_back(std::move(f));
    StreamLine raw;
    while (!ended_ && NextRaw(&raw)) Take(raw);
    if (stopped_) return std::move(stream_);
    if (defining_) Report(macro_start_, 1, std::string(BlockWord()) + " without ENDM: its lines run to the end of the file");
    while (!conditions_.empty()) {
      Report(conditions_.back().where, 1, conditions_.back().is_switch ? "SWITCH without ENDCASE" : "IF without ENDIF");
      conditions_.pop_back();
    }
    return std::move(stream_);
  }

 private:
  void Report(const StreamLine& where, int column, std::string message, Severity severity = Severity::kError) {
    stream_.messages.push_back({stream_.lines.size(), where, column, severity, std::move(message)});
  }

  // A limit of work was reached: the error, and nothing more is read.
  void Stop(const StreamLine& where, std::string message, int column = 1) {
    Report(where, column, std::move(message));
    ended_ = stopped_ = true;
  }

  // -D NAME=VALUE: a line "NAME EQU VALUE" before the first line, in a file
  // of its own so that a fault in it says where it came from.
  void Predefine(const std::vector<Predefined>& predefined) {
    if (predefined.empty()) return;
    stream_.files.push_back(kPredefinedFile);
    identities_.push_back("");
    int line = 0;
    for (const Predefined& p : predefined) {
      const std::string text = p.name + " EQU " + (p.value.empty() ? "1" : p.value);
      const StreamLine made{stream_.lines_text.Keep(text), 1, ++line, -1};
      const SourceLine sl = ParseSourceLine(made.text, made.line, IsMnemonicOrDirective);
      Remember(sl);
      Pass(made);
    }
  }

  static std::string_view SkipLine(Frame& f) {
    const size_t start = f.pos;
    size_t i = start;
    while (i < f.text.size() && f.text[i] != '\r' && f.text[i] != '\n') ++i;
    const std::string_view line = f.text.substr(start, i - start);
    if (i < f.text.size()) i += (f.text[i] == '\r' && i + 1 < f.text.size() && f.text[i + 1] == '\n') ? 2 : 1;
    f.pos = i;
    ++f.line;
    return line;
  }

  bool NextRaw(StreamLine* raw) {
    while (!frames_.empty()) {
      Frame& f = frames_.back();
      if (f.is_file && f.pos < f.text.size()) {
        *raw = {SkipLine(f), f.file, f.line, f.link};
        scratch_line_ = false;
        if (f.file == 0 && f.link < 0) stream_.main_lines = f.line;
        return true;
      }
      if (!f.is_file && f.next < f.macro->body.size()) {
        const MacroLine& b = f.macro->body[f.next++];
        scratch_.clear();
        SubstituteLine(b.text, Substitution{f.macro, &f.args, f.label, f.suffix, macro_assembler_}, &scratch_);
        *raw = {scratch_, b.file, b.line, f.link};
        scratch_line_ = true;
        expanded_ += scratch_.size() + 1;
        if (expanded_ > kMaxExpansionText) {
          Stop(*raw, std::string("macro calls have given more than ") + MegabytesText(kMaxExpansionText) +
                         " of lines (the limit for one assembly); does a macro call itself once too often?");
          return false;
        }
        return true;
      }
      if (frames_.size() == 1) return false;  // the main file stays for counting
      CloseConditionsOf(f);
      if (!f.is_file && f.block && NextRepetition(f)) continue;
      if (stopped_) return false;
      frames_.pop_back();
    }
    return false;
  }

  void CloseConditionsOf(const Frame& f) {
    while (conditions_.size() > f.conditions) {
      const Condition& c = conditions_.back();
      Report(c.where, 1,
             std::string(c.is_switch ? "SWITCH without ENDCASE" : "IF without ENDIF") + " in this " +
                 (f.is_file ? "file" : f.block ? "block" : "macro"));
      conditions_.pop_back();
    }
  }

  bool Active() const { return conditions_.empty() || conditions_.back().taking; }

  bool IsOperationHere(std::string_view word) const {
    return IsMnemonicOrDirective(word) || IsShift(word) || macros_.count(UpperCase(word)) != 0;
  }

  // "!WORD": the mnemonic or directive WORD even when a macro has its name.
  // The line is taken without the "!".
  bool TakeBypass(StreamLine* raw) {
    const std::string_view t = raw->text;
    size_t i = 0;
    if (i < t.size() && IsNameStart(t[i])) {
      while (i < t.size() && IsNameChar(t[i])) ++i;
      if (i < t.size() && t[i] == ':') ++i;
    }
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    if (i == 0 || i + 1 >= t.size() || t[i] != '!' || !IsNameStart(t[i + 1])) return false;
    std::string text(t);
    text[i] = ' ';
    raw->text = stream_.lines_text.Keep(text);
    scratch_line_ = false;
    return true;
  }

  void Take(StreamLine raw) {
    if (defining_) return Collect(raw);
    if (IsBlankLine(raw.text)) return;
    const bool bypass = TakeBypass(&raw);
    const SourceLine sl = ParseSourceLine(raw.text, raw.line, [this](std::string_view w) { return IsOperationHere(w); });
    const Directive d = sl.equate || !sl.error.empty() ? Directive::kNone : DirectiveOf(sl.operation.text);
    if (IsCondition(d)) return Conditional(raw, sl, d);
    if (!Active()) return;
    if (!bypass && CallByFirstWord(raw, sl)) return;
    if (d == Directive::kEndm) return Report(raw, sl.operation.column, "ENDM without MACRO, REPT, IRP, IRPC or WHILE");
    if (OpensBlock(d) || (d == Directive::kNone && DirectiveOf(FirstWord(sl.operand.text)) == Directive::kMacro &&
                          !sl.operation.text.empty() && sl.label.text.empty()))
      return BeginBlock(raw, sl, d);
    if (d == Directive::kExitm) return Exitm(raw, sl);
    if (d == Directive::kMaxnest) return Maxnest(raw, sl);
    if (d == Directive::kInclude) return Include(raw, sl);
    if (d == Directive::kNone && sl.error.empty() && !sl.equate && IsShift(sl.operation.text)) return Shift(raw, sl);
    if (!bypass && !sl.operation.text.empty() && !sl.equate && sl.error.empty() && MacroMayHide(d)) {
      const auto it = macros_.find(UpperCase(sl.operation.text));
      if (it != macros_.end()) {
        if (!it->second.intlabel) PassLabel(raw, sl);
        return Call(raw, sl.operation.column, sl.operand, it->first, it->second, sl.label.text);
      }
    }
    Remember(sl);
    Pass(raw);
    if (d == Directive::kEnd) End(raw);
  }

  // END in an included file or a macro still ends the whole assembly, as it
  // did; it is said, since the lines after the INCLUDE or the call are lost.
  void End(const StreamLine& raw) {
    ended_ = true;
    if (raw.link < 0) return;
    const Link& k = stream_.links[raw.link];
    Report(raw, 1,
           "END " + (k.macro.empty() ? "in the included file " + stream_.files[raw.file] : "in macro " + k.macro) +
               " ends the whole assembly: the lines after " + (k.macro.empty() ? "the INCLUDE" : "the call") + " at " +
               stream_.files[k.file] + ":" + std::to_string(k.line) + " are not assembled; remove this END",
           Severity::kWarning);
  }

  // "DO EQU, 5" or "DO LDI" when DO is a macro: a call of DO whose first
  // argument is a directive's or mnemonic's name, not a definition of DO.
  bool CallByFirstWord(const StreamLine& raw, const SourceLine& sl) {
    if (sl.label.text.empty() || macros_.empty()) return false;
    const auto it = macros_.find(UpperCase(sl.label.text));
    if (it == macros_.end()) return false;
    const size_t after = static_cast<size_t>(sl.label.column - 1) + sl.label.text.size();
    const size_t next = raw.text.find_first_not_of(" \t", after);
    if (next != std::string_view::npos && raw.text[next] == ':') return false;  // a label
    if (DirectiveOf(FirstWord(raw.text.substr(std::min(next, raw.text.size())))) == Directive::kMacro) return false;
    const std::string_view rest = raw.text.substr(after);
    const Piece operand = Trimmed(Piece{rest.substr(0, CommentStart(rest)), static_cast<int>(after) + 1});
    Call(raw, sl.label.column, operand, it->first, it->second, "");
    return true;
  }

  static std::string_view FirstWord(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && text[i] == '.') ++i;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    return text.substr(0, i);
  }

  void PassLabel(const StreamLine& raw, const SourceLine& sl) {
    if (sl.label.text.empty()) return;
    defined_.insert(NameKey(sl.label.text));
    PassKept({stream_.lines_text.Keep(std::string(sl.label.text) + ":"), raw.file, raw.line, raw.link});
  }

  // A line goes on to the passes; a substituted line is kept first.
  void Pass(const StreamLine& line) {
    if (!scratch_line_) return PassKept(line);
    StreamLine kept = line;
    kept.text = stream_.lines_text.Keep(line.text);
    PassKept(kept);
  }

  void PassKept(const StreamLine& line) {
    if (line.link >= 0 && stream_.links[static_cast<size_t>(line.link)].macro_depth > 0 &&
        ++generated_lines_ > kMaxGeneratedLines)
      return Stop(line, "macro calls and repeated blocks have given more than " + std::to_string(kMaxGeneratedLines) +
                            " lines (the limit for one assembly): does one repeat without end? The assembly stops here");
    stream_text_ += line.text.size() + 1;
    if (stream_text_ > kMaxStreamText || stream_.lines.size() >= kMaxStreamLines)
      return Stop(line, std::string("the source with its includes and macro calls gives more than ") +
                            (stream_text_ > kMaxStreamText ? MegabytesText(kMaxStreamText) + std::string(" of lines")
                                                           : std::to_string(kMaxStreamLines) + " lines") +
                            " to assemble (the limit for one assembly); the assembly stops here");
    stream_.lines.push_back(line);
  }

  // ---- Names a condition may read ----------------------------------------
  std::string NameKey(std::string_view name) const { return SymbolKey(name, order_); }

  void Remember(const SourceLine& sl) {
    if (sl.label.text.empty()) return;
    const std::string name = NameKey(sl.label.text);
    defined_.insert(name);
    if (!sl.equate || sl.definition == Directive::kFunction) return;
    int64_t v;
    if (EvaluateCondition(sl.operand.text, &v, nullptr)) constants_[name] = v;
    else constants_.erase(name);
  }

  bool EvaluateCondition(std::string_view text, int64_t* value, ExpressionFailure* failure) {
    ExpressionContext context;
    context.has_location = false;
    context.order = order_;
    context.lookup = [this](std::string_view name, int64_t* v, std::string* message) {
      const auto it = constants_.find(NameKey(name));
      if (it != constants_.end()) {
        *v = it->second;
        return LookupStatus::kFound;
      }
      *message = defined_.count(NameKey(name))
                     ? std::string(name) + " has no value before the passes; a condition reads only constants defined above it"
                     : std::string(name) + " is not defined above this line; a condition reads only constants defined before it";
      return LookupStatus::kFailed;
    };
    return EvaluateExpression(text, context, value, failure);
  }

  // A condition's truth: two texts compared, or an expression's value not 0.
  bool Truth(const StreamLine& raw, const Piece& operand) {
    bool yes = false;
    if (CompareTexts(operand.text, &yes)) return yes;
    int64_t v = 0;
    ExpressionFailure failure;
    if (!EvaluateCondition(operand.text, &v, &failure))
      Report(raw, operand.column + static_cast<int>(failure.offset), failure.message);
    return v != 0;
  }

  // ---- Conditions ---------------------------------------------------------
  // A label on an IF, ELSEIF, ELSE, ENDIF, SWITCH, CASE or ENDCASE line is
  // defined where the line stands, when the lines around the condition are
  // assembled.
  void Conditional(const StreamLine& raw, const SourceLine& sl, Directive d) {
    const bool middle = d == Directive::kElseif || d == Directive::kElse || d == Directive::kCase || d == Directive::kElsecase;
    const bool closes = d == Directive::kEndif || d == Directive::kEndcase;
    const bool opens = !middle && !closes;
    const bool around_active = opens ? Active() : conditions_.size() < 2 || conditions_[conditions_.size() - 2].taking;
    if (around_active) PassLabel(raw, sl);
    if (opens) return Open(raw, sl, d);
    const std::string word = UpperCase(sl.operation.text[0] == '.' ? sl.operation.text.substr(1) : sl.operation.text);
    const bool of_switch = d == Directive::kCase || d == Directive::kElsecase || d == Directive::kEndcase;
    if (conditions_.empty() || conditions_.size() <= CurrentFrameBase())
      return Report(raw, sl.operation.column, word + " without " + (of_switch ? "SWITCH" : "IF"));
    Condition& c = conditions_.back();
    if (c.is_switch != of_switch)
      return Report(raw, sl.operation.column,
                    word + " inside the " + (c.is_switch ? "SWITCH" : "IF") + " on line " + std::to_string(c.where.line) +
                        ": close it with " + (c.is_switch ? "ENDCASE" : "ENDIF") + " first");
    if (closes) {
      if (c.is_switch && !c.matched && !c.seen_else && around_active)
        Report(c.where, 1, "no CASE matches the SWITCH value, and there is no ELSECASE", Severity::kWarning);
      return conditions_.pop_back();
    }
    if (c.seen_else)
      return Report(raw, sl.operation.column,
                    word + " after the " + (c.is_switch ? "ELSECASE of the SWITCH" : "ELSE of the IF") + " on line " +
                        std::to_string(c.where.line));
    if (d == Directive::kElse || d == Directive::kElsecase || (d == Directive::kElseif && sl.operand.text.empty())) {
      c.seen_else = true;
      c.taking = !c.any_taken;
      c.any_taken = true;
      return;
    }
    if (c.any_taken) {
      c.taking = false;
      return;
    }
    c.taking = d == Directive::kElseif ? Truth(raw, sl.operand) : Matches(raw, sl.operand, c);
    c.any_taken = c.matched = c.taking;
  }

  void Open(const StreamLine& raw, const SourceLine& sl, Directive d) {
    Condition c;
    c.where = raw;
    c.is_switch = d == Directive::kSwitch;
    if (!Active()) {
      c.any_taken = true;  // no branch of an IF inside a skipped one is taken
      conditions_.push_back(c);
      return;
    }
    bool yes = false;
    const std::string_view operand = sl.operand.text;
    switch (d) {
      case Directive::kIfb: case Directive::kIfnb: {
        bool blank = true;  // every argument of the list is empty
        for (const Piece& p : SplitOperands(sl.operand))
          if (Unbracketed(Trimmed(p).text).find_first_not_of(" \t") != std::string::npos) blank = false;
        yes = (d == Directive::kIfb) == blank;
        break;
      }
      case Directive::kIfdef: case Directive::kIfndef:
        yes = (d == Directive::kIfdef) == (defined_.count(NameKey(operand)) != 0);
        break;
      case Directive::kIfused: case Directive::kIfnused:
        yes = (d == Directive::kIfused) == IsUsed(operand);
        break;
      case Directive::kIfexist: case Directive::kIfnexist:
        yes = (d == Directive::kIfexist) == Exists(raw, FileName(operand));
        break;
      case Directive::kSwitch:
        if (TextValue(operand, &c.text)) {
          c.text_value = true;
        } else {
          ExpressionFailure failure;
          if (!EvaluateCondition(operand, &c.value, &failure))
            Report(raw, sl.operand.column + static_cast<int>(failure.offset), failure.message);
        }
        c.taking = true;  // the lines before the first CASE are assembled
        conditions_.push_back(c);
        return;
      default:
        yes = Truth(raw, sl.operand);
    }
    c.taking = yes;
    c.any_taken = yes;
    conditions_.push_back(c);
  }

  // CASE v1, v2: one of the values is the SWITCH's.
  bool Matches(const StreamLine& raw, const Piece& operand, const Condition& c) {
    for (const Piece& p : SplitOperands(operand)) {
      if (c.text_value) {
        std::string text;
        if (TextValue(p.text, &text) && text == c.text) return true;
        continue;
      }
      int64_t v = 0;
      ExpressionFailure failure;
      if (!EvaluateCondition(p.text, &v, &failure)) {
        Report(raw, p.column + static_cast<int>(failure.offset), failure.message);
        continue;
      }
      if (v == c.value) return true;
    }
    return false;
  }

  size_t CurrentFrameBase() const { return frames_.back().conditions; }

  // IFUSED NAME: NAME is read by an operand of a line handed on so far.
  bool IsUsed(std::string_view name) {
    for (; used_scanned_ < stream_.lines.size(); ++used_scanned_) {
      const SourceLine sl = ParseSourceLine(stream_.lines[used_scanned_].text, 0, IsMnemonicOrDirective);
      const std::string_view t = sl.operand.text;
      for (size_t i = 0; i < t.size();) {
        if (!IsNameStart(t[i])) {
          ++i;
          continue;
        }
        size_t j = i;
        while (j < t.size() && IsNameChar(t[j])) ++j;
        used_.insert(NameKey(t.substr(i, j - i)));
        i = j;
      }
    }
    return used_.count(NameKey(Trimmed(Piece{name, 1}).text)) != 0;
  }

  // ---- Blocks: MACRO, REPT, IRP, IRPC, WHILE ... ENDM ------------------------
  const char* BlockWord() const {
    switch (macro_.kind) {
      case BlockKind::kRept: return "REPT";
      case BlockKind::kIrp: return "IRP";
      case BlockKind::kIrpc: return "IRPC";
      case BlockKind::kWhile: return "WHILE";
      default: return "MACRO";
    }
  }

  void BeginBlock(const StreamLine& raw, const SourceLine& sl, Directive d) {
    macro_ = Macro{};
    macro_.file = raw.file;
    macro_.line = raw.line;
    macro_start_ = raw;
    if (d != Directive::kMacro && d != Directive::kNone) {
      PassLabel(raw, sl);  // a label on a REPT line names the place it stands
      macro_.kind = d == Directive::kRept ? BlockKind::kRept
                    : d == Directive::kIrp ? BlockKind::kIrp
                    : d == Directive::kIrpc ? BlockKind::kIrpc
                                            : BlockKind::kWhile;
      block_operand_ = std::string(sl.operand.text);
      block_column_ = sl.operand.column;
      defining_ = true;
      nesting_ = 0;
      return;
    }
    std::string name;
    Piece params;
    if (d == Directive::kMacro && !sl.label.text.empty()) {
      name = std::string(sl.label.text);
      params = sl.operand;
    } else if (d == Directive::kMacro) {  // .MACRO NAME P1,P2
      const std::string_view word = FirstWord(sl.operand.text);
      name = std::string(word);
      params = Piece{sl.operand.text.substr(word.size()), sl.operand.column + static_cast<int>(word.size())};
    } else {  // NAME MACRO P1,P2 written with the name indented
      name = std::string(sl.operation.text);
      const size_t skip = FirstWord(sl.operand.text).size();
      params = Piece{sl.operand.text.substr(skip), sl.operand.column + static_cast<int>(skip)};
    }
    if (name.empty() || !IsNameStart(name[0])) return Report(raw, sl.operation.column, "MACRO needs a name: NAME MACRO P1,P2");
    const std::string fault = ParseParameters(params, &macro_);
    if (!fault.empty()) Report(raw, params.column, fault);
    if (IsMnemonic(name) || DirectiveOf(name) != Directive::kNone) {
      const bool mnemonic = IsMnemonic(name);
      if (mnemonic || MacroMayHide(DirectiveOf(name)))
        Report(raw, sl.operation.column,
               "the macro " + name + " hides the " + (mnemonic ? "mnemonic" : "directive") + " of that name (write !" +
                   UpperCase(name) + " for the " + (mnemonic ? "mnemonic" : "directive") + ")",
               Severity::kWarning);
      else
        Report(raw, sl.operation.column, name + " shapes the source (a condition, block, INCLUDE or END) and cannot be a macro's name");
    }
    macro_name_ = UpperCase(name);
    defining_ = true;
    nesting_ = 0;
  }

  // Blank and comment lines are left out of the body: they would be
  // dropped at every call.
  void Collect(const StreamLine& raw) {
    if (IsBlankLine(raw.text)) return;
    const SourceLine sl = ParseSourceLine(raw.text, raw.line, [this](std::string_view w) { return IsOperationHere(w); });
    const Directive d = sl.equate ? Directive::kNone : DirectiveOf(sl.operation.text);
    const bool opens = OpensBlock(d) || DirectiveOf(FirstWord(sl.operand.text)) == Directive::kMacro;
    if (d == Directive::kEndm && nesting_-- == 0) {
      defining_ = false;
      FindLocals();
      if (macro_.kind != BlockKind::kMacro) return UseBlock();
      if (macros_.count(macro_name_)) {
        const Macro& old = macros_[macro_name_];
        Report(macro_start_, 1,
               "the macro " + macro_name_ + " is already defined at " + stream_.files[old.file] + ":" + std::to_string(old.line));
      } else {
        macros_[macro_name_] = std::move(macro_);
      }
      return;
    }
    if (opens) ++nesting_;
    macro_.body.push_back({std::string(raw.text), raw.file, raw.line});
  }

  // The labels the body defines itself (not those of a block or macro
  // defined inside it, nor names made by EQU or SET, which stay global):
  // in the macro assembler's sources each use gets its own.
  void FindLocals() {
    if (!macro_assembler_ || macro_.global_symbols) return;
    int depth = 0;
    for (const MacroLine& b : macro_.body) {
      const SourceLine sl = ParseSourceLine(b.text, b.line, [this](std::string_view w) { return IsOperationHere(w); });
      const Directive d = sl.equate ? Directive::kNone : DirectiveOf(sl.operation.text);
      if (d == Directive::kEndm) --depth;
      const bool opens = OpensBlock(d) || DirectiveOf(FirstWord(sl.operand.text)) == Directive::kMacro;
      if (depth == 0 && !opens && !sl.equate && !sl.label.text.empty() && !IsLocalLabel(sl.label.text) &&
          !macros_.count(UpperCase(sl.label.text)) && !SameWord(sl.label.text, "__LABEL__")) {
        const bool is_param = std::any_of(macro_.params.begin(), macro_.params.end(),
                                          [&](const std::string& p) { return SameWord(p, sl.label.text); });
        const bool known = std::any_of(macro_.locals.begin(), macro_.locals.end(),
                                       [&](const std::string& l) { return SameWord(l, sl.label.text); });
        if (!is_param && !known) macro_.locals.emplace_back(sl.label.text);
      }
      if (opens) ++depth;
    }
  }

  std::string NextSuffix() { return "__" + std::to_string(++uses_); }

  int DepthOf(const StreamLine& raw) const { return raw.link < 0 ? 0 : stream_.links[raw.link].macro_depth; }

  int PushLink(const StreamLine& raw, const std::string& name) {
    stream_.links.push_back({raw.link, raw.file, raw.line, name, DepthOf(raw) + 1,
                             raw.link < 0 ? 0 : stream_.links[raw.link].include_depth});
    return static_cast<int>(stream_.links.size()) - 1;
  }

  void Call(const StreamLine& raw, int column, const Piece& operand, const std::string& name, const Macro& m,
            std::string_view label) {
    // Nesting that deep is a macro calling itself without end; one that
    // calls itself twice would go on doubling its lines, so the assembly
    // stops at once.
    if (DepthOf(raw) >= max_nest_)
      return Stop(raw, "macro calls nested deeper than " + std::to_string(max_nest_) + " (does " + name +
                           " call itself without end?); the assembly stops here",
                  column);
    Frame f;
    const std::string fault = BindArguments(m, operand, &f.args);
    if (!fault.empty()) return Report(raw, operand.column, fault);
    f.is_file = false;
    f.macro = &m;
    f.label = std::string(label);
    if (!m.locals.empty()) f.suffix = NextSuffix();
    f.link = PushLink(raw, name);
    f.conditions = conditions_.size();
    frames_.push_back(std::move(f));
  }

  // REPT n, IRP P,a,b,..., IRPC P,text, WHILE condition: the block's lines
  // are used where it stands, once for each repetition.
  void UseBlock() {
    const StreamLine where = macro_start_;
    Frame f;
    f.is_file = false;
    f.where = where;
    std::vector<Piece> pieces;
    for (const Piece& p : SplitOperands(Trimmed(Piece{block_operand_, block_column_})))
      if (p.text.size() >= 2 && p.text.front() == '{' && p.text.back() == '}') {
        const std::string fault = ParseParameters(p, &macro_);
        if (!fault.empty()) return Report(where, p.column, fault);
      } else {
        pieces.push_back(p);
      }
    if (macro_.global_symbols) macro_.locals.clear();
    switch (macro_.kind) {
      case BlockKind::kRept: {
        ExpressionFailure failure;
        if (pieces.size() != 1) return Report(where, block_column_, "REPT takes one count: REPT n");
        if (!EvaluateCondition(pieces[0].text, &f.repeats, &failure))
          return Report(where, pieces[0].column + static_cast<int>(failure.offset), failure.message);
        break;
      }
      case BlockKind::kIrp: case BlockKind::kIrpc: {
        const bool irp = macro_.kind == BlockKind::kIrp;
        if (pieces.empty() || FirstWord(pieces[0].text).size() != pieces[0].text.size() || pieces[0].text.empty())
          return Report(where, block_column_,
                        irp ? "IRP needs a name and values: IRP P, a, b, c" : "IRPC needs a name and a text: IRPC C, \"text\"");
        macro_.params = {std::string(pieces[0].text)};
        macro_.defaults = {""};
        if (irp) {
          for (size_t i = 1; i < pieces.size(); ++i) f.items.push_back(Unbracketed(pieces[i].text));
        } else {
          std::string_view text = pieces.size() > 1 ? pieces[1].text : std::string_view();
          if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
            text = text.substr(1, text.size() - 2);
          for (char c : text) f.items.emplace_back(1, c);
        }
        std::reverse(f.items.begin(), f.items.end());  // taken from the back
        break;
      }
      default:
        f.condition = block_operand_;
        f.condition_column = block_column_;
    }
    auto block = std::make_shared<Macro>(std::move(macro_));
    f.macro = block.get();
    f.block = std::move(block);
    f.next = f.macro->body.size();  // the first repetition starts at once
    if (DepthOf(where) >= max_nest_)
      return Stop(where, "blocks and macro calls nested deeper than " + std::to_string(max_nest_) + "; the assembly stops here");
    f.link = PushLink(where, BlockWord(f.macro->kind));
    f.conditions = conditions_.size();
    frames_.push_back(std::move(f));
  }

  static const char* BlockWord(BlockKind kind) {
    switch (kind) {
      case BlockKind::kRept: return "REPT";
      case BlockKind::kIrp: return "IRP";
      case BlockKind::kIrpc: return "IRPC";
      default: return "WHILE";
    }
  }

  // Starts the block's next repetition; false when it is done.
  bool NextRepetition(Frame& f) {
    switch (f.macro->kind) {
      case BlockKind::kRept:
        if (f.repeats-- <= 0) return false;
        break;
      case BlockKind::kIrp: case BlockKind::kIrpc:
        if (f.items.empty()) return false;
        f.args = {std::move(f.items.back())};
        f.items.pop_back();
        break;
      default:
        if (!Truth(f.where, Piece{f.condition, f.condition_column})) return false;
    }
    if (++repetitions_ > kMaxRepetitions) {
      Stop(f.where, std::string(BlockWord(f.macro->kind)) + " has repeated its lines more than " +
                        std::to_string(kMaxRepetitions) + " times in this assembly (the limit); does its condition ever turn false?");
      return false;
    }
    f.next = 0;
    f.suffix = f.macro->locals.empty() ? "" : NextSuffix();
    return true;
  }

  // EXITM: the innermost macro or block ends here; the conditions it opened
  // are closed with it.
  void Exitm(const StreamLine& raw, const SourceLine& sl) {
    size_t i = frames_.size();
    while (i-- > 1 && frames_[i].is_file) {
    }
    if (i == 0 || frames_[i].is_file) return Report(raw, sl.operation.column, "EXITM outside a macro or a REPT, IRP or WHILE block");
    conditions_.resize(std::min(conditions_.size(), frames_[i].conditions));
    frames_.resize(i);
  }

  // MAXNEST n: how deep macro calls may nest (0: as deep as the assembler's
  // own limit allows).
  void Maxnest(const StreamLine& raw, const SourceLine& sl) {
    int64_t v = 0;
    ExpressionFailure failure;
    if (!EvaluateCondition(sl.operand.text, &v, &failure))
      return Report(raw, sl.operand.column + static_cast<int>(failure.offset), failure.message);
    if (v < 0) return Report(raw, sl.operand.column, "MAXNEST takes a count of 0 or more");
    if (v == 0 || v > kMaxMacroDepth) {
      max_nest_ = kMaxMacroDepth;
      if (v != 0)
        Report(raw, sl.operand.column, "macro calls nest at most " + std::to_string(kMaxMacroDepth) + " deep here",
               Severity::kNote);
      return;
    }
    max_nest_ = static_cast<int>(v);
  }

  // SHIFT: the macro's arguments move up one place; the first is dropped.
  void Shift(const StreamLine& raw, const SourceLine& sl) {
    Frame& f = frames_.back();
    if (f.is_file) return Report(raw, sl.operation.column, "SHIFT outside a macro: it moves a macro's arguments up one place");
    if (!sl.operand.text.empty()) return Report(raw, sl.operand.column, "SHIFT takes no operand");
    if (!f.args.empty()) f.args.erase(f.args.begin());
  }

  // ---- Includes ---------------------------------------------------------------
  static std::string_view FileName(std::string_view name) {
    name = Trimmed(Piece{name, 1}).text;
    if (name.size() >= 2 && ((name.front() == '"' && name.back() == '"') || (name.front() == '<' && name.back() == '>') ||
                             (name.front() == '\'' && name.back() == '\'')))
      name = name.substr(1, name.size() - 2);
    return name;
  }

  std::string PathOf(const StreamLine& raw, std::string_view name) const {
    return name[0] == '/' ? std::string(name) : FolderOf(stream_.files[raw.file]) + std::string(name);
  }

  static bool HasExtension(std::string_view name) {
    const size_t slash = name.find_last_of('/');
    return name.find('.', slash == std::string_view::npos ? 0 : slash + 1) != std::string_view::npos;
  }

  // The file INCLUDE NAME reads: NAME.inc (or NAME.INC) when NAME has no
  // extension and that file is there, else NAME.
  std::string IncludePath(const StreamLine& raw, std::string_view name) {
    const std::string path = PathOf(raw, name);
    if (!HasExtension(name))
      for (const char* extension : {".inc", ".INC"})
        if (Readable(path + extension)) return path + extension;
    return path;
  }

  // IFEXIST NAME: the file INCLUDE NAME would read is there.
  bool Exists(const StreamLine& raw, std::string_view name) { return !name.empty() && Readable(IncludePath(raw, name)); }

  // The file can be read (what reading it costs counts as read by INCLUDE).
  bool Readable(const std::string& path) {
    if (IdentifyFile(path).size >= 0) return true;
    std::string text, error;
    if (!reader_ || included_ >= kMaxIncludedText || !reader_(path, &text, &error)) return false;
    included_ += text.size();
    return true;
  }

  void Include(const StreamLine& raw, const SourceLine& sl) {
    const std::string_view name = FileName(sl.operand.text);
    if (name.empty()) return Report(raw, sl.operation.column, "INCLUDE needs a file name: INCLUDE \"file.s\"");
    if (!reader_) return Report(raw, sl.operand.column, "INCLUDE cannot read files here; assemble the file with scmp-asm or in the window");
    const std::string path = IncludePath(raw, name);
    const int depth = raw.link < 0 ? 0 : stream_.links[raw.link].include_depth;
    if (depth >= kMaxIncludeDepth)
      return Report(raw, sl.operand.column, "includes nested deeper than " + std::to_string(kMaxIncludeDepth));
    const FileIdentity identity = IdentifyFile(path);
    for (int f = raw.file, l = raw.link;; f = stream_.links[l].file, l = stream_.links[l].parent) {
      if (identities_[f] == identity.id)
        return Report(raw, sl.operand.column, path + " includes itself (an include cycle); remove one of the INCLUDE lines");
      if (l < 0) break;
    }
    const std::string over = std::string("INCLUDE ") + path + " would read more than " + MegabytesText(kMaxIncludedText) +
                             " of included files in all (the limit for one assembly); the assembly stops here";
    if (identity.size >= 0 && included_ + static_cast<size_t>(identity.size) > kMaxIncludedText) return Stop(raw, over);
    std::string text, error;
    if (!reader_(path, &text, &error))
      return Report(raw, sl.operand.column,
                    error.find(path) != std::string::npos ? error : "cannot include " + path + ": " + error);
    if (text.find('\0') != std::string::npos) return Report(raw, sl.operand.column, path + " is a binary file, not assembler source");
    included_ += text.size();
    if (included_ > kMaxIncludedText) return Stop(raw, over);
    stream_.files.push_back(path);
    identities_.push_back(identity.id);
    stream_.links.push_back({raw.link, raw.file, raw.line, "", raw.link < 0 ? 0 : stream_.links[raw.link].macro_depth, depth + 1});
    stream_.storage.push_back(std::move(text));
    Frame f;
    f.text = stream_.storage.back();
    f.file = static_cast<int>(stream_.files.size()) - 1;
    f.link = static_cast<int>(stream_.links.size()) - 1;
    f.conditions = conditions_.size();
    frames_.push_back(std::move(f));
  }

  const IncludeReader& reader_;
  Stream stream_;
  OperatorOrder order_ = OperatorOrder::kC;  // conditions bind as the passes do
  bool macro_assembler_ = false;             // the source is the macro assembler's (it has a CPU line)
  std::vector<std::string> identities_;  // of each file in stream_.files
  std::vector<Frame> frames_;
  std::vector<Condition> conditions_;
  std::map<std::string, Macro> macros_;
  std::map<std::string, int64_t> constants_;
  std::set<std::string> defined_;
  std::set<std::string> used_;  // names read by the lines handed on (for IFUSED)
  size_t used_scanned_ = 0;
  Macro macro_;
  std::string macro_name_;
  std::string block_operand_;  // REPT, IRP, IRPC, WHILE: what the first line says
  int block_column_ = 1;
  StreamLine macro_start_;
  std::string scratch_;        // the macro line being taken
  bool scratch_line_ = false;  // the line being taken is in scratch_
  bool defining_ = false;
  int nesting_ = 0;
  int max_nest_ = kMaxMacroDepth;
  size_t uses_ = 0;         // macro calls and repetitions with labels of their own
  size_t repetitions_ = 0;  // of REPT, IRP, IRPC, WHILE blocks
  size_t expanded_ = 0;     // bytes macro calls substituted
  size_t included_ = 0;     // bytes INCLUDE read
  size_t stream_text_ = 0;  // bytes handed on
  size_t generated_lines_ = 0;  // lines handed on from macro calls and repeated blocks
  bool ended_ = false;
  bool stopped_ = false;  // by a limit
};

}  // namespace

Stream RunSourceStage(std::string_view main, const std::string& main_file, const IncludeReader& read_include,
                      const std::vector<Predefined>& predefined) {
  return Stage(read_include).Run(main, main_file, predefined);
}

int MainLineOf(const Stream& stream, const StreamLine& line) {
  if (line.link < 0) return line.line;
  int l = line.link;
  while (stream.links[l].parent >= 0) l = stream.links[l].parent;
  return stream.links[l].line;
}

// A chain deeper than this is shown by its two ends: a macro that calls
// itself a hundred times gives a line, not a page.
constexpr size_t kChainEnds = 2;

namespace {

std::vector<int> ChainOf(const Stream& stream, int link) {
  std::vector<int> chain;  // innermost first
  for (int l = link; l >= 0; l = stream.links[l].parent) chain.push_back(l);
  return chain;
}

}  // namespace

std::vector<CallSite> CallSitesOf(const Stream& stream, int link) {
  const std::vector<int> chain = ChainOf(stream, link);
  std::vector<CallSite> sites;
  for (size_t i = chain.size(); i-- > 0;) {
    if (i >= kChainEnds && i + kChainEnds < chain.size()) continue;
    const Link& k = stream.links[chain[i]];
    sites.push_back({stream.files[k.file], k.line, k.macro});
  }
  return sites;
}

std::string OriginNote(const Stream& stream, int link) {
  const std::vector<int> chain = ChainOf(stream, link);
  std::string note;
  for (size_t i = 0; i < chain.size(); ++i) {
    if (i == kChainEnds && chain.size() > 2 * kChainEnds) {
      note += ", through " + std::to_string(chain.size() - 2 * kChainEnds) + " more calls";
      i = chain.size() - kChainEnds - 1;
      continue;
    }
    const Link& k = stream.links[chain[i]];
    note += (k.macro.empty() ? ", included from " : ", in macro " + k.macro + " called at ") + stream.files[k.file] + ":" +
            std::to_string(k.line);
  }
  return note;
}

}  // namespace scmp::assembler
