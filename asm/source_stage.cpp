#include "asm/source_stage.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "asm/dialect.h"
#include "asm/directive.h"
#include "asm/expression.h"
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

// Replaces each whole-word parameter name in `text` by its argument.
std::string Substitute(std::string_view text, const std::vector<std::string>& params,
                       const std::vector<std::string>& args) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (!IsNameStart(text[i])) {
      out += text[i++];
      continue;
    }
    size_t j = i;
    while (j < text.size() && IsNameChar(text[j])) ++j;
    const std::string_view word = text.substr(i, j - i);
    const auto it = std::find_if(params.begin(), params.end(),
                                 [&](const std::string& p) { return UpperCase(p) == UpperCase(word); });
    if (it == params.end()) out += word;
    else {
      const size_t n = static_cast<size_t>(it - params.begin());
      if (n < args.size()) out += args[n];
    }
    i = j;
  }
  return out;
}

// "<a,b>" stands for "a,b" in a macro argument.
std::string Argument(std::string_view text) {
  if (text.size() >= 2 && text.front() == '<' && text.back() == '>') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

struct BodyLine {
  std::string text;
  int file = 0;
  int line = 0;
  int link = -1;
};

struct Macro {
  std::vector<std::string> params;
  std::vector<BodyLine> body;
  int file = 0;
  int line = 0;
};

// A source of lines: a file's text read line by line, or a macro's
// expansion.
struct Frame {
  std::string_view text;  // files
  size_t pos = 0;
  int file = 0;
  int line = 0;
  std::vector<StreamLine> expansion;  // macros: texts kept in the stream's storage
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

  Stream Run(std::string_view main, const std::string& main_file) {
    stream_.files.push_back(main_file);
    order_ = OperatorOrderOf(main);
    Frame f;
    f.text = main;
    frames_.push_back(std::move(f));
    StreamLine raw;
    while (!ended_ && NextRaw(&raw)) Take(raw);
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
        if (f.file == 0 && f.link < 0) stream_.main_lines = f.line;
        return true;
      }
      if (!f.is_file && f.next < f.expansion.size()) {
        *raw = f.expansion[f.next++];
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
    return IsMnemonicOrDirective(word) || macros_.count(UpperCase(word)) != 0;
  }

  void Take(const StreamLine& raw) {
    if (defining_) return Collect(raw);
    if (IsBlankLine(raw.text)) return;
    const SourceLine sl = ParseSourceLine(raw.text, raw.line, [this](std::string_view w) { return IsOperationHere(w); });
    const Directive d = sl.equate || !sl.error.empty() ? Directive::kNone : DirectiveOf(sl.operation.text);
    if (IsCondition(d)) return Conditional(raw, sl, d);
    if (!Active()) return;
    if (d == Directive::kEndm) return Report(raw, sl.operation.column, "ENDM without MACRO");
    if (d == Directive::kMacro || (d == Directive::kNone && DirectiveOf(FirstWord(sl.operand.text)) == Directive::kMacro &&
                                   !sl.operation.text.empty() && sl.label.text.empty()))
      return BeginMacro(raw, sl, d);
    if (d == Directive::kInclude) return Include(raw, sl);
    if (!sl.operation.text.empty() && !sl.equate && sl.error.empty()) {
      const auto it = macros_.find(UpperCase(sl.operation.text));
      if (it != macros_.end() && d == Directive::kNone && !IsMnemonic(sl.operation.text)) {
        if (!sl.label.text.empty()) Pass({Store(std::string(sl.label.text) + ":"), raw.file, raw.line, raw.link});
        return Call(raw, sl, it->first, it->second);
      }
    }
    Remember(sl);
    Pass(raw);
    if (d == Directive::kEnd) ended_ = true;
  }

  static std::string_view FirstWord(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && text[i] == '.') ++i;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    return text.substr(0, i);
  }

  std::string_view Store(std::string text) {
    stream_.storage.push_back(std::move(text));
    return stream_.storage.back();
  }

  void Pass(const StreamLine& line) { stream_.lines.push_back(line); }

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
  void Conditional(const StreamLine& raw, const SourceLine& sl, Directive d) {
    if (d == Directive::kElse || d == Directive::kEndif) {
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
      const std::string arg = Argument(operand);
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

  void Collect(const StreamLine& raw) {
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
    macro_.body.push_back({std::string(raw.text), raw.file, raw.line, raw.link});
  }

  void Call(const StreamLine& raw, const SourceLine& sl, const std::string& name, const Macro& m) {
    int depth = 0;
    for (int l = raw.link; l >= 0; l = stream_.links[l].parent)
      if (!stream_.links[l].macro.empty()) ++depth;
    if (depth >= kMaxMacroDepth)
      return Report(raw, sl.operation.column, "macro calls nested deeper than " + std::to_string(kMaxMacroDepth) +
                                                  " (does " + name + " call itself without end?)");
    std::vector<std::string> args;
    if (!sl.operand.text.empty())
      for (const Piece& p : SplitOperands(sl.operand)) args.push_back(Argument(p.text));
    if (args.size() > m.params.size())
      return Report(raw, sl.operand.column, name + " takes " + std::to_string(m.params.size()) + " arguments, not " +
                                                std::to_string(args.size()));
    expanded_ += m.body.size();
    if (expanded_ > kMaxExpandedLines)
      return Report(raw, sl.operation.column, "macro expansions give more than " + std::to_string(kMaxExpandedLines) + " lines");
    stream_.links.push_back({raw.link, raw.file, raw.line, name});
    Frame f;
    f.is_file = false;
    f.link = static_cast<int>(stream_.links.size()) - 1;
    f.conditions = conditions_.size();
    for (const BodyLine& b : m.body)
      f.expansion.push_back({Store(Substitute(b.text, m.params, args)), b.file, b.line, f.link});
    frames_.push_back(std::move(f));
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
    int depth = 0;
    for (int l = raw.link; l >= 0; l = stream_.links[l].parent)
      if (stream_.links[l].macro.empty()) ++depth;
    if (depth >= kMaxIncludeDepth)
      return Report(raw, sl.operand.column, "includes nested deeper than " + std::to_string(kMaxIncludeDepth));
    for (int f = raw.file, l = raw.link;; f = stream_.links[l].file, l = stream_.links[l].parent) {
      if (stream_.files[f] == path)
        return Report(raw, sl.operand.column, path + " includes itself (an include cycle); remove one of the INCLUDE lines");
      if (l < 0) break;
    }
    std::string text, error;
    if (!reader_(path, &text, &error))
      return Report(raw, sl.operand.column,
                    error.find(path) != std::string::npos ? error : "cannot include " + path + ": " + error);
    if (text.find('\0') != std::string::npos) return Report(raw, sl.operand.column, path + " is a binary file, not assembler source");
    stream_.files.push_back(path);
    stream_.links.push_back({raw.link, raw.file, raw.line, ""});
    Frame f;
    f.text = Store(std::move(text));
    f.file = static_cast<int>(stream_.files.size()) - 1;
    f.link = static_cast<int>(stream_.links.size()) - 1;
    f.conditions = conditions_.size();
    frames_.push_back(std::move(f));
  }

  const IncludeReader& reader_;
  Stream stream_;
  OperatorOrder order_ = OperatorOrder::kC;  // conditions bind as the passes do
  std::vector<Frame> frames_;
  std::vector<Condition> conditions_;
  std::map<std::string, Macro> macros_;
  std::map<std::string, int64_t> constants_;
  std::set<std::string> defined_;
  Macro macro_;
  std::string macro_name_;
  StreamLine macro_start_;
  bool defining_ = false;
  int nesting_ = 0;
  size_t expanded_ = 0;
  bool ended_ = false;
};

}  // namespace

Stream RunSourceStage(std::string_view main, const std::string& main_file, const IncludeReader& read_include) {
  return Stage(read_include).Run(main, main_file);
}

int MainLineOf(const Stream& stream, const StreamLine& line) {
  if (line.link < 0) return line.line;
  int l = line.link;
  while (stream.links[l].parent >= 0) l = stream.links[l].parent;
  return stream.links[l].line;
}

std::vector<CallSite> CallSitesOf(const Stream& stream, int link) {
  std::vector<CallSite> sites;
  for (int l = link; l >= 0; l = stream.links[l].parent)
    sites.insert(sites.begin(), {stream.files[stream.links[l].file], stream.links[l].line, stream.links[l].macro});
  return sites;
}

std::string OriginNote(const Stream& stream, int link) {
  std::string note;
  for (int l = link; l >= 0; l = stream.links[l].parent) {
    const Link& k = stream.links[l];
    note += (k.macro.empty() ? ", included from " : ", in macro " + k.macro + " called at ") + stream.files[k.file] + ":" +
            std::to_string(k.line);
  }
  return note;
}

}  // namespace scmp::assembler
