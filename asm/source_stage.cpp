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
// after it, and a body costs nothing until its lines are taken).
struct Frame {
  std::string_view text;  // files
  size_t pos = 0;
  int file = 0;
  int line = 0;
  const Macro* macro = nullptr;   // macros
  std::vector<std::string> args;  // what the call still passes (SHIFT drops the first)
  size_t next = 0;
  int link = -1;
  size_t conditions = 0;  // the depth of the condition stack when it began
  bool is_file = true;
};

struct Condition {
  bool taking = false;      // this branch's lines are assembled
  bool any_taken = false;   // some branch was taken (or the outer one is off)
  bool seen_else = false;
  StreamLine where;
};

class Stage {
 public:
  Stage(const IncludeReader& reader) : reader_(reader) {}

  Stream Run(std::string_view main, const std::string& main_file, const std::vector<Predefined>& predefined) {
    stream_.files.push_back(main_file);
    order_ = OperatorOrderOf(main);
    identities_.push_back(IdentifyFile(main_file).id);
    Predefine(predefined);
    Frame f;
    f.text = main;
    frames_.push_back(std::move(f));
    StreamLine raw;
    while (!ended_ && NextRaw(&raw)) Take(raw);
    if (stopped_) return std::move(stream_);
    if (defining_) Report(macro_start_, 1, "MACRO without ENDM: the macro runs to the end of the file");
    while (!conditions_.empty()) {
      Report(conditions_.back().where, 1, "IF without ENDIF");
      conditions_.pop_back();
    }
    return std::move(stream_);
  }

 private:
  void Report(const StreamLine& where, int column, std::string message, Severity severity = Severity::kError) {
    stream_.messages.push_back({stream_.lines.size(), where, column, severity, std::move(message)});
  }

  // A limit of work was reached: the error, and nothing more is read.
  void Stop(const StreamLine& where, std::string message) {
    Report(where, 1, std::move(message));
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
        SubstituteLine(b.text, *f.macro, f.args, &scratch_);
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
      while (conditions_.size() > f.conditions) {
        Report(conditions_.back().where, 1, "IF without ENDIF in this " + std::string(f.is_file ? "file" : "macro"));
        conditions_.pop_back();
      }
      frames_.pop_back();
    }
    return false;
  }

  bool Active() const { return conditions_.empty() || conditions_.back().taking; }

  bool IsOperationHere(std::string_view word) const {
    return IsMnemonicOrDirective(word) || IsShift(word) || macros_.count(UpperCase(word)) != 0;
  }

  void Take(const StreamLine& raw) {
    if (defining_) return Collect(raw);
    if (IsBlankLine(raw.text)) return;
    const SourceLine sl = ParseSourceLine(raw.text, raw.line, [this](std::string_view w) { return IsOperationHere(w); });
    const Directive d = sl.equate || !sl.error.empty() ? Directive::kNone : DirectiveOf(sl.operation.text);
    if (IsCondition(d)) return Conditional(raw, sl, d);
    if (!Active()) return;
    if (CallByFirstWord(raw, sl)) return;
    if (d == Directive::kEndm) return Report(raw, sl.operation.column, "ENDM without MACRO");
    if (d == Directive::kMacro || (d == Directive::kNone && DirectiveOf(FirstWord(sl.operand.text)) == Directive::kMacro &&
                                   !sl.operation.text.empty() && sl.label.text.empty()))
      return BeginMacro(raw, sl, d);
    if (d == Directive::kInclude) return Include(raw, sl);
    if (d == Directive::kNone && sl.error.empty() && !sl.equate && IsShift(sl.operation.text)) return Shift(raw, sl);
    if (!sl.operation.text.empty() && !sl.equate && sl.error.empty()) {
      const auto it = macros_.find(UpperCase(sl.operation.text));
      if (it != macros_.end() && d == Directive::kNone && !IsMnemonic(sl.operation.text)) {
        PassLabel(raw, sl);
        return Call(raw, sl.operation.column, sl.operand, it->first, it->second);
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
    Call(raw, sl.label.column, operand, it->first, it->second);
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
    defined_.insert(std::string(sl.label.text));
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
    stream_text_ += line.text.size() + 1;
    if (stream_text_ > kMaxStreamText || stream_.lines.size() >= kMaxStreamLines)
      return Stop(line, std::string("the source with its includes and macro calls gives more than ") +
                            (stream_text_ > kMaxStreamText ? MegabytesText(kMaxStreamText) + std::string(" of lines")
                                                           : std::to_string(kMaxStreamLines) + " lines") +
                            " to assemble (the limit for one assembly); the assembly stops here");
    stream_.lines.push_back(line);
  }

  // ---- Names a condition may read ----------------------------------------
  void Remember(const SourceLine& sl) {
    if (sl.label.text.empty()) return;
    const std::string name(sl.label.text);
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
      const auto it = constants_.find(std::string(name));
      if (it != constants_.end()) {
        *v = it->second;
        return LookupStatus::kFound;
      }
      *message = defined_.count(std::string(name))
                     ? std::string(name) + " has no value before the passes; a condition reads only constants defined above it"
                     : std::string(name) + " is not defined above this line; a condition reads only constants defined before it";
      return LookupStatus::kFailed;
    };
    return EvaluateExpression(text, context, value, failure);
  }

  // ---- Conditions ---------------------------------------------------------
  // A label on an IF, ELSE or ENDIF line is defined where the line stands,
  // when the lines around the condition are assembled.
  void Conditional(const StreamLine& raw, const SourceLine& sl, Directive d) {
    const bool opens = d != Directive::kElse && d != Directive::kEndif;
    const bool around_active = opens ? Active() : conditions_.size() < 2 || conditions_[conditions_.size() - 2].taking;
    if (around_active) PassLabel(raw, sl);
    if (!opens) {
      if (conditions_.empty() || conditions_.size() <= CurrentFrameBase())
        return Report(raw, sl.operation.column, std::string(d == Directive::kElse ? "ELSE" : "ENDIF") + " without IF");
      Condition& c = conditions_.back();
      if (d == Directive::kEndif) return conditions_.pop_back();
      if (c.seen_else) return Report(raw, sl.operation.column, "a second ELSE for the IF on line " + std::to_string(c.where.line));
      c.seen_else = true;
      c.taking = !c.any_taken;
      c.any_taken = true;
      return;
    }
    Condition c;
    c.where = raw;
    if (!Active()) {
      c.any_taken = true;  // no branch of an IF inside a skipped one is taken
      conditions_.push_back(c);
      return;
    }
    bool yes = false;
    const std::string_view operand = sl.operand.text;
    if (d == Directive::kIfb || d == Directive::kIfnb) {
      const std::string arg = Unbracketed(operand);
      const bool blank = arg.find_first_not_of(" \t") == std::string::npos;
      yes = (d == Directive::kIfb) == blank;
    } else if (d == Directive::kIfdef || d == Directive::kIfndef) {
      yes = (d == Directive::kIfdef) == (defined_.count(std::string(operand)) != 0);
    } else {
      int64_t v = 0;
      ExpressionFailure failure;
      if (!EvaluateCondition(operand, &v, &failure))
        Report(raw, sl.operand.column + static_cast<int>(failure.offset), failure.message);
      yes = v != 0;
    }
    c.taking = yes;
    c.any_taken = yes;
    conditions_.push_back(c);
  }

  size_t CurrentFrameBase() const { return frames_.back().conditions; }

  // ---- Macros ---------------------------------------------------------------
  void BeginMacro(const StreamLine& raw, const SourceLine& sl, Directive d) {
    std::string name;
    std::string_view params_text;
    if (d == Directive::kMacro && !sl.label.text.empty()) {
      name = std::string(sl.label.text);
      params_text = sl.operand.text;
    } else if (d == Directive::kMacro) {  // .MACRO NAME P1,P2
      const std::string_view word = FirstWord(sl.operand.text);
      name = std::string(word);
      params_text = sl.operand.text.substr(word.size());
    } else {  // NAME MACRO P1,P2 written with the name indented
      name = std::string(sl.operation.text);
      params_text = sl.operand.text.substr(FirstWord(sl.operand.text).size());
    }
    if (name.empty() || !IsNameStart(name[0])) return Report(raw, sl.operation.column, "MACRO needs a name: NAME MACRO P1,P2");
    macro_ = Macro{};
    macro_.file = raw.file;
    macro_.line = raw.line;
    for (const Piece& p : SplitOperands(Trimmed(Piece{params_text, 1})))
      if (!p.text.empty()) macro_.params.emplace_back(p.text);
    if (IsMnemonic(name)) Report(raw, sl.operation.column, "the macro " + name + " hides the mnemonic of that name", Severity::kWarning);
    macro_name_ = UpperCase(name);
    macro_start_ = raw;
    defining_ = true;
    nesting_ = 0;
  }

  // Blank and comment lines are left out of the body: they would be
  // dropped at every call.
  void Collect(const StreamLine& raw) {
    if (IsBlankLine(raw.text)) return;
    const SourceLine sl = ParseSourceLine(raw.text, raw.line, [this](std::string_view w) { return IsOperationHere(w); });
    const Directive d = sl.equate ? Directive::kNone : DirectiveOf(sl.operation.text);
    const bool opens = d == Directive::kMacro || DirectiveOf(FirstWord(sl.operand.text)) == Directive::kMacro;
    if (d == Directive::kEndm && nesting_-- == 0) {
      if (macros_.count(macro_name_)) {
        const Macro& old = macros_[macro_name_];
        Report(macro_start_, 1,
               "the macro " + macro_name_ + " is already defined at " + stream_.files[old.file] + ":" + std::to_string(old.line));
      } else {
        macros_[macro_name_] = std::move(macro_);
      }
      defining_ = false;
      return;
    }
    if (opens) ++nesting_;
    macro_.body.push_back({std::string(raw.text), raw.file, raw.line});
  }

  void Call(const StreamLine& raw, int column, const Piece& operand, const std::string& name, const Macro& m) {
    const int depth = raw.link < 0 ? 0 : stream_.links[raw.link].macro_depth;
    if (depth >= kMaxMacroDepth)
      return Report(raw, column, "macro calls nested deeper than " + std::to_string(kMaxMacroDepth) + " (does " + name +
                                     " call itself without end?)");
    Link link{raw.link, raw.file, raw.line, name, depth + 1, raw.link < 0 ? 0 : stream_.links[raw.link].include_depth};
    stream_.links.push_back(std::move(link));
    Frame f;
    f.is_file = false;
    f.macro = &m;
    f.args = MacroArguments(operand);
    f.link = static_cast<int>(stream_.links.size()) - 1;
    f.conditions = conditions_.size();
    frames_.push_back(std::move(f));
  }

  // SHIFT: the macro's arguments move up one place; the first is dropped.
  void Shift(const StreamLine& raw, const SourceLine& sl) {
    Frame& f = frames_.back();
    if (f.is_file) return Report(raw, sl.operation.column, "SHIFT outside a macro: it moves a macro's arguments up one place");
    if (!sl.operand.text.empty()) return Report(raw, sl.operand.column, "SHIFT takes no operand");
    if (!f.args.empty()) f.args.erase(f.args.begin());
  }

  // ---- Includes ---------------------------------------------------------------
  void Include(const StreamLine& raw, const SourceLine& sl) {
    std::string_view name = sl.operand.text;
    if (name.size() >= 2 && ((name.front() == '"' && name.back() == '"') || (name.front() == '<' && name.back() == '>') ||
                             (name.front() == '\'' && name.back() == '\'')))
      name = name.substr(1, name.size() - 2);
    if (name.empty()) return Report(raw, sl.operation.column, "INCLUDE needs a file name: INCLUDE \"file.s\"");
    if (!reader_) return Report(raw, sl.operand.column, "INCLUDE cannot read files here; assemble the file with scmp-asm or in the window");
    const std::string path = name[0] == '/' ? std::string(name) : FolderOf(stream_.files[raw.file]) + std::string(name);
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
  std::vector<std::string> identities_;  // of each file in stream_.files
  std::vector<Frame> frames_;
  std::vector<Condition> conditions_;
  std::map<std::string, Macro> macros_;
  std::map<std::string, int64_t> constants_;
  std::set<std::string> defined_;
  Macro macro_;
  std::string macro_name_;
  StreamLine macro_start_;
  std::string scratch_;        // the macro line being taken
  bool scratch_line_ = false;  // the line being taken is in scratch_
  bool defining_ = false;
  int nesting_ = 0;
  size_t expanded_ = 0;     // bytes macro calls substituted
  size_t included_ = 0;     // bytes INCLUDE read
  size_t stream_text_ = 0;  // bytes handed on
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
