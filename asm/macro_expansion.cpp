#include "asm/macro_expansion.h"

#include <cctype>

#include "asm/directive.h"
#include "asm/expression.h"

namespace scmp::assembler {

namespace {

// The options a parameter list may hold in braces. Only GLOBALSYMBOLS and
// INTLABEL change what is assembled; the others steer the listing, the
// sections or a file of macros, and change no byte.
constexpr const char* kListingOptions[] = {"EXPAND", "NOEXPAND", "EXPIF",  "NOEXPIF", "EXPMACRO", "NOEXPMACRO",
                                           "EXPREST", "NOEXPREST", "EXPORT", "NOEXPORT", "PUBLIC",   "GLOBAL"};

std::string Option(std::string_view text, Macro* macro) {
  std::string word = UpperCase(Trimmed(Piece{text, 1}).text);
  const size_t colon = word.find(':');  // PUBLIC:section, GLOBAL:section
  if (colon != std::string::npos) word.resize(colon);
  if (word == "GLOBALSYMBOLS" || word == "NOGLOBALSYMBOLS") macro->global_symbols = word == "GLOBALSYMBOLS";
  else if (word == "INTLABEL" || word == "NOINTLABEL") macro->intlabel = word == "INTLABEL";
  else {
    for (const char* known : kListingOptions)
      if (word == known) return "";
    return "unknown macro option {" + std::string(Trimmed(Piece{text, 1}).text) +
           "}: the options are GLOBALSYMBOLS, INTLABEL, EXPAND and the listing's others";
  }
  return "";
}

bool IsName(std::string_view word) {
  if (word.empty() || !IsNameStart(word[0])) return false;
  for (char c : word)
    if (!IsNameChar(c)) return false;
  return true;
}

// NAME=value: the name's length, or 0 when `text` is no such form ("A==B"
// is a comparison).
size_t KeywordLength(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsNameChar(text[i])) ++i;
  if (i == 0 || !IsNameStart(text[0])) return 0;
  size_t j = i;
  while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
  if (j >= text.size() || text[j] != '=' || (j + 1 < text.size() && text[j + 1] == '=')) return 0;
  return i;
}

int ParamIndex(const Macro& macro, std::string_view word) {  // by name, in any case
  for (size_t n = 0; n < macro.params.size(); ++n)
    if (SameWord(macro.params[n], word)) return static_cast<int>(n);
  return -1;
}

const std::string* LocalNamed(const Macro& macro, std::string_view word) {
  for (const std::string& local : macro.locals)
    if (SameWord(local, word)) return &local;
  return nullptr;
}

}  // namespace

std::string Unbracketed(std::string_view text) {
  if (text.size() >= 2 && text.front() == '<' && text.back() == '>') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

std::string ParseParameters(const Piece& list, Macro* macro) {
  if (Trimmed(list).text.empty()) return "";
  for (const Piece& p : SplitOperands(Trimmed(list))) {
    const std::string_view text = p.text;
    if (text.empty()) continue;
    if (text.front() == '{' && text.back() == '}') {
      const std::string fault = Option(text.substr(1, text.size() - 2), macro);
      if (!fault.empty()) return fault;
      continue;
    }
    const size_t equals = KeywordLength(text);
    const std::string_view name = equals ? text.substr(0, equals) : text;
    if (!IsName(name)) return "\"" + std::string(text) + "\" is no parameter name: write NAME or NAME=default";
    if (ParamIndex(*macro, name) >= 0) return "the parameter " + std::string(name) + " is named twice";
    macro->params.emplace_back(name);
    macro->defaults.emplace_back(
        equals ? Trimmed(Piece{text.substr(text.find('=', equals) + 1), 1}).text : std::string_view());
  }
  return "";
}

std::string BindArguments(const Macro& macro, const Piece& operand, std::vector<std::string>* args) {
  args->clear();
  std::vector<bool> named(macro.params.size(), false);
  bool keyword_seen = false;
  if (!Trimmed(operand).text.empty()) {
    for (const Piece& p : SplitOperands(operand)) {
      const size_t length = KeywordLength(p.text);
      const int n = length ? ParamIndex(macro, p.text.substr(0, length)) : -1;
      if (n >= 0) {
        if (args->size() <= static_cast<size_t>(n)) args->resize(n + 1);
        (*args)[n] = Unbracketed(Trimmed(Piece{p.text.substr(p.text.find('=', length) + 1), 1}).text);
        named[n] = true;
        keyword_seen = true;
        continue;
      }
      if (keyword_seen)
        return "the argument \"" + std::string(p.text) +
               "\" stands by position after one given by name: write the ones by position first";
      args->push_back(Unbracketed(p.text));
    }
  }
  if (args->size() < macro.params.size()) args->resize(macro.params.size());
  for (size_t n = 0; n < macro.params.size(); ++n)
    if (!named[n] && (*args)[n].empty()) (*args)[n] = macro.defaults[n];
  return "";
}

bool IsShift(std::string_view word) { return SameWord(word, "SHIFT") || SameWord(word, ".SHIFT") || SameWord(word, "SHFT"); }

void SubstituteLine(std::string_view text, const Substitution& s, std::string* out) {
  const Macro& macro = *s.macro;
  const std::vector<std::string>& args = *s.args;
  auto argument = [&](int n) -> const std::string& {
    static const std::string kNone;
    return static_cast<size_t>(n) < args.size() ? args[n] : kNone;
  };
  // Inside quotes the macro assembler replaces a parameter only where it is
  // written in capitals (it compares the names in capitals and leaves the
  // case of a string alone), and a label keeps its name.
  char quote = 0;
  auto matches = [&](std::string_view name, std::string_view word) {
    if (!quote || !s.macro_assembler) return SameWord(name, word);
    return word.size() == name.size() && UpperCase(name) == word;
  };
  auto param = [&](std::string_view word) {
    for (size_t n = 0; n < macro.params.size(); ++n)
      if (matches(macro.params[n], word)) return static_cast<int>(n);
    return -1;
  };
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (!IsNameStart(c)) {
      if (quote && c == '\\' && i + 1 < text.size()) {
        *out += text.substr(i, 2);
        i += 2;
        continue;
      }
      if (c == quote) quote = 0;
      else if (!quote && (c == '"' || c == '\'')) quote = c;
      else if (!quote && c == ';') {  // the comment stays as written
        *out += text.substr(i);
        return;
      }
      *out += c;
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && IsNameChar(text[j])) ++j;
    const std::string_view word = text.substr(i, j - i);
    i = j;
    const int n = param(word);
    if (n >= 0) {
      *out += argument(n);
    } else if (matches("ALLARGS", word)) {
      size_t count = args.size();
      while (count > 0 && args[count - 1].empty()) --count;  // the empty ones a short call left
      for (size_t a = 0; a < count; ++a) *out += (a ? "," : "") + args[a];
    } else if (matches("ARGCOUNT", word)) {
      *out += std::to_string(args.size());
    } else if (macro.intlabel && matches("__LABEL__", word)) {
      *out += s.label;
    } else if (const std::string* local = s.local_suffix.empty() || quote ? nullptr : LocalNamed(macro, word)) {
      *out += *local + s.local_suffix;
    } else if (s.macro_assembler && word.find('_') != std::string_view::npos) {
      // An underscore ends a parameter's name: PART1_PART2 joins two arguments.
      size_t k = 0;
      while (k <= word.size()) {
        const size_t end = std::min(word.find('_', k), word.size());
        const std::string_view part = word.substr(k, end - k);
        const int p = part.empty() ? -1 : param(part);
        *out += p >= 0 ? argument(p) : std::string(part);
        if (end < word.size()) *out += '_';
        k = end + 1;
      }
    } else {
      *out += word;
    }
  }
}

}  // namespace scmp::assembler
